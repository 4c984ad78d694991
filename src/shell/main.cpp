// The program entry: the command line, the platform, the program.
#include <csignal>
#include <cstdlib>
#include <iostream>
#include <vector>

#include "platform/sdl_platform.h"
#include "shell/program.h"

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    Options opt;
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
    // A write past the file-size limit fails like one to a full disk, with a message, instead of ending
    // the program.
    std::signal(SIGXFSZ, SIG_IGN);
    if (opt.headless) SDL_setenv("SDL_VIDEODRIVER", "dummy", 1);
    SdlPlatform platform(opt.headless);
    return RunProgram(opt, platform);
}
