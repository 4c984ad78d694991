#include "common/text.h"
#include "level/files.h"
#include "shell/program.h"

void ApplySettingsLine(const std::string& line, Settings& s) {
    ParsedCommand cmd = ParseCommand(line);
    if (cmd.word == "ScreenSolution") {
        s.screenWidth = ReadInt(cmd.args[1]);
        s.screenHeight = ReadInt(cmd.args[2]);
    } else if (cmd.word == "Windowed") {
        s.windowed = static_cast<int16_t>(ReadInt(cmd.args[1]));
    } else if (cmd.word == "Triggers") {
        s.triggers = ReadInt(cmd.args[1]) == 1;
    }
}

bool ReadSettingsFile(const std::string& nativePath, Settings& s, std::string* why) {
    int fd = OpenRegularFile(nativePath, why);
    if (fd < 0) return false;
    LineReader lines(fd);
    std::string line;
    bool tooLong = false;
    while (lines.Next(line, tooLong))
        if (!tooLong) ApplySettingsLine(line, s);
    CloseFile(fd);
    return true;
}

namespace {
// Screens outside this range are refused rather than allocated.
constexpr double kMinWidth = 320, kMinHeight = 240, kMaxWidth = 7680, kMaxHeight = 4320;
} // namespace

bool ReadSettingsAndOpenScreen(Program& prog, Platform& plat) {
    Settings& s = prog.shell.settings;
    std::string why;
    if (!ReadSettingsFile("settings.ini", s, &why)) {
        // A missing file is the common case and says no more; anything else says what it is.
        plat.ShowMessage("Error", why == kNoSuchFile ? "error in the settings.ini !"
                                                     : "error in the settings.ini ! (" + why + ")");
        return false;
    }
    prog.shell.windowed = s.windowed;
    int w = static_cast<int>(s.screenWidth);
    int h = static_cast<int>(s.screenHeight);
    bool sane = s.screenWidth >= kMinWidth && s.screenWidth <= kMaxWidth && s.screenHeight >= kMinHeight &&
                s.screenHeight <= kMaxHeight;
    if (s.windowed == 1) {
        if (!sane || !plat.OpenScreen(w, h, true)) {
            plat.ShowMessage("Error", sane ? "could not open windowed screen!"
                                           : "could not open screen ! (" + std::to_string(w) + "x" +
                                                 std::to_string(h) + ")");
            return false;
        }
    } else if (!sane || !plat.OpenScreen(w, h, false)) {
        plat.ShowMessage("Error",
                         "could not open screen ! (" + std::to_string(w) + "x" + std::to_string(h) + ")");
        return false;
    }
    LoadAllImages(prog.images, plat, w, h);
    return true;
}
