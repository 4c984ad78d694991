// The event texts of one frame.
#include <cctype>
#include <climits>

#include "platform/platform.h"
#include "triggers/triggers.h"

namespace {

// Strictly inside: a point on the border is outside.
bool Inside(const Region& r, const Vec2& p) {
    return r.minx < p.x && p.x < r.maxx && r.miny < p.y && p.y < r.maxy;
}

std::string RegionEvent(const char* word, const std::string& who, int32_t region) {
    std::string s = word;
    s += '(';
    s += who;
    s += ',';
    s += std::to_string(region);
    s += ')';
    return s;
}

} // namespace

void PostEvent(TriggerEngine& eng, std::string text) {
    eng.events.push_back(std::move(text));
}

void ProcessTriggerEvents(TriggerEngine& eng, World& w, const InputState& in) {
    eng.events.clear();

    // The bodies that can enter or leave, with their centres now and one step ago, once for all regions.
    // Static bodies never enter or leave.
    std::vector<MovingBody>& bodies = eng.bodies;
    bodies.clear();
    for (int32_t i = 1; i <= w.entityCount; ++i) {
        const Entity& e = w.entities[static_cast<size_t>(i)];
        const int n = e.particlecount();
        if (e.m == 0 || n == 0) continue;
        Vec2 before{0, 0};
        for (int32_t slot : e.particles) {
            const Vec2& o = w.particles[static_cast<size_t>(slot)].oldp;
            before.x += o.x / n;
            before.y += o.y / n;
        }
        bodies.push_back({e.center, before, i});
    }

    for (Region& r : w.regions) {
        r.entitycount = 0;
        for (const MovingBody& b : bodies) {
            const bool now = Inside(r, b.now);
            const bool was = Inside(r, b.before);
            if (now && r.entitycount < INT16_MAX) ++r.entitycount;
            if (now == was) continue;
            const Entity& e = w.entities[static_cast<size_t>(b.slot)];
            if (now) {
                PostEvent(eng, RegionEvent("entityentersregion", std::to_string(e.id), r.id));
                PostEvent(eng, RegionEvent("entityentersregion", "Any", r.id));
                PostEvent(eng, RegionEvent("entityentersregion", e.type, r.id));
            } else {
                PostEvent(eng, RegionEvent("entityleavesregion", std::to_string(e.id), r.id));
                PostEvent(eng, RegionEvent("entityleavesregion", "any", r.id));
                PostEvent(eng, RegionEvent("entityleavesregion", e.type, r.id));
            }
        }
    }

    // The keys released in this frame's sample, read and left in place.
    std::string keys;
    for (int scan = 0; scan < kKeyCount; ++scan) {
        if (!in.released[static_cast<size_t>(scan)]) continue;
        char c = ScanCodeChar(scan);
        if (c != 0) keys += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    PostEvent(eng, "keyboardreleased(" + keys + ")");

    if (w.levelTime == 1) PostEvent(eng, "levelstart()");
    PostEvent(eng, "leveltime(" + std::to_string(w.levelTime) + ")");

    for (Timer& t : w.timers) {
        if (t.count < INT32_MAX) ++t.count;
        PostEvent(eng, "timer(" + std::to_string(t.id) + "," + std::to_string(t.count) + ")");
    }
}
