// Deleting one entity: the world is written to "temp.del", the doomed records are blanked in place (ten
// characters from the line's third become "--DELETE--", so the file keeps its length) and the copy is
// read back, which also repacks the tables.

#include "common/text.h"
#include "level/id_index.h"
#include "level/level.h"
#include "level/reader.h"
#include "shell/program.h"

namespace {

constexpr const char* kDeleteFile = "temp.del";
constexpr std::string_view kDeleteMark = "--DELETE--";

void Blank(std::string& text, size_t lineStart, size_t lineLength) {
    if (lineLength <= 2) return;
    size_t n = std::min(kDeleteMark.size(), lineLength - 2);
    text.replace(lineStart + 2, n, kDeleteMark.substr(0, n));
}

} // namespace

bool DeleteEntityByRoundTrip(Program& prog, Platform& plat, int32_t entitySlot) {
    World& w = prog.world;
    if (entitySlot < 1 || entitySlot > w.entityCount) return false;
    int32_t doomedId = w.entities[static_cast<size_t>(entitySlot)].id;
    if (doomedId == 0) return false;

    // The current particles by id, first match first, for the constraint test.
    IdIndex particleById;
    for (int32_t i = 1; i <= w.particleCount; ++i)
        particleById.Add(w.particles[static_cast<size_t>(i)].id, i);
    auto belongs = [&](int32_t particleId) {
        int32_t slot = particleById.Get(particleId, 0);
        return slot != 0 && w.particles[static_cast<size_t>(slot)].parent == entitySlot;
    };

    std::string text = LevelText(w, prog.camera);
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
            doomed = ReadInt(a[3]) == doomedId;
            break;
        case LineKind::Constraint:
            doomed = belongs(ReadInt(a[1])) || belongs(ReadInt(a[2]));
            break;
        case LineKind::Particle:
            doomed = ReadInt(a[8]) == doomedId;
            break;
        case LineKind::LiquidBox:
            doomed = ReadInt(a[3]) == doomedId;
            break;
        default:
            break;
        }
        if (doomed) Blank(text, start, end - start);
        start = end + 2;
    }

    // The working copy is kept on disk as before; the world is rebuilt from the same text even when the
    // copy cannot be written, so a read-only working folder does not cost the user the world.
    WriteFileAtomically(kDeleteFile, text, nullptr, false);
    LoadLevelText(prog, plat, text);
    return true;
}
