#include "render/render.h"

#include "platform/platform.h"
#include "shell/program.h"

void DrawFrame(Program& prog, Platform& plat) {
    plat.Clear(0);
    plat.DrawText(FontId::Hud, 0, 0, std::to_string(prog.shell.fps), Rgb(255, 255, 255), 0, true);
    if (prog.shell.paused)
        plat.DrawText(FontId::Hud, 0, 150, "Paused", Rgb(255, 0, 0), 0, true);
    else
        plat.DrawText(FontId::Hud, 0, 150, "Running", Rgb(0, 255, 0), 0, true);
    plat.Flip();
}
