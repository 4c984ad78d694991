#include "shell/options.h"

#include <cerrno>
#include <cstdlib>
#include <iostream>

#include "shell/script.h"

namespace {

bool ParseCount(const std::string& text, int64_t min, int64_t max, int64_t& out) {
    if (text.empty()) return false;
    for (char c : text)
        if (c < '0' || c > '9') return false;
    if (text.size() > 18) return false;
    int64_t v = std::strtoll(text.c_str(), nullptr, 10);
    if (v < min || v > max) return false;
    out = v;
    return true;
}

} // namespace

const char* UsageText() {
    return "Usage: tumblebox [options]\n"
           "  --headless            draw into an off-screen surface, no window, no frame pacing (needs "
           "--frames)\n"
           "  --frames N            end after N frames\n"
           "  --seed N              seed the random generator (runs are then repeatable)\n"
           "  --load PATH           load this level at start, as the Load Level window does\n"
           "  --run                 start with the world running\n"
           "  --triggers            run the level's triggers\n"
           "  --input FILE          replay scripted input\n"
           "  --record FILE         record this session's input in the same format\n"
           "  --save PATH           after the last frame, write the level to PATH\n"
           "  --screenshot FILE     after the last frame, save the picture as PNG\n"
           "  --help                show this text\n"
           "  --version             show the version\n";
}

ParseStatus ParseOptions(const std::vector<std::string>& args, Options& out, std::string& error) {
    auto needValue = [&](size_t& i, std::string& into) {
        if (i + 1 >= args.size() || args[i + 1].empty()) {
            error = "tumblebox: " + args[i] + " needs a value (see --help)";
            return false;
        }
        into = args[++i];
        return true;
    };
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        std::string value;
        if (a == "--headless") {
            out.headless = true;
        } else if (a == "--run") {
            out.run = true;
        } else if (a == "--triggers") {
            out.triggers = true;
        } else if (a == "--help" || a == "-h") {
            out.help = true;
        } else if (a == "--version") {
            out.version = true;
        } else if (a == "--frames") {
            if (!needValue(i, value)) return ParseStatus::Usage;
            if (!ParseCount(value, 1, 1000000000, out.frames)) {
                error = "tumblebox: --frames needs a whole number from 1 to 1000000000, not '" + value + "'";
                return ParseStatus::Usage;
            }
        } else if (a == "--seed") {
            if (!needValue(i, value)) return ParseStatus::Usage;
            int64_t s = 0;
            if (!ParseCount(value, 0, 4294967295LL, s)) {
                error = "tumblebox: --seed needs a whole number from 0 to 4294967295, not '" + value + "'";
                return ParseStatus::Usage;
            }
            out.seed = static_cast<uint32_t>(s);
            out.seedSet = true;
        } else if (a == "--load") {
            if (!needValue(i, out.load)) return ParseStatus::Usage;
        } else if (a == "--input") {
            if (!needValue(i, out.input)) return ParseStatus::Usage;
        } else if (a == "--record") {
            if (!needValue(i, out.record)) return ParseStatus::Usage;
        } else if (a == "--save") {
            if (!needValue(i, out.save)) return ParseStatus::Usage;
        } else if (a == "--screenshot") {
            if (!needValue(i, out.screenshot)) return ParseStatus::Usage;
        } else {
            error = "tumblebox: unknown option '" + a + "' (see --help)";
            return ParseStatus::Usage;
        }
    }
    if (out.headless && out.frames < 0 && !out.help && !out.version) {
        error = "tumblebox: --headless needs --frames N (a headless run has no window to close)";
        return ParseStatus::Usage;
    }
    return ParseStatus::Ok;
}

void TakeRecordedOptions(const RecordedOptions& recorded, Options& opt) {
    if (!opt.seedSet && recorded.seedSet) {
        opt.seedSet = true;
        opt.seed = recorded.seed;
    }
    if (opt.load.empty()) opt.load = recorded.load;
    opt.run = opt.run || recorded.run;
    opt.triggers = opt.triggers || recorded.triggers;
}

int TakeCommandLine(int argc, char** argv, Options& opt) {
    std::vector<std::string> args(argv + 1, argv + argc);
    std::string error;
    if (ParseOptions(args, opt, error) != ParseStatus::Ok) {
        std::cerr << error << "\n";
        return 2;
    }
    if (opt.help) {
        std::cout << UsageText();
        return 0;
    }
    if (opt.version) {
        std::cout << "tumblebox " << TUMBLEBOX_VERSION << "\n";
        return 0;
    }
    return -1;
}
