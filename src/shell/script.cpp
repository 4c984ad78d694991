#include "shell/script.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string_view>
#include <unistd.h>

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

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\v' || c == '\f' || c == '\r' || c == '\n';
}

// The words of `line` from `pos` on, at most `most` (one more means too many).
size_t SplitWords(std::string_view line, size_t pos, std::string_view* words, size_t most) {
    size_t n = 0;
    while (n <= most) {
        while (pos < line.size() && IsBlank(line[pos])) ++pos;
        if (pos == line.size()) break;
        size_t end = pos;
        while (end < line.size() && !IsBlank(line[end])) ++end;
        if (n < most) words[n] = line.substr(pos, end - pos);
        ++n;
        pos = end;
    }
    return n;
}

// One event line (leading blanks removed).
bool ParseLine(std::string_view line, ScriptEvent& ev, std::string& why) {
    std::string_view head[2];
    size_t afterWord = 0;
    {
        size_t pos = 0;
        for (std::string_view& w : head) {
            while (pos < line.size() && IsBlank(line[pos])) ++pos;
            size_t end = pos;
            while (end < line.size() && !IsBlank(line[end])) ++end;
            w = line.substr(pos, end - pos);
            pos = end;
        }
        afterWord = pos;
    }
    if (!ParseInt(std::string(head[0]), ev.frame) || ev.frame < 1) {
        why = "expected a frame number from 1 on";
        return false;
    }
    const std::string_view word = head[1];
    if (word == "type") {
        // the rest of the line after one space
        ev.type = ScriptEvent::Type::Type;
        ev.text = afterWord + 1 < line.size() ? std::string(line.substr(afterWord + 1)) : std::string();
        return true;
    }
    std::string_view rest[2];
    const size_t count = SplitWords(line, afterWord, rest, 2);
    int64_t a = 0, b = 0;
    if (word == "mouse") {
        if (count != 2 || !ParseInt(std::string(rest[0]), a) || !ParseInt(std::string(rest[1]), b)) {
            why = "mouse needs two whole numbers x and y";
            return false;
        }
        ev.type = ScriptEvent::Type::Mouse;
        ev.x = static_cast<int>(std::clamp<int64_t>(a, -100000, 100000));
        ev.y = static_cast<int>(std::clamp<int64_t>(b, -100000, 100000));
        return true;
    }
    if (word == "press" || word == "release") {
        if (count != 1 || (rest[0] != "left" && rest[0] != "right")) {
            why = std::string(word) + " needs left or right";
            return false;
        }
        ev.type = word == "press" ? ScriptEvent::Type::Press : ScriptEvent::Type::Release;
        ev.button = rest[0] == "left" ? 0 : 1;
        return true;
    }
    if (word == "wheel") {
        if (count != 1 || !ParseInt(std::string(rest[0]), a) || a < -kMaxWheelPerFrame ||
            a > kMaxWheelPerFrame) {
            why = "wheel needs a whole number of notches";
            return false;
        }
        ev.type = ScriptEvent::Type::Wheel;
        ev.notches = static_cast<int>(a);
        return true;
    }
    if (word == "key") {
        if (count != 2 || (rest[1] != "down" && rest[1] != "up")) {
            why = "key needs a key name and down or up";
            return false;
        }
        ev.scan = ScanCodeFromName(std::string(rest[0]));
        if (ev.scan < 0) {
            why = "unknown key name '" + std::string(rest[0]) + "'";
            return false;
        }
        ev.type = rest[1] == "down" ? ScriptEvent::Type::KeyDown : ScriptEvent::Type::KeyUp;
        return true;
    }
    why = word.empty() ? "missing event" : "unknown event '" + std::string(word) + "'";
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

struct ScriptSource {
    std::string text; // a script given as text
    int fd = -1;      // or a file, read again while the script plays
    std::unique_ptr<LineReader> lines;
    int64_t lineNo = 0;

    ScriptSource() = default;
    ScriptSource(const ScriptSource&) = delete;
    ScriptSource& operator=(const ScriptSource&) = delete;
    ~ScriptSource() { CloseFile(fd); }
};

InputScript::InputScript() = default;
InputScript::InputScript(InputScript&&) noexcept = default;
InputScript& InputScript::operator=(InputScript&&) noexcept = default;
InputScript::~InputScript() = default;

namespace {

// What a script line holds.
enum class LineKind { Blank, Comment, Event, Malformed };

// Reads the next line of `src` and sorts it; an event is parsed into `ev`, a comment is left in `comment`,
// a malformed line gets its reason in `why`. False at the end of the script.
bool NextLine(ScriptSource& src, LineKind& kind, ScriptEvent& ev, std::string& comment, std::string& why) {
    std::string line;
    bool tooLong = false;
    if (!src.lines->Next(line, tooLong)) return false;
    ++src.lineNo;
    if (tooLong || line.size() > kMaxScriptLineLength) {
        kind = LineKind::Malformed;
        why = "longer than " + std::to_string(kMaxScriptLineLength) + " characters";
        return true;
    }
    size_t last = line.find_last_not_of(" \t");
    size_t first = line.find_first_not_of(" \t");
    if (first == std::string::npos) {
        kind = LineKind::Blank;
        return true;
    }
    if (line[first] == '#') {
        kind = LineKind::Comment;
        comment = line.substr(first, last + 1 - first);
        return true;
    }
    kind = ParseLine(std::string_view(line).substr(first), ev, why) ? LineKind::Event : LineKind::Malformed;
    return true;
}

// Reads the whole script once: every line must be well formed and the events in frame order. Takes the
// options stated before the first event.
bool CheckScript(ScriptSource& src, RecordedOptions& recorded, std::string& error) {
    LineKind kind = LineKind::Blank;
    ScriptEvent ev;
    std::string comment, why;
    int64_t lastFrame = 0;
    bool anyEvent = false;
    auto fail = [&](const std::string& reason) {
        error = "line " + std::to_string(src.lineNo) + ": " + reason;
        return false;
    };
    while (NextLine(src, kind, ev, comment, why)) {
        if (kind == LineKind::Malformed) return fail(why);
        if (kind == LineKind::Comment && !anyEvent && !ParseRecordedOption(comment, recorded, why))
            return fail(why);
        if (kind != LineKind::Event) continue;
        if (ev.frame < lastFrame)
            return fail("frame " + std::to_string(ev.frame) + " comes after frame " +
                        std::to_string(lastFrame) + " (events go in frame order)");
        lastFrame = ev.frame;
        anyEvent = true;
    }
    return true;
}

// The next event of a checked script; false at its end. A line that no longer reads as an event (the file
// was changed while the script played) ends the script there.
bool NextEvent(ScriptSource& src, ScriptEvent& ev) {
    LineKind kind = LineKind::Blank;
    std::string comment, why;
    while (NextLine(src, kind, ev, comment, why)) {
        if (kind == LineKind::Event) return true;
        if (kind == LineKind::Malformed) break;
    }
    src.lines.reset(new LineReader(std::string_view())); // nothing more
    return false;
}

bool PrepareScript(std::unique_ptr<ScriptSource> src, InputScript& out, std::string& error) {
    out = InputScript{};
    src->lines.reset(src->fd >= 0 ? new LineReader(src->fd) : new LineReader(src->text));
    if (!CheckScript(*src, out.recorded, error)) return false;
    // Again from the start, to play.
    if (src->fd >= 0 && ::lseek(src->fd, 0, SEEK_SET) != 0) {
        error = std::string("cannot read it again: ") + std::strerror(errno);
        return false;
    }
    src->lines.reset(src->fd >= 0 ? new LineReader(src->fd) : new LineReader(src->text));
    src->lineNo = 0;
    out.source = std::move(src);
    return true;
}

} // namespace

bool ParseInputScript(const std::string& text, InputScript& out, std::string& error) {
    auto src = std::make_unique<ScriptSource>();
    src->text = text;
    return PrepareScript(std::move(src), out, error);
}

bool LoadInputScript(const std::string& nativePath, InputScript& out, std::string& error) {
    std::string why;
    auto src = std::make_unique<ScriptSource>();
    src->fd = OpenRegularFile(nativePath, &why);
    if (src->fd < 0) {
        out = InputScript{};
        error = "cannot read the input script: " + why;
        return false;
    }
    return PrepareScript(std::move(src), out, error);
}

InputState ScriptFrameInput(InputScript& s, int64_t frame) {
    InputState& st = s.state;
    st.wheel = 0;
    st.released.fill(false);
    st.typed.clear();
    if (s.deferredButton[0]) st.left = false;
    if (s.deferredButton[1]) st.right = false;
    s.deferredButton[0] = s.deferredButton[1] = false;
    for (size_t k = 0; k < s.deferredKeys.size(); ++k) {
        if (!s.deferredKeys[k]) continue;
        st.down[k] = false;
        st.released[k] = true;
    }
    s.deferredKeys.fill(false);

    bool pressed[2] = {false, false};
    std::array<bool, kKeyCount> keyPressed{};
    for (;;) {
        if (!s.hasPending) s.hasPending = s.source && NextEvent(*s.source, s.pending);
        if (!s.hasPending || s.pending.frame > frame) break;
        s.hasPending = false;
        const ScriptEvent& ev = s.pending;
        const size_t key = static_cast<size_t>(ev.scan);
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
            st.wheel = std::clamp(st.wheel + ev.notches, -kMaxWheelPerFrame, kMaxWheelPerFrame);
            break;
        case ScriptEvent::Type::KeyDown:
            st.down[key] = true;
            keyPressed[key] = true;
            break;
        case ScriptEvent::Type::KeyUp:
            if (keyPressed[key]) {
                s.deferredKeys[key] = true;
            } else if (st.down[key]) {
                st.down[key] = false;
                st.released[key] = true;
            }
            break;
        case ScriptEvent::Type::Type:
            st.typed.append(ev.text, 0, kMaxTypedPerFrame - std::min(kMaxTypedPerFrame, st.typed.size()));
            break;
        }
    }
    return st;
}

namespace {

bool FailRecording(InputRecorder& rec) {
    if (rec.error.empty()) rec.error = rec.file.error.empty() ? "it could not be written" : rec.file.error;
    AbandonAtomicFile(rec.file);
    rec.open = false;
    return false;
}

} // namespace

bool OpenRecorder(InputRecorder& rec, const std::string& nativePath, const InputState& initial,
                  const RecordedOptions& options) {
    rec.open = false;
    rec.error.clear();
    if (!BeginAtomicFile(rec.file, nativePath) ||
        !AppendAtomicFile(rec.file, "# tumblebox input recording\n" + RecordedOptionLines(options)))
        return FailRecording(rec);
    rec.open = true;
    rec.last = initial;
    rec.last.left = rec.last.right = false;
    rec.last.down.fill(false);
    // The first frame always states where the mouse is.
    rec.last.mouseX = initial.mouseX + 1;
    return true;
}

bool RecordFrame(InputRecorder& rec, int64_t frame, const InputState& in) {
    if (!rec.open) return rec.error.empty();
    std::string o;
    const std::string f = std::to_string(frame);
    if (in.mouseX != rec.last.mouseX || in.mouseY != rec.last.mouseY)
        o += f + " mouse " + std::to_string(in.mouseX) + ' ' + std::to_string(in.mouseY) + '\n';
    for (int k = 0; k < kKeyCount; ++k) {
        bool was = rec.last.down[static_cast<size_t>(k)];
        bool is = in.down[static_cast<size_t>(k)];
        if (was == is) continue;
        std::string name = ScanCodeName(k);
        if (name.empty()) continue;
        o += f + " key " + name + (is ? " down\n" : " up\n");
    }
    if (!rec.last.left && in.left) o += f + " press left\n";
    if (rec.last.left && !in.left) o += f + " release left\n";
    if (!rec.last.right && in.right) o += f + " press right\n";
    if (rec.last.right && !in.right) o += f + " release right\n";
    if (in.wheel != 0)
        o += f + " wheel " + std::to_string(std::clamp(in.wheel, -kMaxWheelPerFrame, kMaxWheelPerFrame)) +
             '\n';
    std::string typed = in.typed.substr(0, kMaxTypedPerFrame);
    typed.erase(std::remove_if(typed.begin(), typed.end(), [](char c) { return c == '\r' || c == '\n'; }),
                typed.end());
    if (!typed.empty()) o += f + " type " + typed + '\n';
    rec.last = in;
    if (!o.empty() && !AppendAtomicFile(rec.file, o)) return FailRecording(rec);
    return true;
}

bool CloseRecorder(InputRecorder& rec) {
    if (!rec.open) return rec.error.empty();
    rec.open = false;
    if (!CommitAtomicFile(rec.file)) return FailRecording(rec);
    return true;
}
