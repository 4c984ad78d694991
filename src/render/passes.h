// The passes of one frame, in the order the frame calls them. Each pass reads the program's state through
// the frame and draws on its platform; none of them changes the world.
#pragma once

#include <cstdint>
#include <string>

#include "common/random.h"
#include "platform/platform.h"
#include "world/camera.h"

struct FrameScene;

// The flat layer's current colours. They carry from one step of the overlay to the next within a frame:
// texts drawn "in the current colours" take whatever the preceding step left.
struct Ink {
    uint32_t front = Rgb(255, 255, 255);
    uint32_t back = Rgb(0, 0, 0);
};

struct FrameContext {
    FrameScene& scene;
    Platform& plat;
    View view;
    Ink ink;
    // Screen area the world's quads may still cover this frame, in pixels (-1: not yet set). No level can
    // then make a frame fill the screen thousands of times over.
    double fillBudget = -1;
    // Length in pixels that the flat layer's lines may still draw this frame (-1: not yet set): ten
    // thousand portals across the screen cost a software renderer a quarter of a second a frame.
    double lineBudget = -1;

    // World point to screen, unrounded (for quad corners) or rounded to whole pixels.
    Vec2 Screen(Vec2 world) const { return WorldToScreen(view, world); }
    Vec2 Pixel(Vec2 world) const { return WorldToScreenRounded(view, world); }

    // Flat drawing in the current colours; each call also makes its colour the current front colour.
    void Line(double x1, double y1, double x2, double y2, uint32_t rgb);
    // A line of the world (portal, wireframe, joint): skipped beside the screen and once the frame's
    // line budget is spent; the colour still becomes current.
    void WorldLine(double x1, double y1, double x2, double y2, uint32_t rgb);
    void Box(double x1, double y1, double x2, double y2, uint32_t rgb);
    void Circle(double x, double y, double radius, uint32_t rgb);
    void Text(int x, int y, const std::string& text); // current colours
    void Text(int x, int y, const std::string& text, uint32_t front);

    // True, and the quad's screen area (its bounding box clipped to the screen) taken from the budget, when
    // the budget still holds it; false once a frame's world quads have covered kFillScreens screens.
    bool Affords(const Quad& q);
    bool Affords(double x1, double y1, double x2, double y2);
};

constexpr double kFillScreens = 6;
constexpr double kLineScreens = 100; // in lengths of the screen's width plus its height

// The image of a colour name. "random" gives a colour of its own to each object, chosen from `identity`,
// so that it stays the same from frame to frame.
int ColourImageFor(const std::string& name, uint32_t identity, Rng& rng);

// Behind the world: the grid, while it is on.
void DrawGrid(FrameContext& f);

// Quad pass (textured view).
void DrawRegions(FrameContext& f);
void DrawLiquids(FrameContext& f);
void DrawLights(FrameContext& f);
void DrawEntities(FrameContext& f);
void DrawHalfSpaces(FrameContext& f);
void DrawWaterSpaces(FrameContext& f);
void DrawEffects(FrameContext& f);
void DrawMarkers(FrameContext& f);
// The textured world in its order: regions, liquids, lights, entities, half-spaces, water spaces, the
// effects (when asked) and the markers.
void DrawTexturedWorld(FrameContext& f, bool effects);

// Flat layer.
void DrawPortals(FrameContext& f);
void DrawWireframe(FrameContext& f);
void DrawJoints(FrameContext& f);
// The selected bodies' outlines, and the selection rectangle while it is drawn.
void DrawSelection(FrameContext& f);
void DrawToolbar(FrameContext& f);
void DrawTextFields(FrameContext& f);
// Over the toolbar: the run the world is on, and where it is along it.
void DrawTimeBar(FrameContext& f);
void DrawLabels(FrameContext& f);
void DrawHud(FrameContext& f);
void DrawSparks(FrameContext& f);
// Last: the tooltip of what the mouse rests on.
void DrawTooltip(FrameContext& f);
