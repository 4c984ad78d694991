// The text surgery of deleting: an entity's records are blanked in place in the world's level text (ten
// characters from the line's third become "--DELETE--", so each line keeps its length), and a free
// particle's lines are dropped. Reading the edited text back rebuilds the world without them, repacked.

#include <unordered_set>
#include <vector>

#include "common/text.h"
#include "level/id_index.h"
#include "level/level.h"
#include "level/reader.h"
#include "world/world.h"

namespace {

constexpr std::string_view kDeleteMark = "--DELETE--";

void Blank(std::string& text, size_t lineStart, size_t lineLength) {
    if (lineLength <= 2) return;
    size_t n = std::min(kDeleteMark.size(), lineLength - 2);
    text.replace(lineStart + 2, n, kDeleteMark.substr(0, n));
}

bool StartsWith(std::string_view s, std::string_view prefix) {
    return s.substr(0, prefix.size()) == prefix;
}

} // namespace

std::string BlankEntityLines(const World& w, std::string text, int32_t entitySlot) {
    return BlankEntitiesLines(w, std::move(text), {entitySlot});
}

std::string BlankEntitiesLines(const World& w, std::string text, const std::vector<int32_t>& entitySlots) {
    std::vector<char> doomedSlot(static_cast<size_t>(kTableSlots), 0);
    std::unordered_set<int32_t> doomedIds;
    for (int32_t slot : entitySlots) {
        if (slot < 1 || slot > w.entityCount || w.entities[static_cast<size_t>(slot)].id == 0) continue;
        doomedSlot[static_cast<size_t>(slot)] = 1;
        doomedIds.insert(w.entities[static_cast<size_t>(slot)].id);
    }
    if (doomedIds.empty()) return text;
    auto doomedId = [&](int32_t id) { return doomedIds.count(id) != 0; };

    // The current particles by id, first match first, for the constraint test.
    IdIndex particleById;
    for (int32_t i = 1; i <= w.particleCount; ++i)
        particleById.Add(w.particles[static_cast<size_t>(i)].id, i);
    auto belongs = [&](int32_t particleId) {
        int32_t slot = particleById.Get(particleId, 0);
        return slot != 0 &&
               doomedSlot[static_cast<size_t>(w.particles[static_cast<size_t>(slot)].parent)] != 0;
    };

    LevelArgs a;
    std::string lower;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find("\r\n", start);
        if (end == std::string::npos) end = text.size();
        std::string_view line(text.data() + start, end - start);
        if (IsDeletedLine(line)) {
            start = end + 2;
            continue;
        }
        SplitArgumentsKeeping(line, a);
        bool doomed = false;
        switch (ClassifyLine(line, lower)) {
        case LineKind::Entity:
            doomed = doomedId(ReadInt(a[3]));
            break;
        case LineKind::Constraint:
            doomed = belongs(ReadInt(a[1])) || belongs(ReadInt(a[2]));
            break;
        case LineKind::Particle:
            doomed = doomedId(ReadInt(a[8]));
            break;
        case LineKind::LiquidBox:
            doomed = doomedId(ReadInt(a[3]));
            break;
        default:
            break;
        }
        if (doomed) Blank(text, start, end - start);
        start = end + 2;
    }
    return text;
}

std::string DropFreeParticleLines(std::string_view text, int32_t particleId) {
    std::string kept;
    kept.reserve(text.size());
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find("\r\n", start);
        size_t next = end == std::string::npos ? text.size() : end + 2;
        std::string_view line(text.data() + start, next - start);
        bool drop = false;
        if (StartsWith(line, "Particle(")) {
            ParsedCommand c = ParseCommand(line.substr(0, line.find('\r')));
            drop = ReadInt(c.args[7]) == particleId && ReadInt(c.args[8]) == 1;
        } else if (StartsWith(line, "Constraint(")) {
            ParsedCommand c = ParseCommand(line.substr(0, line.find('\r')));
            drop = ReadInt(c.args[1]) == particleId || ReadInt(c.args[2]) == particleId;
        }
        if (!drop) kept.append(line);
        start = next;
    }
    return kept;
}
