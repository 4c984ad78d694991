#include "render/render.h"

#include "gui/gui.h"
#include "render/passes.h"
#include "shell/program.h"

View ProgramView(const Program& prog) {
    return MakeView(prog.camera, prog.shell.settings.screenWidth, prog.shell.settings.screenHeight);
}

void DrawTexturedWorld(FrameContext& f, bool effects) {
    f.plat.SetBlend(BlendMode::Alpha);
    DrawRegions(f);
    DrawLiquids(f);
    DrawLights(f);
    DrawEntities(f);
    DrawHalfSpaces(f);
    DrawWaterSpaces(f);
    if (effects) DrawEffects(f);
    DrawMarkers(f);
}

void DrawFrame(Program& prog, Platform& plat) {
    FrameContext f{prog, plat, ProgramView(prog), Ink{}};
    const bool textured = prog.shell.texturedView != 0;

    plat.Clear(Rgb(0, 0, 0));
    DrawGrid(f);
    if (textured) {
        DrawTexturedWorld(f, true);
        DrawWindows(prog.gui, plat);
    }

    DrawPortals(f);
    if (!textured) DrawWireframe(f);
    DrawJoints(f);
    DrawToolbar(f);
    DrawTimeBar(f);
    DrawTextFields(f);
    DrawLabels(f);
    DrawHud(f);
    DrawSparks(f);
    DrawTooltip(f);
    plat.Flip();
}
