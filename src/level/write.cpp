// The level writer: sections in their fixed order, each after an empty line and its header line (the
// liquid boxes follow the water spaces directly), every line ending in CR LF.
#include <algorithm>
#include <cfloat>
#include <charconv>
#include <cmath>
#include <unordered_map>

#include "common/text.h"
#include "level/files.h"
#include "level/level.h"
#include "world/camera.h"
#include "world/world.h"

namespace {

class LevelWriter {
public:
    explicit LevelWriter(std::string& out) : out_(out) {}

    void Header(const char* header) {
        out_ += "\r\n";
        out_ += header;
        out_ += "\r\n";
    }
    void Open(const char* keyword) {
        out_ += keyword;
        first_ = true;
    }
    void Int(int64_t v) {
        Separator();
        char buf[24];
        auto res = std::to_chars(buf, buf + sizeof buf, v);
        out_.append(buf, res.ptr);
    }
    // A double kept as an integer in the file: rounded, halves to even, within the range the reader reads.
    void Rounded(double v) { Int(RoundToInt(v)); }
    // Single precision, six decimals (as "%.6f" gives them). The reader refuses infinities, so a value
    // beyond single precision's range is written as the largest finite one of its sign, which reads back
    // as itself: every file the writer writes loads again. NaN is written as 0.
    void Float(double v) {
        Separator();
        if (std::isnan(v)) {
            out_ += FormatFloat6(0.0f);
            return;
        }
        // printf's "%.6f" is exact decimal conversion, rounded to nearest: the same bytes as to_chars in
        // fixed form with six decimals would give (no single-precision value lies halfway between two
        // six-decimal numbers), and it exists in every C library the program is built with.
        out_ += FormatFloat6(static_cast<float>(std::clamp(v, -double{FLT_MAX}, double{FLT_MAX})));
    }
    // Texts are written as stored; a line break inside one would start a new record, so it becomes a blank.
    void Text(const std::string& s) {
        Separator();
        size_t start = out_.size();
        out_ += s;
        for (size_t i = start; i < out_.size(); ++i)
            if (out_[i] == '\r' || out_[i] == '\n') out_[i] = ' ';
    }
    void Close() { out_ += ")\r\n"; }
    void Line(const std::string& keyword, const std::string& text) {
        Open(keyword.c_str());
        Text(text);
        Close();
    }

private:
    void Separator() {
        if (!first_) out_ += ',';
        first_ = false;
    }
    std::string& out_;
    bool first_ = true;
};

bool EntityLive(const World& w, int32_t slot, int32_t id) {
    return slot >= 0 && slot <= w.entityCount && w.entities[static_cast<size_t>(slot)].id == id;
}

int32_t EntityIdOf(const World& w, int32_t slot) {
    if (slot < 0 || slot > w.entityCount) return 0;
    return w.entities[static_cast<size_t>(slot)].id;
}

int32_t ParticleIdOf(const World& w, int32_t slot) {
    if (slot <= 0 || slot > w.particleCount) return 0;
    return w.particles[static_cast<size_t>(slot)].id;
}

} // namespace

std::string LevelText(const World& w, const Camera& cam) {
    std::string out;
    out.reserve(static_cast<size_t>(w.particleCount + w.constraintCount + w.entityCount) * 64 + 4096);
    LevelWriter lw(out);

    lw.Header(R"(ENTITY(e\m,e\f,e\id,e\type))");
    for (int32_t i = 1; i <= w.entityCount; ++i) {
        const Entity& e = w.entities[static_cast<size_t>(i)];
        lw.Open("Entity(");
        lw.Float(e.m);
        lw.Float(e.f);
        lw.Int(e.id);
        lw.Text(e.type);
        lw.Close();
    }

    lw.Header(R"(PARTICLE(p\p\x,p\p\y,p\oldp\x.p\oldp\y,p\a\x,p\a\y,p\id,p\parent\id,p\type))");
    for (int32_t i = 1; i <= w.particleCount; ++i) {
        const Particle& p = w.particles[static_cast<size_t>(i)];
        lw.Open("Particle(");
        lw.Rounded(p.p.x);
        lw.Rounded(p.p.y);
        lw.Rounded(p.oldp.x);
        lw.Rounded(p.oldp.y);
        lw.Float(p.a.x);
        lw.Float(p.a.y);
        lw.Int(p.id);
        lw.Int(EntityIdOf(w, p.parent));
        lw.Int(p.type);
        lw.Close();
    }

    lw.Header(R"(CONSTRAINT(c\p1\id,c\p2\id,c\e,c\length,c\id,c\parent\id))");
    for (int32_t i = 1; i <= w.constraintCount; ++i) {
        const Constraint& c = w.constraints[static_cast<size_t>(i)];
        lw.Open("Constraint(");
        lw.Int(ParticleIdOf(w, c.p1));
        lw.Int(ParticleIdOf(w, c.p2));
        lw.Float(c.e);
        lw.Float(c.length);
        lw.Int(c.id);
        lw.Int(EntityIdOf(w, c.parent));
        lw.Close();
    }

    lw.Header(R"(HALFSPACE(h\p\x,h\p\y,h\v\x,h\v\y,type.s))");
    for (const HalfSpace& h : w.halfSpaces) {
        lw.Open("HalfSpace(");
        lw.Rounded(h.p.x);
        lw.Rounded(h.p.y);
        lw.Float(h.v.x);
        lw.Float(h.v.y);
        lw.Text(h.type);
        lw.Close();
    }

    lw.Header(R"(WATERSPACE(w\p\x,w\p\y,w\v\x,w\v\y,w\a\x,w\a\y,w\xf.f,type.s))");
    for (const WaterSpace& s : w.waterSpaces) {
        lw.Open("WaterSpace(");
        lw.Rounded(s.p.x);
        lw.Rounded(s.p.y);
        lw.Float(s.v.x);
        lw.Float(s.v.y);
        lw.Float(s.xf);
        lw.Float(s.a.x);
        lw.Float(s.a.y);
        lw.Text(s.type);
        lw.Close();
    }

    for (int32_t i = 1; i <= w.liquidBoxCount; ++i) {
        const LiquidBox& b = w.liquidBoxes[static_cast<size_t>(i)];
        lw.Open("LiquidBox(");
        lw.Int(static_cast<int64_t>(b.particles.size()));
        lw.Float(b.radius);
        lw.Int(EntityIdOf(w, b.container));
        lw.Text(b.particles.empty() ? std::string() : b.particles.front().type);
        lw.Close();
    }

    lw.Header(R"(LIGHTS(l\image,l\rad,l\range,l\parent\id))");
    for (const Light& l : w.lights) {
        if (!EntityLive(w, l.owner, l.ownerId)) continue; // only lights carried by an entity are kept
        lw.Open("Light(");
        lw.Int(l.image);
        lw.Rounded(l.rad);
        lw.Rounded(l.range);
        lw.Int(l.ownerId);
        lw.Close();
    }

    lw.Header(R"(MARKER(entity\id,image))");
    for (const Marker& m : w.markers) {
        if (!EntityLive(w, m.entity, m.entityId)) continue; // its entity is gone
        lw.Open("Marker(");
        lw.Int(m.entityId);
        lw.Int(m.image);
        lw.Close();
    }

    lw.Header("PORTALS(x1,y1,x2,y2,id,connectedportalid)");
    std::unordered_map<uint32_t, int32_t> portalIdByUid;
    portalIdByUid.reserve(w.portals.size());
    for (const Portal& p : w.portals) portalIdByUid.emplace(p.uid, p.id);
    for (const Portal& p : w.portals) {
        lw.Open("Portal(");
        lw.Rounded(p.x1);
        lw.Rounded(p.y1);
        lw.Rounded(p.x2);
        lw.Rounded(p.y2);
        lw.Int(p.id);
        auto it = p.connected != 0 ? portalIdByUid.find(p.connected) : portalIdByUid.end();
        lw.Int(it != portalIdByUid.end() ? it->second : 0); // 0: not connected
        lw.Close();
    }

    lw.Header("--REGIONS(minx,miny,maxx,maxy,id,type)--");
    for (const Region& r : w.regions) {
        lw.Open("Region(");
        lw.Int(r.minx);
        lw.Int(r.miny);
        lw.Int(r.maxx);
        lw.Int(r.maxy);
        lw.Int(r.id);
        lw.Text(r.type);
        lw.Close();
    }

    lw.Header("--TRIGGERS--");
    for (const Trigger& t : w.triggers) {
        out += "\r\nNewTrigger\r\n";
        if (t.conditionType != "or") lw.Line("triggerconditiontype(", t.conditionType);
        for (size_t i = 1; i < t.events.size() && !t.events[i].empty(); ++i) lw.Line("Event(", t.events[i]);
        for (size_t i = 1; i < t.conditions.size() && !t.conditions[i].empty(); ++i)
            lw.Line("Condition(", t.conditions[i]);
        for (size_t i = 1; i < t.actions.size() && !t.actions[i].empty(); ++i)
            lw.Line("Action(", t.actions[i]);
    }

    lw.Header("--CAMERA--");
    lw.Open("Cam(");
    lw.Rounded(cam.x);
    lw.Rounded(cam.y);
    lw.Float(cam.zoom);
    lw.Close();
    return out;
}

bool WriteFileAtomically(const std::string& storedPath, std::string_view contents, std::string* why,
                         bool durable) {
    AtomicFile f;
    if (BeginAtomicFile(f, storedPath) && AppendAtomicFile(f, contents) && CommitAtomicFile(f, durable))
        return true;
    if (why) *why = f.error;
    return false;
}

bool WriteLevel(const World& w, const Camera& cam, const std::string& storedPath, std::string* why) {
    return WriteFileAtomically(storedPath, LevelText(w, cam), why);
}
