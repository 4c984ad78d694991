#include "shell/script.h"

#include <algorithm>
#include <sstream>

namespace {

bool ParseInt(const std::string& s, int64_t& out) {
    if (s.empty()) return false;
    size_t i = (s[0] == '-' || s[0] == '+') ? 1 : 0;
    if (i == s.size() || s.size() > 12) return false;
    for (size_t k = i; k < s.size(); ++k)
        if (s[k] < '0' || s[k] > '9') return false;
    out = std::stoll(s);
    return true;
}

bool ParseLine(const std::string& raw, ScriptEvent& ev, std::string& why) {
    std::string line = raw;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::istringstream in(line);
    std::string frame, word;
    in >> frame >> word;
    if (!ParseInt(frame, ev.frame) || ev.frame < 1) {
        why = "expected a frame number from 1 on";
        return false;
    }
    std::vector<std::string> rest;
    if (word == "type") {
        // the rest of the line after one space
        size_t pos = line.find("type");
        pos += 4;
        ev.type = ScriptEvent::Type::Type;
        ev.text = (pos < line.size()) ? line.substr(pos + 1) : std::string();
        return true;
    }
    for (std::string t; in >> t;) rest.push_back(t);
    int64_t a = 0, b = 0;
    if (word == "mouse") {
        if (rest.size() != 2 || !ParseInt(rest[0], a) || !ParseInt(rest[1], b)) {
            why = "mouse needs two whole numbers x and y";
            return false;
        }
        ev.type = ScriptEvent::Type::Mouse;
        ev.x = static_cast<int>(std::clamp<int64_t>(a, -100000, 100000));
        ev.y = static_cast<int>(std::clamp<int64_t>(b, -100000, 100000));
        return true;
    }
    if (word == "press" || word == "release") {
        if (rest.size() != 1 || (rest[0] != "left" && rest[0] != "right")) {
            why = word + " needs left or right";
            return false;
        }
        ev.type = word == "press" ? ScriptEvent::Type::Press : ScriptEvent::Type::Release;
        ev.button = rest[0] == "left" ? 0 : 1;
        return true;
    }
    if (word == "wheel") {
        if (rest.size() != 1 || !ParseInt(rest[0], a) || a < -1000 || a > 1000) {
            why = "wheel needs a whole number of notches";
            return false;
        }
        ev.type = ScriptEvent::Type::Wheel;
        ev.notches = static_cast<int>(a);
        return true;
    }
    if (word == "key") {
        if (rest.size() != 2 || (rest[1] != "down" && rest[1] != "up")) {
            why = "key needs a key name and down or up";
            return false;
        }
        ev.scan = ScanCodeFromName(rest[0]);
        if (ev.scan < 0) {
            why = "unknown key name '" + rest[0] + "'";
            return false;
        }
        ev.type = rest[1] == "down" ? ScriptEvent::Type::KeyDown : ScriptEvent::Type::KeyUp;
        return true;
    }
    why = word.empty() ? "missing event" : "unknown event '" + word + "'";
    return false;
}

// A comment line before the first event that states an option: "--name" and, after one blank, its value.
// False (with `why`) for a recorded seed that is not a number; other comments are left alone.
bool ParseRecordedOption(const std::string& comment, RecordedOptions& o, std::string& why) {
    size_t start = comment.find_first_not_of(" \t", 1);
    if (start == std::string::npos || comment.compare(start, 2, "--") != 0) return true;
    size_t blank = comment.find(' ', start);
    std::string name = comment.substr(start, blank == std::string::npos ? std::string::npos : blank - start);
    std::string value = blank == std::string::npos ? std::string() : comment.substr(blank + 1);
    if (name == "--seed") {
        int64_t seed = 0;
        if (!ParseInt(value, seed) || seed < 0 || seed > 4294967295LL) {
            why = "--seed needs a whole number from 0 to 4294967295";
            return false;
        }
        o.seedSet = true;
        o.seed = static_cast<uint32_t>(seed);
    } else if (name == "--load" && !value.empty()) {
        o.load = value;
    } else if (name == "--run") {
        o.run = true;
    } else if (name == "--triggers") {
        o.triggers = true;
    }
    return true;
}

} // namespace

std::string RecordedOptionLines(const RecordedOptions& o) {
    std::string s;
    if (o.seedSet) s += "# --seed " + std::to_string(o.seed) + "\n";
    if (!o.load.empty()) s += "# --load " + o.load + "\n";
    if (o.run) s += "# --run\n";
    if (o.triggers) s += "# --triggers\n";
    return s;
}

bool ParseInputScript(const std::string& text, InputScript& out, std::string& error) {
    out = InputScript{};
    std::istringstream in(text);
    std::string line;
    int lineNo = 0;
    while (std::getline(in, line)) {
        ++lineNo;
        std::string trimmed = line;
        while (!trimmed.empty() &&
               (trimmed.back() == '\r' || trimmed.back() == ' ' || trimmed.back() == '\t'))
            trimmed.pop_back();
        size_t first = trimmed.find_first_not_of(" \t");
        if (first == std::string::npos) continue;
        std::string why;
        if (trimmed[first] == '#') {
            if (out.events.empty() && !ParseRecordedOption(trimmed.substr(first), out.recorded, why)) {
                error = "line " + std::to_string(lineNo) + ": " + why;
                return false;
            }
            continue;
        }
        ScriptEvent ev;
        if (!ParseLine(line.substr(first), ev, why)) {
            error = "line " + std::to_string(lineNo) + ": " + why;
            return false;
        }
        out.events.push_back(ev);
    }
    std::stable_sort(out.events.begin(), out.events.end(),
                     [](const ScriptEvent& a, const ScriptEvent& b) { return a.frame < b.frame; });
    return true;
}

bool LoadInputScript(const std::string& nativePath, InputScript& out, std::string& error) {
    std::ifstream f(nativePath, std::ios::binary);
    if (!f) {
        error = "cannot read input script '" + nativePath + "'";
        return false;
    }
    std::stringstream ss;
    ss << f.rdbuf();
    return ParseInputScript(ss.str(), out, error);
}

InputState ScriptFrameInput(InputScript& s, int64_t frame) {
    InputState& st = s.state;
    st.wheel = 0;
    st.released.fill(false);
    st.typed.clear();
    if (s.deferredButton[0]) st.left = false;
    if (s.deferredButton[1]) st.right = false;
    s.deferredButton[0] = s.deferredButton[1] = false;
    for (int k : s.deferredKeys) {
        st.down[static_cast<size_t>(k)] = false;
        st.released[static_cast<size_t>(k)] = true;
    }
    s.deferredKeys.clear();

    bool pressed[2] = {false, false};
    std::array<bool, kKeyCount> keyPressed{};
    while (s.next < s.events.size() && s.events[s.next].frame <= frame) {
        const ScriptEvent& ev = s.events[s.next++];
        switch (ev.type) {
        case ScriptEvent::Type::Mouse:
            st.mouseX = ev.x;
            st.mouseY = ev.y;
            break;
        case ScriptEvent::Type::Press:
            (ev.button == 0 ? st.left : st.right) = true;
            pressed[ev.button] = true;
            break;
        case ScriptEvent::Type::Release:
            if (pressed[ev.button])
                s.deferredButton[ev.button] = true;
            else
                (ev.button == 0 ? st.left : st.right) = false;
            break;
        case ScriptEvent::Type::Wheel:
            st.wheel += ev.notches;
            break;
        case ScriptEvent::Type::KeyDown:
            st.down[static_cast<size_t>(ev.scan)] = true;
            keyPressed[static_cast<size_t>(ev.scan)] = true;
            break;
        case ScriptEvent::Type::KeyUp:
            if (keyPressed[static_cast<size_t>(ev.scan)]) {
                s.deferredKeys.push_back(ev.scan);
            } else if (st.down[static_cast<size_t>(ev.scan)]) {
                st.down[static_cast<size_t>(ev.scan)] = false;
                st.released[static_cast<size_t>(ev.scan)] = true;
            }
            break;
        case ScriptEvent::Type::Type:
            st.typed += ev.text;
            break;
        }
    }
    return st;
}

bool OpenRecorder(InputRecorder& rec, const std::string& nativePath, const InputState& initial,
                  const RecordedOptions& options) {
    rec.out.open(nativePath, std::ios::binary | std::ios::trunc);
    rec.open = static_cast<bool>(rec.out);
    if (!rec.open) return false;
    rec.out << "# tumblebox input recording\n" << RecordedOptionLines(options);
    rec.last = initial;
    rec.last.left = rec.last.right = false;
    rec.last.down.fill(false);
    // The first frame always states where the mouse is.
    rec.last.mouseX = initial.mouseX + 1;
    return true;
}

void RecordFrame(InputRecorder& rec, int64_t frame, const InputState& in) {
    if (!rec.open) return;
    auto& o = rec.out;
    if (in.mouseX != rec.last.mouseX || in.mouseY != rec.last.mouseY)
        o << frame << " mouse " << in.mouseX << ' ' << in.mouseY << '\n';
    for (int k = 0; k < kKeyCount; ++k) {
        bool was = rec.last.down[static_cast<size_t>(k)];
        bool is = in.down[static_cast<size_t>(k)];
        std::string name = ScanCodeName(k);
        if (name.empty()) continue;
        if (!was && is) o << frame << " key " << name << " down\n";
        if (was && !is) o << frame << " key " << name << " up\n";
    }
    if (!rec.last.left && in.left) o << frame << " press left\n";
    if (rec.last.left && !in.left) o << frame << " release left\n";
    if (!rec.last.right && in.right) o << frame << " press right\n";
    if (rec.last.right && !in.right) o << frame << " release right\n";
    if (in.wheel != 0) o << frame << " wheel " << in.wheel << '\n';
    if (!in.typed.empty()) o << frame << " type " << in.typed << '\n';
    o.flush();
    rec.last = in;
}
