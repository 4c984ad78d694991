// The program entry: the command line, the platform, the program.
#include <csignal>
#include <cstdlib>

#include "platform/sdl_platform.h"
#include "shell/program.h"

int main(int argc, char** argv) {
    Options opt;
    if (int status = TakeCommandLine(argc, argv, opt); status >= 0) return status;
    // A write past the file-size limit fails like one to a full disk, with a message, instead of ending
    // the program.
    std::signal(SIGXFSZ, SIG_IGN);
    if (opt.headless) SDL_setenv("SDL_VIDEODRIVER", "dummy", 1);
    SdlPlatform platform(opt.headless);
    return RunProgram(opt, platform);
}
