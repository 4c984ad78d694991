// The level reader. Every line is split into arguments (a line sets the arguments it has; the others keep
// the text of earlier lines), then tested against the record keywords in their fixed order; the first
// test that succeeds handles the line. What the world cannot hold, or what would make it unsound (ids of
// 0 or less, owners that do not exist, directions of length 0, values that are not finite), is dropped
// and counted instead.
#include <algorithm>
#include <climits>
#include <cmath>

#include "common/random.h"
#include "common/text.h"
#include "level/files.h"
#include "level/id_index.h"
#include "level/level.h"
#include "level/reader.h"
#include "world/builders.h"
#include "world/camera.h"
#include "world/trigger_records.h"

namespace {

constexpr int32_t kMaxLevelId = 1000000000; // larger ids are refused, so the id counters never overflow
constexpr size_t kMaxListRecords = 9999;    // portals, regions, markers
// Every particle meets every half-space and water space in each relaxation pass, and every entity every
// light in each frame's drawing: these lists are kept short, so that no level makes a frame take seconds.
constexpr size_t kMaxSpaceRecords = 100; // half-spaces, and water spaces
constexpr size_t kMaxLightRecords = 500;
constexpr int64_t kTriggerFileBudget = int64_t{64} << 20; // bytes of trigger files read by one load

// Counters of dropped records stop at their largest value rather than wrap, whatever the file's size.
void Count(int32_t& counter) {
    if (counter < INT32_MAX) ++counter;
}

bool Has(std::string_view line, std::string_view keyword) {
    return line.find(keyword) != std::string_view::npos;
}

// Tests 9 to 13, the trigger lines: their keywords anywhere in the lower-cased line (left in `lower`).
LineKind ClassifyTriggerLine(std::string_view line, std::string& lower) {
    lower.assign(line.data(), line.size());
    for (char& c : lower)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (Has(lower, "newtrigger")) return LineKind::NewTrigger;
    if (Has(lower, "triggerconditiontype")) return LineKind::ConditionType;
    if (Has(lower, "event")) return LineKind::Event;
    if (Has(lower, "condition")) return LineKind::Condition;
    if (Has(lower, "action")) return LineKind::Action;
    return LineKind::None;
}

} // namespace

bool IsDeletedLine(std::string_view line) {
    return Has(line, "--DELETE--");
}

namespace {
// The case-sensitive keywords of tests 1 to 8, in test order.
constexpr std::string_view kRecordKeywords[] = {"Entity",     "Particle",  "Constraint", "HalfSpace",
                                                "WaterSpace", "LiquidBox", "Region",     "Light"};
constexpr LineKind kRecordKinds[] = {LineKind::Entity,    LineKind::Particle,   LineKind::Constraint,
                                     LineKind::HalfSpace, LineKind::WaterSpace, LineKind::LiquidBox,
                                     LineKind::Region,    LineKind::Light};
} // namespace

LineKind ClassifyLine(std::string_view line, std::string& lower) {
    for (size_t k = 0; k < std::size(kRecordKeywords); ++k)
        if (Has(line, kRecordKeywords[k])) return kRecordKinds[k];
    LineKind trigger = ClassifyTriggerLine(line, lower);
    if (trigger != LineKind::None) return trigger;
    if (Has(lower, "loadtrigger")) return LineKind::LoadTrigger;
    if (Has(lower, "cam")) return LineKind::Camera;
    if (Has(line, "Marker")) return LineKind::Marker;
    if (Has(line, "Portal")) return LineKind::Portal;
    return LineKind::None;
}

std::string_view TriggerLineText(std::string_view line) {
    size_t open = line.find('(');
    size_t start = open == std::string_view::npos ? 0 : open + 1;
    size_t close = line.find(')');
    if (close == std::string_view::npos || close < start) return {};
    return line.substr(start, close - start + 1);
}

std::string WritableText(std::string_view text, int earlierTests) {
    size_t end = text.find(')');
    for (int k = 0; k < earlierTests && k < static_cast<int>(std::size(kRecordKeywords)); ++k)
        end = std::min(end, text.find(kRecordKeywords[k]));
    return std::string(text.substr(0, end));
}

namespace {

bool Finite(float v) {
    return std::isfinite(v);
}

// A direction of length 0 has no normal. One so short that its six decimals are zeros counts as 0, for it
// would read back as 0 once written.
bool UsableDirection(float x, float y) {
    auto zeroInFile = [](float v) { return ReadFloat(FormatFloat6(v)) == 0; };
    return Finite(x) && Finite(y) && !(zeroInFile(x) && zeroInFile(y));
}

// A position field of a water space: its text read as a number and rounded. Whole numbers are taken as
// they are; other numbers are rounded from single precision.
bool ReadWaterCoordinate(std::string_view text, int32_t& out) {
    double d = ReadDouble(text);
    if (!std::isfinite(d)) return false;
    if (d == std::floor(d))
        out = RoundToInt(d);
    else
        out = RoundToInt(static_cast<float>(d));
    return true;
}

struct PendingMarker {
    int32_t entityId;
    int32_t image;
};

struct PendingLight {
    std::string image;
    int32_t rad;
    int32_t range;
    int32_t ownerId;
};

struct PendingConnection {
    int32_t portal; // index in the portal list
    int32_t connectedId;
};

// Tests 9 to 13, which trigger files share with level files.
void TriggerLine(World& w, LineKind kind, std::string_view line, const LevelArgs& a, LoadReport& report) {
    bool ok = true;
    switch (kind) {
    case LineKind::NewTrigger:
        ok = NewTrigger(w) >= 0;
        break;
    case LineKind::ConditionType:
        if (w.currentTrigger >= 0)
            w.triggers[static_cast<size_t>(w.currentTrigger)].conditionType = WritableText(a[1], 0);
        else
            ok = false;
        break;
    case LineKind::Event:
    case LineKind::Condition:
    case LineKind::Action: {
        // A text must end in its ")": one cut off before it is dropped.
        std::string text(TriggerLineText(line));
        if (text.empty())
            ok = false;
        else if (kind == LineKind::Event)
            ok = AddEvent(w, text);
        else if (kind == LineKind::Condition)
            ok = AddCondition(w, text);
        else
            ok = AddAction(w, text);
        break;
    }
    default:
        break;
    }
    if (!ok) Count(report.dropped);
}

// Whether the text a trigger line keeps, once the writer has written it back in its own line, reads as
// that same kind of line. A trigger file's lines are only tested for the trigger keywords, so one such as
// "Action(showtip(Entity 2 must reach the Region))" would come back from a level file as an entity record.
bool WritesBackAsItself(LineKind kind, std::string_view line, const LevelArgs& a, std::string& lower) {
    std::string written;
    switch (kind) {
    case LineKind::ConditionType:
        written = "triggerconditiontype(" + WritableText(a[1], 0) + ")";
        break;
    case LineKind::Event:
        written = "Event(" + std::string(TriggerLineText(line)) + ")";
        break;
    case LineKind::Condition:
        written = "Condition(" + std::string(TriggerLineText(line)) + ")";
        break;
    case LineKind::Action:
        written = "Action(" + std::string(TriggerLineText(line)) + ")";
        break;
    default:
        return true;
    }
    return ClassifyLine(written, lower) == kind;
}

// Reads the trigger lines of another file; `budget` bounds the bytes all trigger files of one load may
// take, so a level naming a large file many times still loads in bounded time.
void ReadTriggerFile(World& w, const std::string& storedPath, int64_t& budget, LoadReport& report) {
    int fd = OpenRegularFile(NativePath(storedPath));
    if (fd < 0) {
        PostNotice(w, storedPath + "not found", 1000, 255, 0, 0);
        return;
    }
    if (budget <= 0) {
        CloseFile(fd);
        Count(report.dropped);
        return;
    }
    LineReader lines(fd);
    LevelArgs a;
    std::string line, lower;
    bool tooLong = false;
    while (lines.Next(line, tooLong)) {
        if (lines.BytesRead() > budget) {
            Count(report.dropped);
            break;
        }
        if (tooLong) {
            Count(report.dropped);
            continue;
        }
        if (IsDeletedLine(line)) continue;
        SplitArgumentsKeeping(line, a);
        LineKind kind = ClassifyTriggerLine(line, lower);
        if (kind == LineKind::None) continue;
        if (!WritesBackAsItself(kind, line, a, lower)) {
            Count(report.dropped);
            if (report.unwritableTriggerText.empty()) report.unwritableTriggerText = line.substr(0, 80);
            continue;
        }
        TriggerLine(w, kind, line, a, report);
    }
    budget -= lines.BytesRead();
    CloseFile(fd);
}

class Loader {
public:
    Loader(World& w, Camera& cam, Rng& rng) : w_(w), cam_(cam), rng_(rng) {}

    void Begin() {
        ResetWorld(w_);
        entityIndex_.Add(w_.entities[kWorldEntity].id, kWorldEntity);
    }

    void Read(LineReader& lines) {
        std::string line;
        bool tooLong = false;
        while (lines.Next(line, tooLong)) {
            if (tooLong) {
                Count(report_.dropped);
                continue;
            }
            Line(line);
        }
    }

    void Finish() {
        ResolvePortals();
        ResolveMarkers();
        ResolveLights();
        UpdateEntityBounds(w_);
    }

    const LoadReport& Report() const { return report_; }

private:
    void Line(std::string_view line) {
        if (IsDeletedLine(line)) return; // blanked by a delete: not even its arguments count
        SplitArgumentsKeeping(line, a_);
        LineKind kind = ClassifyLine(line, lower_);
        switch (kind) {
        case LineKind::Entity:
            ReadEntity();
            break;
        case LineKind::Particle:
            ReadParticle();
            break;
        case LineKind::Constraint:
            ReadConstraint();
            break;
        case LineKind::HalfSpace:
            ReadHalfSpace();
            break;
        case LineKind::WaterSpace:
            ReadWaterSpace();
            break;
        case LineKind::LiquidBox:
            ReadLiquidBox();
            break;
        case LineKind::Region:
            ReadRegion();
            break;
        case LineKind::Light:
            ReadLight();
            break;
        case LineKind::NewTrigger:
        case LineKind::ConditionType:
        case LineKind::Event:
        case LineKind::Condition:
        case LineKind::Action:
            TriggerLine(w_, kind, line, a_, report_);
            break;
        case LineKind::LoadTrigger:
            LoadTriggers(a_[1]);
            break;
        case LineKind::Camera:
            ReadCamera();
            break;
        case LineKind::Marker:
            ReadMarker();
            break;
        case LineKind::Portal:
            ReadPortal();
            break;
        case LineKind::None:
            break;
        }
    }

    void Drop() { Count(report_.dropped); }

    static bool IdUsable(int32_t id) { return id > 0 && id <= kMaxLevelId; }

    // First entity with this id (slot 0 is the world entity), or -1.
    int32_t EntitySlot(int32_t id) const { return entityIndex_.Get(id, -1); }

    // First particle with this id, or 0. A particle id that names nothing is reported, unless the particle
    // was in the file but could not be loaded (then the record that needs it is dropped quietly).
    int32_t ParticleSlot(int32_t id) {
        int32_t slot = particleIndex_.Get(id, 0);
        if (slot != 0) return slot;
        if (!droppedParticles_.Has(id)) {
            if (report_.missingParticles == 0) report_.firstMissingParticle = id;
            Count(report_.missingParticles);
        }
        return 0;
    }

    void ReadEntity() {
        float m = ReadFloat(a_[1]);
        float f = ReadFloat(a_[2]);
        int32_t id = ReadInt(a_[3]);
        // A negative mass could cancel a positive one in the collision shares.
        int32_t slot = (IdUsable(id) && Finite(m) && Finite(f) && m >= 0) ? NewEntity(w_, m, f) : 0;
        if (slot == 0) return Drop(); // its particles and constraints then find no owner and go too
        Entity& e = w_.entities[static_cast<size_t>(slot)];
        e.id = id;
        if (id >= w_.nextEntityId) w_.nextEntityId = id + 1;
        e.type = WritableText(a_[4], 0);
        entityIndex_.Add(id, slot);
    }

    void ReadParticle() {
        int32_t x = ReadInt(a_[1]);
        int32_t y = ReadInt(a_[2]);
        float ax = ReadFloat(a_[5]);
        float ay = ReadFloat(a_[6]);
        int32_t id = ReadInt(a_[7]);
        int32_t parent = EntitySlot(ReadInt(a_[8]));
        int32_t slot = 0;
        if (IdUsable(id) && Finite(ax) && Finite(ay) && parent >= 0)
            slot = NewParticle(w_, parent, static_cast<float>(x), static_cast<float>(y));
        if (slot == 0) {
            if (!particleIndex_.Has(id)) droppedParticles_.Add(id, 1);
            Drop();
            return;
        }
        Particle& p = w_.particles[static_cast<size_t>(slot)];
        p.p.Set(x, y); // whole numbers beyond single precision stay exact
        p.oldp.Set(ReadInt(a_[3]), ReadInt(a_[4]));
        p.a.Set(ax, ay);
        p.id = id;
        p.type = ReadInt(a_[9]);
        if (id >= w_.nextParticleId) w_.nextParticleId = id + 1;
        particleIndex_.Add(id, slot);
    }

    void ReadConstraint() {
        int32_t id1 = ReadInt(a_[1]);
        int32_t id2 = ReadInt(a_[2]);
        float e = ReadFloat(a_[3]);
        float length = ReadFloat(a_[4]);
        int32_t id = ReadInt(a_[5]);
        if (id1 == id2) { // a particle is never bound to itself
            Drop();
            return;
        }
        int32_t p1 = ParticleSlot(id1);
        int32_t p2 = ParticleSlot(id2);
        int32_t parent = EntitySlot(ReadInt(a_[6]));
        // Stiffness beyond 0..2 or a negative rest length make the relaxation grow without bound.
        bool sound = IdUsable(id) && Finite(e) && e >= 0 && e <= 2 && Finite(length) && length >= 0;
        int32_t slot =
            (p1 != 0 && p2 != 0 && parent >= 0 && sound) ? NewConstraint(w_, parent, p1, p2, e) : 0;
        if (slot == 0) {
            Drop();
            return;
        }
        Constraint& c = w_.constraints[static_cast<size_t>(slot)];
        c.length = length;
        c.id = id;
    }

    bool ListHasRoom(size_t size, size_t limit = kMaxListRecords) {
        if (size < limit) return true;
        Drop();
        return false;
    }

    void ReadHalfSpace() {
        float vx = ReadFloat(a_[3]);
        float vy = ReadFloat(a_[4]);
        if (!UsableDirection(vx, vy)) return Drop();
        if (!ListHasRoom(w_.halfSpaces.size(), kMaxSpaceRecords)) return;
        HalfSpace& h = NewHalfSpace(w_, ReadInt(a_[1]), ReadInt(a_[2]), vx, vy);
        h.type = WritableText(a_[5], 3);
    }

    void ReadWaterSpace() {
        int32_t px = 0, py = 0;
        float vx = ReadFloat(a_[3]);
        float vy = ReadFloat(a_[4]);
        float xf = ReadFloat(a_[5]);
        float ax = ReadFloat(a_[6]);
        float ay = ReadFloat(a_[7]);
        // A drag beyond 0..2 would amplify the velocity it is meant to remove.
        bool sound = ReadWaterCoordinate(a_[1], px) && ReadWaterCoordinate(a_[2], py) &&
                     UsableDirection(vx, vy) && Finite(xf) && xf >= 0 && xf <= 2 && Finite(ax) && Finite(ay);
        if (!sound) return Drop();
        if (!ListHasRoom(w_.waterSpaces.size(), kMaxSpaceRecords)) return;
        WaterSpace& s = NewWaterSpace(w_, px, py, vx, vy, xf);
        s.a.Set(ax, ay);
        s.type = WritableText(a_[8], 4);
    }

    void ReadLiquidBox() {
        int32_t container = EntitySlot(ReadInt(a_[3]));
        if (container < 1) return Drop(); // no such entity, or the world entity, which has no outline
        // One particle beyond what a box holds is enough to tell that some were dropped.
        int32_t count = std::clamp(RoundToInt(ReadFloat(a_[1])), 0, kMaxLiquidParticles + 1);
        int32_t refusedBefore = w_.refusedCreations;
        int32_t slot = NewLiquidBox(w_, rng_, container, ReadInt(a_[2]), count, WritableText(a_[4], 5));
        if (slot == 0 || w_.refusedCreations != refusedBefore) Drop(); // refused, or more than it holds
    }

    void ReadRegion() {
        int32_t id = ReadInt(a_[5]);
        if (!IdUsable(id)) return Drop();
        if (!ListHasRoom(w_.regions.size())) return;
        Region& r = NewRegion(w_, ReadInt(a_[1]), ReadInt(a_[2]), ReadInt(a_[3]), ReadInt(a_[4]));
        r.id = id;
        if (id >= w_.nextRegionId) w_.nextRegionId = id + 1;
        r.type = WritableText(a_[6], 6);
    }

    void ReadLight() {
        int32_t owner = ReadInt(a_[4]);
        if (owner == 0) return Drop(); // only lights carried by an entity are stored
        if (lights_.size() >= kMaxLightRecords) return Drop();
        lights_.push_back({a_[1], ReadInt(a_[2]), ReadInt(a_[3]), owner});
    }

    void LoadTriggers(const std::string& storedPath) {
        ReadTriggerFile(w_, storedPath, triggerBudget_, report_);
    }

    void ReadCamera() {
        cam_.x = ReadInt(a_[1]);
        cam_.y = ReadInt(a_[2]);
        float zoom = ReadFloat(a_[3]);
        if (Finite(zoom))
            cam_.zoom = zoom;
        else
            Drop();
    }

    void ReadMarker() {
        if (markers_.size() >= kMaxListRecords) return Drop();
        markers_.push_back({ReadInt(a_[1]), ReadInt(a_[2])});
    }

    void ReadPortal() {
        int32_t id = ReadInt(a_[5]);
        if (!IdUsable(id)) return Drop();
        if (!ListHasRoom(w_.portals.size())) return;
        Portal& p = NewPortal(w_, ReadInt(a_[1]), ReadInt(a_[2]), ReadInt(a_[3]), ReadInt(a_[4]));
        p.id = id;
        if (id >= w_.nextPortalId) w_.nextPortalId = id + 1;
        connections_.push_back({static_cast<int32_t>(w_.portals.size()) - 1, ReadInt(a_[6])});
    }

    // Connections are made once every portal is known, so a portal may name one written after it.
    void ResolvePortals() {
        IdIndex byId;
        for (size_t i = 0; i < w_.portals.size(); ++i) byId.Add(w_.portals[i].id, static_cast<int32_t>(i));
        for (const PendingConnection& c : connections_) {
            int32_t target = byId.Get(c.connectedId, -1);
            w_.portals[static_cast<size_t>(c.portal)].connected =
                target < 0 ? 0 : w_.portals[static_cast<size_t>(target)].uid;
        }
    }

    // Markers and lights whose entity does not exist are dropped.
    void ResolveMarkers() {
        for (const PendingMarker& m : markers_) {
            int32_t slot = EntitySlot(m.entityId);
            if (slot < 0) {
                Drop();
                continue;
            }
            if (!ListHasRoom(w_.markers.size())) continue;
            Marker mk;
            mk.entity = slot;
            mk.entityId = m.entityId;
            mk.image = m.image;
            mk.uid = w_.NewUid();
            w_.markers.push_back(mk);
        }
    }

    void ResolveLights() {
        for (const PendingLight& l : lights_) {
            int32_t slot = EntitySlot(l.ownerId);
            if (slot < 0) {
                Drop();
                continue;
            }
            if (!ListHasRoom(w_.lights.size(), kMaxLightRecords)) continue;
            // The light follows its owner's centre; the particle is only the fallback AddLight asks for.
            const Entity& e = w_.entities[static_cast<size_t>(slot)];
            int32_t particle = e.particles.empty() ? 1 : e.particles.front();
            AddLight(w_, particle, l.range, l.rad, l.image, 0);
            Light& light = w_.lights.back();
            light.owner = slot;
            light.ownerId = l.ownerId;
        }
    }

    World& w_;
    Camera& cam_;
    Rng& rng_;
    LevelArgs a_;
    std::string lower_;
    LoadReport report_;
    IdIndex entityIndex_;   // id -> first slot with it
    IdIndex particleIndex_; // id -> first slot with it
    IdIndex droppedParticles_;
    std::vector<PendingMarker> markers_;
    std::vector<PendingLight> lights_;
    std::vector<PendingConnection> connections_;
    int64_t triggerBudget_ = kTriggerFileBudget;
};

LoadReport Load(World& w, Camera& cam, Rng& rng, LineReader& lines) {
    Loader loader(w, cam, rng);
    loader.Begin();
    loader.Read(lines);
    loader.Finish();
    return loader.Report();
}

} // namespace

bool ReadLevelFile(World& w, Camera& cam, Rng& rng, const std::string& storedPath, LoadReport* report) {
    int fd = OpenRegularFile(NativePath(storedPath));
    if (fd < 0) return false; // the world stays as it was
    LineReader lines(fd);
    LoadReport r = Load(w, cam, rng, lines);
    CloseFile(fd);
    if (report) *report = r;
    return true;
}

LoadReport ReadLevelText(World& w, Camera& cam, Rng& rng, std::string_view text) {
    LineReader lines(text);
    return Load(w, cam, rng, lines);
}

void LoadTriggerFile(World& w, const std::string& storedPath) {
    int64_t budget = kTriggerFileBudget;
    LoadReport report;
    ReadTriggerFile(w, storedPath, budget, report);
}

bool LevelFileReadable(const std::string& storedPath) {
    int fd = OpenRegularFile(NativePath(storedPath));
    CloseFile(fd);
    return fd >= 0;
}

std::string LoadDoneStatus(const LoadReport& report) {
    if (report.dropped == 0) return "loading done.";
    std::string s = "loading done. " + std::to_string(report.dropped) +
                    (report.dropped == 1 ? " record dropped." : " records dropped.");
    if (!report.unwritableTriggerText.empty())
        s += " Left out, it would read back as a record: " + report.unwritableTriggerText;
    return s;
}
