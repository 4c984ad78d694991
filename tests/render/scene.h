// Worlds for the rendering tests, built directly from particles, and a recording of their frame.
#pragma once

#include <algorithm>
#include <initializer_list>
#include <memory>
#include <string>

#include "platform/test_platform.h"
#include "render/render.h"
#include "shell/program.h"

struct RenderFixture {
    std::unique_ptr<Program> prog = std::make_unique<Program>();
    TestPlatform plat;
    World& w = prog->world;

    RenderFixture() {
        ResetWorld(w);
        LoadAllImages(prog->images, plat, 1280, 1024); // no files: the catalogue's names and numbers only
        for (int image : {2, kLightBase + 4, kEffectBase, kEffectBase + 3, kEffectBase + 17})
            plat.SetImageSize(image, 32, 32);
    }
    // An entity of `type` with particles at `points`, in order.
    int32_t Body(const std::string& type, std::initializer_list<Vec2> points) {
        int32_t e = NewEntity(w, 1, 1);
        for (const Vec2& p : points) NewParticle(w, e, static_cast<float>(p.x), static_cast<float>(p.y));
        w.entities[static_cast<size_t>(e)].type = type;
        return e;
    }
    int32_t Box(const std::string& type, double x1, double y1, double x2, double y2) {
        return Body(type, {{x1, y1}, {x2, y1}, {x2, y2}, {x1, y2}});
    }
    const std::vector<DrawCall>& Draw() {
        UpdateEntityBounds(w);
        DrawProgramFrame(*prog, plat);
        return plat.lastFrame;
    }
    std::vector<DrawCall> Calls(DrawCall::Kind kind, int image = -1, uint32_t rgb = 1) const {
        std::vector<DrawCall> out;
        for (const auto& c : plat.lastFrame)
            if (c.kind == kind && (image < 0 || c.image == image) && (rgb == 1 || c.rgb == rgb))
                out.push_back(c);
        return out;
    }
    std::vector<DrawCall> QuadsOf(int image) const { return Calls(DrawCall::Kind::Quad, image); }
    std::vector<int> QuadImages() const {
        std::vector<int> out;
        for (const auto& c : Calls(DrawCall::Kind::Quad)) out.push_back(c.image);
        return out;
    }
    // Index of the first quad of `image` in the frame, or -1.
    int FirstQuad(int image) const {
        const auto& f = plat.lastFrame;
        auto it = std::find_if(f.begin(), f.end(), [&](const DrawCall& c) {
            return c.kind == DrawCall::Kind::Quad && c.image == image;
        });
        return it == f.end() ? -1 : static_cast<int>(it - f.begin());
    }
    const DrawCall* Text(const std::string& text) const {
        for (const auto& c : plat.lastFrame)
            if (c.kind == DrawCall::Kind::Text && c.text == text) return &c;
        return nullptr;
    }
};

inline Quad QuadOf(const std::array<Vec2, 4>& c) {
    Quad q;
    for (size_t i = 0; i < 4; ++i) q.x[i] = static_cast<float>(c[i].x), q.y[i] = static_cast<float>(c[i].y);
    return q;
}

inline void ExpectCorners(const Quad& q, std::initializer_list<Vec2> corners, double tol = 1e-3) {
    size_t i = 0;
    for (const Vec2& c : corners) {
        EXPECT_NEAR(q.x[i], c.x, tol) << "corner " << i + 1;
        EXPECT_NEAR(q.y[i], c.y, tol) << "corner " << i + 1;
        ++i;
    }
}
