// The textured world: regions, liquids, entities, half-spaces, water spaces, effects and markers.
#include <algorithm>
#include <cmath>

#include "gui/gui.h"
#include "render/passes.h"
#include "render/render.h"
#include "render/shapes.h"

namespace {

// Image numbers of the fixed catalogue.
constexpr int kPlayerImage = 0;
constexpr int kPinImage = 2;
constexpr int kDefaultImage = 3;
constexpr int kPlayer2Image = 5;
constexpr int kHalfSpaceLineImage = 9;
constexpr int kAquariumImage = 13;
constexpr int kWaterImage = 14;
constexpr int kPoisonImage = 15;
constexpr int kPoisonBoxImage = 16;
constexpr int kBloodImage = 17;
constexpr int kFishImage = 18;
constexpr int kRegionImage = 21;
constexpr int kWarningImage = 23;
constexpr int kColouredWallImage = 48;
constexpr int kColouredQuadImage = 49;
constexpr int kFirstColour = 28;
constexpr int kColourCount = 15;

Quad CornersOf(const Vec2 (&c)[4]) {
    Quad q;
    for (size_t i = 0; i < 4; ++i) {
        q.x[i] = static_cast<float>(c[i].x);
        q.y[i] = static_cast<float>(c[i].y);
    }
    return q;
}

// The screen corners of an entity's particles in the given order (indices from 0). An entity with fewer
// particles repeats its last one, so nothing is read beyond its list.
Quad EntityQuad(const FrameContext& f, const Entity& e, int i0, int i1, int i2, int i3) {
    const World& w = f.scene.world;
    const int last = e.particlecount() - 1;
    auto at = [&](int i) {
        return f.Screen(
            w.particles[static_cast<size_t>(e.particles[static_cast<size_t>(std::min(i, last))])].p);
    };
    Vec2 c[4] = {at(i0), at(i1), at(i2), at(i3)};
    return CornersOf(c);
}

// A quad of the image's own size times `scale`, centred on `centre`.
Quad ZoomedImageQuad(const FrameContext& f, int image, Vec2 centre, double scale) {
    double w = f.plat.ImageWidth(image) * scale;
    double h = f.plat.ImageHeight(image) * scale;
    return RectQuad(static_cast<float>(centre.x - w / 2), static_cast<float>(centre.y - h / 2),
                    static_cast<float>(RoundToInt(w)), static_cast<float>(RoundToInt(h)));
}

// Quads on the entity's centre and its particles, for kinds the catalogue has no image for: (centre,
// particles 2k, 2k + 1, 2k + 2) for k = 1 .. (N - 2) / 2, then (centre, N - 1, 1, 2).
void DrawFallbackFan(FrameContext& f, const Entity& e) {
    const int n = e.particlecount();
    if (n < 2) return;
    const World& w = f.scene.world;
    Vec2 centre = f.Screen(e.center);
    auto at = [&](int k) { // particle k, counted from 1
        return f.Screen(w.particles[static_cast<size_t>(e.particles[static_cast<size_t>(k - 1)])].p);
    };
    for (int k = 1; k <= (n - 2) / 2; ++k) {
        Vec2 c[4] = {centre, at(2 * k), at(2 * k + 1), at(2 * k + 2)};
        f.plat.DrawQuad(kDefaultImage, CornersOf(c), 90);
    }
    Vec2 c[4] = {centre, at(n - 1), at(1), at(2)};
    f.plat.DrawQuad(kDefaultImage, CornersOf(c), 90);
}

void DrawEntity(FrameContext& f, const Entity& e) {
    const int n = e.particlecount();
    if (n == 0) return;
    const std::string& type = e.type;
    Platform& plat = f.plat;
    if (type == "player" || type == "player2") {
        int image = type == "player" ? kPlayerImage : kPlayer2Image;
        // Drawn with both windings; only the one running clockwise on the screen shows.
        plat.DrawQuad(image, EntityQuad(f, e, 0, 1, 2, 3), 255, true);
        plat.DrawQuad(image, EntityQuad(f, e, 1, 0, 3, 2), 255, true);
    } else if (type == "pin") {
        const World& w = f.scene.world;
        Vec2 s = f.Screen(w.particles[static_cast<size_t>(e.particles[0])].p);
        plat.DrawQuad(kPinImage, ZoomedImageQuad(f, kPinImage, s, f.view.Scale()), 250);
    } else if (type == "poisonbox") {
        Quad q = EntityQuad(f, e, 0, 1, 2, 3);
        plat.DrawQuad(kAquariumImage, q, 50);
        plat.DrawQuad(kPoisonBoxImage, q, 150);
    } else if (type.find("wall_") != std::string::npos || type.find("quad_") != std::string::npos) {
        bool wall = type.find("wall_") != std::string::npos;
        Quad q = EntityQuad(f, e, 0, 1, 2, 3);
        plat.DrawQuad(ColourImageFor(type.substr(5), static_cast<uint32_t>(e.id), f.scene.render.rng), q,
                      255);
        plat.DrawQuad(wall ? kColouredWallImage : kColouredQuadImage, q, 255);
    } else if (type == "warning") {
        plat.DrawQuad(kWarningImage, EntityQuad(f, e, 0, 1, 2, 2), 255);
    } else {
        int image = FindImage(f.scene.images, type);
        if (image >= 0)
            plat.DrawQuad(image, EntityQuad(f, e, 0, 1, 2, 3), f.scene.images.currentAlpha);
        else
            DrawFallbackFan(f, e);
    }
}

// The first half-plane in list order under the mouse while the "Edit" tool picks one; -1 for none.
template <typename Space, typename Direction>
int HoveredSpace(const FrameContext& f, const std::vector<Space>& spaces, Direction direction) {
    const FrameScene& scene = f.scene;
    if (scene.editor.currentTool != "Edit" || WindowHovered(scene.gui)) return -1;
    const Vec2& m = scene.editor.mouseWorld;
    for (size_t i = 0; i < spaces.size(); ++i) {
        const Space& s = spaces[i];
        Vec2 d = direction(s);
        float dist = SignedLineDistance(static_cast<float>(s.p.x), static_cast<float>(s.p.y),
                                        static_cast<float>(s.p.x + d.x), static_cast<float>(s.p.y + d.y),
                                        static_cast<float>(m.x), static_cast<float>(m.y));
        if (dist > 0) return static_cast<int>(i);
    }
    return -1;
}

} // namespace

int ColourImageFor(const std::string& name, uint32_t identity, Rng& rng) {
    if (name == "random") {
        uint32_t h = identity * 2654435761u;
        h ^= h >> 15;
        return kFirstColour + static_cast<int>(h % kColourCount);
    }
    return ColourImage(name, rng); // draws from the generator only for "random", handled above
}

void DrawRegions(FrameContext& f) {
    for (const Region& r : f.scene.world.regions) {
        const bool coloured = !r.type.empty();
        const int image = coloured ? ColourImageFor(r.type, r.uid, f.scene.render.rng) : kRegionImage;
        Vec2 lo = f.Screen({static_cast<double>(r.minx), static_cast<double>(r.miny)});
        Vec2 hi = f.Screen({static_cast<double>(r.maxx), static_cast<double>(r.maxy)});
        Vec2 c[4] = {lo, {hi.x, lo.y}, hi, {lo.x, hi.y}};
        if (!f.Affords(lo.x, lo.y, hi.x, hi.y)) continue;
        f.plat.DrawQuad(image, CornersOf(c), 100);
        if (!coloured) continue;
        int32_t x1 = RoundToInt(lo.x), y1 = RoundToInt(lo.y), x2 = RoundToInt(hi.x), y2 = RoundToInt(hi.y);
        auto border = [&](int32_t ax, int32_t ay, int32_t bx, int32_t by) {
            Quad q = ThickLineQuad(ax, ay, bx, by, 5);
            if (f.Affords(q)) f.plat.DrawQuad(image, q, 100);
        };
        border(x1, y1, x2, y1); // top
        border(x2, y1, x2, y2); // right
        border(x2, y2, x1, y2); // bottom
        border(x1, y2, x1, y1); // left
    }
}

void DrawLiquids(FrameContext& f) {
    const World& w = f.scene.world;
    const double scale = f.view.Scale();
    const int32_t boxes = std::clamp(w.liquidBoxCount, 0, kMaxLiquidBoxes);
    auto pass = [&](bool fish) {
        for (int32_t b = 1; b <= boxes; ++b) {
            const LiquidBox& box = w.liquidBoxes[static_cast<size_t>(b)];
            const double r = RoundToInt(box.radius);
            const float side = static_cast<float>(r * 4 * scale);
            const double half = r * 2 * scale;
            for (const LiquidParticle& drop : box.particles) {
                int image = -1, alpha = 100;
                if (fish) {
                    if (drop.type != "fisch") continue;
                    image = kFishImage;
                    alpha = 255;
                } else if (drop.type == "water") {
                    image = kWaterImage;
                } else if (drop.type == "poison") {
                    image = kPoisonImage;
                } else if (drop.type == "blood") {
                    image = kBloodImage;
                } else {
                    continue;
                }
                Vec2 s = f.Screen(drop.p);
                if (!f.Affords(s.x - half, s.y - half, s.x + half, s.y + half)) continue;
                f.plat.DrawQuad(
                    image,
                    RectQuad(static_cast<float>(s.x - half), static_cast<float>(s.y - half), side, side),
                    alpha);
            }
        }
    };
    f.plat.SetBlend(BlendMode::Add);
    pass(false);
    f.plat.SetBlend(BlendMode::Alpha);
    pass(true);
}

void DrawEntities(FrameContext& f) {
    const World& w = f.scene.world;
    const int32_t count = std::clamp(w.entityCount, 0, kMaxRecords);
    for (int32_t i = 1; i <= count; ++i) {
        const Entity& e = w.entities[static_cast<size_t>(i)];
        const Vec2 lo = f.Screen(e.bmin), hi = f.Screen(e.bmax);
        if (f.Affords(lo.x, lo.y, hi.x, hi.y)) DrawEntity(f, e);
    }
}

void DrawHalfSpaces(FrameContext& f) {
    const auto& spaces = f.scene.world.halfSpaces;
    int hovered = HoveredSpace(f, spaces, [](const HalfSpace& h) { return h.v; });
    for (size_t i = 0; i < spaces.size(); ++i) {
        const HalfSpace& h = spaces[i];
        PlaneFill fill = HalfPlaneFill(f.view, h.p, h.v, h.normal);
        if (!fill.visible || !f.Affords(fill.fill)) continue;
        int times = static_cast<int>(i) == hovered ? 2 : 1;
        for (int k = 0; k < times; ++k) {
            f.plat.DrawQuad(ColourImageFor(h.type, h.uid, f.scene.render.rng), fill.fill, 100);
            f.plat.DrawQuad(kHalfSpaceLineImage, fill.band, 255);
        }
    }
}

void DrawWaterSpaces(FrameContext& f) {
    const auto& spaces = f.scene.world.waterSpaces;
    auto along = [](const WaterSpace& s) { return Vec2{-s.normal.y, s.normal.x}; };
    int hovered = HoveredSpace(f, spaces, along);
    for (size_t i = 0; i < spaces.size(); ++i) {
        const WaterSpace& s = spaces[i];
        PlaneFill fill = HalfPlaneFill(f.view, s.p, s.v, s.normal);
        if (!fill.visible || !f.Affords(fill.fill)) continue;
        int times = static_cast<int>(i) == hovered ? 2 : 1;
        for (int k = 0; k < times; ++k)
            f.plat.DrawQuad(ColourImageFor(s.type, s.uid, f.scene.render.rng), fill.fill, 100);
    }
}

void DrawEffects(FrameContext& f) {
    const Effects& fx = f.scene.effects;
    const double scale = f.view.Scale();
    for (const EffectSprite& s : fx.sprites) {
        const int iw = f.plat.ImageWidth(s.image), ih = f.plat.ImageHeight(s.image);
        if (iw == 0 || ih == 0) continue;
        Vec2 p = f.Screen(s.position);
        // Centred by the unscaled size, so a sprite scaled above 1 grows towards the lower right.
        float x = static_cast<float>(p.x - iw * scale / 2);
        float y = static_cast<float>(p.y - ih * scale / 2);
        float w = static_cast<float>(RoundToInt(iw * scale * s.scale));
        float h = static_cast<float>(RoundToInt(ih * scale * s.scale));
        int alpha = std::clamp(12 * s.life, 0, 255);
        f.plat.DrawQuad(s.image, RectQuad(x, y, w, h, static_cast<float>(s.rotation)), alpha);
    }
    const int32_t count = std::clamp(fx.debrisCount, 0, kDebrisSlots - 1);
    for (int32_t i = 1; i <= count; ++i) {
        const DebrisPiece& d = fx.debris[static_cast<size_t>(i)];
        if (f.plat.ImageWidth(d.image) == 0) continue;
        f.plat.DrawQuad(d.image, ZoomedImageQuad(f, d.image, f.Screen(d.position), scale), 255);
    }
}

void DrawMarkers(FrameContext& f) {
    RenderState& rs = f.scene.render;
    if (rs.markerPulse > 360) rs.markerPulse = 0;
    const World& w = f.scene.world;
    for (const Marker& m : w.markers) {
        if (m.entity < 0 || m.entity > w.entityCount) continue;
        const Entity& e = w.entities[static_cast<size_t>(m.entity)];
        if (e.id == 0 || (m.entityId != 0 && e.id != m.entityId)) continue; // the entity is gone
        const int iw = f.plat.ImageWidth(m.image), ih = f.plat.ImageHeight(m.image);
        if (iw == 0 || ih == 0) continue;
        Vec2 s = f.Screen(e.center);
        Vec2 c = MarkerCentre(f.view, s, iw, ih, rs.markerPulse);
        float deg = static_cast<float>(MarkerBearing(c, s) * 180 / kPi);
        f.plat.DrawQuad(m.image,
                        RectQuad(static_cast<float>(c.x - iw / 2.0), static_cast<float>(c.y - ih / 2.0),
                                 static_cast<float>(iw), static_cast<float>(ih), deg),
                        255);
    }
    rs.markerPulse += 1;
}
