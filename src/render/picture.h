// Small pictures of a world that is not the program's own (the level browser's previews).
#pragma once

#include "world/camera.h"

struct FrameScene;
struct World;
class Platform;

// Draws `world` as the textured view of the scene's screen would show it through `cam`, shrunk to
// width x height, into image `image` (replacing it). The drawing uses the top-left corner of the frame
// under construction and puts back what it covered, so it can run at any point of a frame. Effects,
// which belong to the program's own world, are not drawn.
void DrawWorldPicture(FrameScene& scene, Platform& plat, const World& world, const Camera& cam, int image,
                      int width, int height);
