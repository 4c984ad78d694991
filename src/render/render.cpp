#include "render/render.h"

#include "gui/gui.h"
#include "render/passes.h"
#include "shell/program.h"

void DrawFrame(Program& prog, Platform& plat) {
    const Settings& s = prog.shell.settings;
    Frame f{prog, plat, MakeView(prog.camera, s.screenWidth, s.screenHeight), Ink{}};
    const bool textured = prog.shell.texturedView != 0;

    plat.Clear(Rgb(0, 0, 0));
    if (textured) {
        plat.SetBlend(BlendMode::Alpha);
        DrawRegions(f);
        DrawLiquids(f);
        DrawLights(f);
        DrawEntities(f);
        DrawHalfSpaces(f);
        DrawWaterSpaces(f);
        DrawEffects(f);
        DrawMarkers(f);
        DrawWindows(prog.gui, plat);
    }

    DrawPortals(f);
    if (!textured) DrawWireframe(f);
    DrawJoints(f);
    DrawToolbar(f);
    DrawTextFields(f);
    DrawLabels(f);
    DrawHud(f);
    DrawSparks(f);
    plat.Flip();
}
