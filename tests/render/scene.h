// Small world builders for the rendering tests: bodies made directly from particles and constraints.
#pragma once

#include <initializer_list>
#include <memory>
#include <string>

#include "platform/test_platform.h"
#include "render/render.h"
#include "shell/program.h"

// An entity of the given type whose particles sit at the given points, in order.
inline int32_t Body(World& w, const std::string& type, std::initializer_list<Vec2> points, float mass = 1) {
    int32_t e = NewEntity(w, mass, 1);
    for (const Vec2& p : points) NewParticle(w, e, static_cast<float>(p.x), static_cast<float>(p.y));
    w.entities[static_cast<size_t>(e)].type = type;
    return e;
}

// A box with corners (x1, y1), (x2, y1), (x2, y2), (x1, y2) and its four edges.
inline int32_t BoxBody(World& w, const std::string& type, double x1, double y1, double x2, double y2) {
    int32_t e = Body(w, type, {{x1, y1}, {x2, y1}, {x2, y2}, {x1, y2}});
    const auto& p = w.entities[static_cast<size_t>(e)].particles;
    NewConstraint(w, e, p[3], p[2], 1);
    NewConstraint(w, e, p[2], p[1], 1);
    NewConstraint(w, e, p[1], p[0], 1);
    NewConstraint(w, e, p[0], p[3], 1);
    return e;
}

struct RenderFixture {
    std::unique_ptr<Program> prog = std::make_unique<Program>();
    TestPlatform plat;

    RenderFixture() { ResetWorld(prog->world); }

    const std::vector<DrawCall>& Draw() {
        UpdateEntityBounds(prog->world);
        DrawFrame(*prog, plat);
        return plat.lastFrame;
    }
    std::vector<DrawCall> QuadsOf(int image) const {
        std::vector<DrawCall> out;
        for (const auto& c : plat.lastFrame)
            if (c.kind == DrawCall::Kind::Quad && c.image == image) out.push_back(c);
        return out;
    }
    const DrawCall* TextCall(const std::string& text) const {
        for (const auto& c : plat.lastFrame)
            if (c.kind == DrawCall::Kind::Text && c.text == text) return &c;
        return nullptr;
    }
};

// Corner i of a recorded quad.
inline Vec2 Corner(const DrawCall& c, int i) {
    return {c.quad.x[static_cast<size_t>(i)], c.quad.y[static_cast<size_t>(i)]};
}
