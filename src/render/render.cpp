#include "render/render.h"

#include "gui/gui.h"
#include "render/passes.h"

View SceneView(const FrameScene& scene) {
    return MakeView(scene.camera, scene.screenWidth, scene.screenHeight);
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

void DrawFrame(FrameScene& scene, Platform& plat) {
    FrameContext f{scene, plat, SceneView(scene), Ink{}};
    const bool textured = scene.textured;

    plat.Clear(Rgb(0, 0, 0));
    DrawGrid(f);
    if (textured) {
        DrawTexturedWorld(f, true);
        DrawWindows(scene.gui, plat);
    }

    DrawPortals(f);
    if (!textured) DrawWireframe(f);
    DrawJoints(f);
    DrawSelection(f);
    DrawToolbar(f);
    DrawTimeBar(f);
    DrawTextFields(f);
    DrawLabels(f);
    DrawHud(f);
    DrawSparks(f);
    DrawTooltip(f);
    plat.Flip();
}
