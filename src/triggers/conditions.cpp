// The conditions of a trigger.
#include "common/text.h"
#include "effects/effects.h"
#include "triggers/records.h"
#include "triggers/triggers.h"

namespace {

// The entity a particle slot belongs to, or nullptr for a slot that holds no particle.
const Entity* OwnerOf(const World& w, int32_t particle) {
    if (particle <= 0 || particle >= kTableSlots) return nullptr;
    const Particle& p = w.particles[static_cast<size_t>(particle)];
    if (p.id == 0 || p.parent < 0 || p.parent >= kTableSlots) return nullptr;
    return &w.entities[static_cast<size_t>(p.parent)];
}

// A contact of this frame (not a half-space contact) between a body matching `a` and one matching `b`,
// the vertex on one and the touched side on the other, in either order.
template <typename MatchA, typename MatchB> bool Touching(const World& w, MatchA a, MatchB b) {
    for (int32_t k = 1; k <= w.contactCount; ++k) {
        const Contact& c = w.contacts[static_cast<size_t>(k)];
        if (c.kind == 2) continue;
        const Entity* v = OwnerOf(w, c.vertex);
        const Entity* s = OwnerOf(w, c.edge1);
        if (v == nullptr || s == nullptr) continue;
        if ((a(*v) && b(*s)) || (b(*v) && a(*s))) return true;
    }
    return false;
}

bool Holds(World& w, const Effects& fx, const std::string& word, const ParsedCommand& c) {
    const auto& a = c.args;
    if (word == "varvalue") {
        const Variable* v = FindVariable(w, a[1]);
        return v != nullptr && v->value == a[2];
    }
    if (word == "collision") {
        const int32_t id1 = ReadInt(a[1]), id2 = ReadInt(a[2]);
        return Touching(
            w, [id1](const Entity& e) { return e.id == id1; },
            [id2](const Entity& e) { return e.id == id2; });
    }
    if (word == "collisiontype") {
        const std::string& t1 = a[1];
        const std::string& t2 = a[2];
        return Touching(
            w, [&t1](const Entity& e) { return e.type == t1; },
            [&t2](const Entity& e) { return e.type == t2; });
    }
    if (word == "rectsoverlap") {
        double v[9];
        for (int i = 1; i <= 8; ++i) v[i] = ReadInt(a[static_cast<size_t>(i)]);
        return BoxesOverlap(v[1], v[2], v[3], v[4], v[5], v[6], v[7], v[8]);
    }
    if (word == "entityhasbuff") return EntityHasBuff(fx, w, ReadInt(a[1]), a[2]);
    if (word == "entitydoesnthavebuff") return !EntityHasBuff(fx, w, ReadInt(a[1]), a[2]);
    PostNotice(w, "unknown condition : " + word, 1000, 255, 0, 0);
    return false;
}

} // namespace

int EvaluateConditions(World& w, const Effects& fx) {
    if (w.currentTrigger < 0 || w.currentTrigger >= static_cast<int32_t>(w.triggers.size())) return 0;
    const Trigger& t = w.triggers[static_cast<size_t>(w.currentTrigger)];
    int count = 0;
    for (size_t slot = 1; slot < t.conditions.size(); ++slot) {
        if (t.conditions[slot].empty()) continue;
        ParsedCommand c = ParseCommand(t.conditions[slot]);
        std::string word = ToLower(c.word);
        if (word.empty()) continue; // a text without a word asks nothing
        if (Holds(w, fx, word, c)) ++count;
    }
    return count;
}
