// Lights: the glow at each source and the light quads cast past nearby solid objects.
#include <algorithm>

#include "platform/image_numbers.h"
#include "render/passes.h"
#include "render/render.h"
#include "render/shapes.h"

namespace {
constexpr int kGlowImage = kLightBase + 4;
} // namespace

void DrawLights(FrameContext& f) {
    const World& w = f.scene.world;
    Platform& plat = f.plat;
    const double scale = f.view.Scale();
    const int32_t count = std::clamp(w.entityCount, 0, kMaxRecords);
    plat.SetBlend(BlendMode::Add);
    for (const Light& light : w.lights) {
        const Vec2 source = LightPosition(w, light);
        const Vec2 s = f.Screen(source);
        // The glow sits 10 * scale pixels below the source.
        const float glow = static_cast<float>(RoundToInt(100 * scale));
        const Quad glowQuad =
            RectQuad(static_cast<float>(s.x - 50 * scale), static_cast<float>(s.y - 40 * scale), glow, glow);
        if (f.Affords(glowQuad)) plat.DrawQuad(kGlowImage, glowQuad, 255);
        const bool owned = light.owner >= 0 && light.ownerId != 0;
        for (int32_t i = 1; i <= count; ++i) {
            const Entity& e = w.entities[static_cast<size_t>(i)];
            if (owned && e.id == light.ownerId) continue; // the carrier casts no quad of its own
            Vec2 away = e.center - source;                // the range test first: it rejects most
            if (!(away.Dot(away) < light.range * light.range)) continue;
            std::array<Vec2, 4> c; // A', A, B, B'
            if (!CastsLight(e.type) || !LightQuadCorners(w, e, source, light.range, c)) continue;
            Vec2 a1 = f.Screen(c[0]), a = f.Screen(c[1]), b = f.Screen(c[2]), b1 = f.Screen(c[3]);
            Quad q;
            q.x = {static_cast<float>(a1.x), static_cast<float>(a.x), static_cast<float>(b.x),
                   static_cast<float>(b1.x)};
            q.y = {static_cast<float>(a1.y), static_cast<float>(a.y), static_cast<float>(b.y),
                   static_cast<float>(b1.y)};
            // The second quad runs the corners backwards (B', B, A, A'): the opposite winding, with the
            // image's far edge still at the far end, so the light always fades away from the object.
            Quad reversed;
            reversed.x = {q.x[3], q.x[2], q.x[1], q.x[0]};
            reversed.y = {q.y[3], q.y[2], q.y[1], q.y[0]};
            // Only the one running clockwise on the screen shows.
            if (!f.Affords(q)) break; // the frame's fill is spent: no further light quads
            plat.DrawQuad(light.image, q, 100, true);
            plat.DrawQuad(light.image, reversed, 100, true);
        }
    }
    plat.SetBlend(BlendMode::Alpha);
}
