#include "render/picture.h"

#include <utility>

#include "render/passes.h"
#include "render/render.h"

namespace {

// The program's view of `cam` shrunk to width x height: the same world point at the centre, the
// magnification scaled by width / screen width (within the zoom bound).
View PictureView(const Camera& cam, double screenWidth, double screenHeight, int width, int height) {
    View full = MakeView(cam, screenWidth, screenHeight);
    View v = full;
    v.w = width;
    v.h = height;
    v.z = ClampZoom(1 - (1 - full.z) * (width / screenWidth));
    v.cx = full.zx - width / 2;
    v.cy = full.zy - height / 2;
    return v;
}

} // namespace

void DrawWorldPicture(FrameScene& scene, Platform& plat, const World& world, const Camera& cam, int image,
                      int width, int height) {
    const int scratch = image + 1; // what the corner held, put back afterwards
    plat.GrabScreen(scratch, 0, 0, width, height);

    FrameScene picture{world,         cam,          scene.editor, scene.sparks, scene.gui,
                       scene.effects, scene.images, scene.render, scene.input};
    picture.screenWidth = scene.screenWidth;
    picture.screenHeight = scene.screenHeight;
    FrameContext f{picture, plat, PictureView(cam, scene.screenWidth, scene.screenHeight, width, height),
                   Ink{}};
    plat.DrawBox(0, 0, static_cast<float>(width), static_cast<float>(height), Rgb(0, 0, 0), true);
    DrawTexturedWorld(f, false);
    plat.SetBlend(BlendMode::Alpha);
    plat.GrabScreen(image, 0, 0, width, height);

    plat.DrawQuad(scratch, RectQuad(0, 0, static_cast<float>(width), static_cast<float>(height)), 255);
    plat.FreeImage(scratch);
}
