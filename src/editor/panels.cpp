// Property panels: small windows of trackbars, colour swatches and a "delete" button that edit an entity,
// a half-space, a region or a water space while it lives.
//
// A knob opens at the exact inverse of its row's write formula, and a row writes to its object only once
// its knob has moved, so merely opening a panel never changes a value, and a value outside the knob's
// range (a mass of 5 from a level file) is kept until the user moves that knob.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>

#include "common/random.h"
#include "editor/editor.h"
#include "editor/names.h"
#include "gui/gui.h"
#include "level/files.h"
#include "platform/platform.h"
#include "shell/catalogue.h"
#include "world/camera.h"
#include "world/world.h"

namespace {

constexpr int kPanelWidth = 170;
constexpr int kFirstRowY = 25;
constexpr int kRowPitch = 45;
constexpr int kTrackbarWidth = 150;
constexpr int kTrackbarHeight = 10;
constexpr int kSwatchSize = 10;
constexpr int kPanelGap = 12; // several panels opened by one click stand side by side

const std::array<const char*, 13> kSwatchColours = {"red",       "orange", "yellow",    "grass", "green",
                                                    "bluegrass", "sky",    "lightblue", "blue",  "black",
                                                    "gray",      "white",  "mudd"};

// A value as short decimal text: up to four decimals, trailing zeros dropped.
std::string Decimal(double v) {
    if (!std::isfinite(v)) return v > 0 ? "+Infinity" : (v < 0 ? "-Infinity" : "NaN");
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.4f", v);
    std::string s = buf;
    while (!s.empty() && s.back() == '0') s.pop_back();
    if (!s.empty() && s.back() == '.') s.pop_back();
    if (s == "-0") s = "0";
    return s;
}

std::string WholeNumber(double v) {
    if (!std::isfinite(v)) return Decimal(v);
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.0f", std::round(v));
    std::string s = buf;
    return s == "-0" ? "0" : s;
}

// ---- The target of a panel -------------------------------------------------------------------------------

Entity* TargetEntity(const EditorScene& sc, const Panel& p) {
    int32_t slot = FindEntityById(sc.world, p.targetId);
    if (slot < 1) return nullptr; // gone (the world entity is never edited)
    return &sc.world.entities[static_cast<size_t>(slot)];
}

HalfSpace* TargetHalfSpace(const EditorScene& sc, const Panel& p) {
    for (HalfSpace& h : sc.world.halfSpaces)
        if (h.uid == p.targetUid) return &h;
    return nullptr;
}

WaterSpace* TargetWaterSpace(const EditorScene& sc, const Panel& p) {
    for (WaterSpace& s : sc.world.waterSpaces)
        if (s.uid == p.targetUid) return &s;
    return nullptr;
}

Region* TargetRegion(const EditorScene& sc, const Panel& p) {
    for (Region& r : sc.world.regions)
        if (r.id == p.targetId) return &r;
    return nullptr;
}

bool TargetExists(const EditorScene& sc, const Panel& p) {
    if (p.kind == "entity") return TargetEntity(sc, p) != nullptr;
    if (p.kind == "halfspace") return TargetHalfSpace(sc, p) != nullptr;
    if (p.kind == "waterspace") return TargetWaterSpace(sc, p) != nullptr;
    if (p.kind == "region") return TargetRegion(sc, p) != nullptr;
    return false;
}

// ---- Rows: the knob a value opens at, the value a knob writes, the label ---------------------------------

const Particle* FirstParticle(const World& w, const Entity& e) {
    if (e.particles.empty()) return nullptr;
    return &w.particles[static_cast<size_t>(e.particles[0])];
}

const Constraint* FirstConstraint(const World& w, const Entity& e) {
    if (e.constraints.empty()) return nullptr;
    return &w.constraints[static_cast<size_t>(e.constraints[0])];
}

double EntityKnob(const World& w, const Entity& e, PanelRowKind kind) {
    switch (kind) {
    case PanelRowKind::Friction:
        return e.f * 12.5;
    case PanelRowKind::Elasticity: {
        const Constraint* c = FirstConstraint(w, e);
        return c ? (static_cast<double>(c->e) - 0.02) * 10000 / 98 : 0;
    }
    case PanelRowKind::Gravity: {
        const Particle* p = FirstParticle(w, e);
        return p ? p->a.y / 0.03 + 50 : 50;
    }
    case PanelRowKind::Mass:
        return (static_cast<double>(e.m) - 0.01) * 10000 / 99;
    default:
        return 0;
    }
}

void WriteEntityRow(World& w, Entity& e, PanelRowKind kind, double v) {
    switch (kind) {
    case PanelRowKind::Friction:
        e.f = static_cast<float>(v / 12.5);
        break;
    case PanelRowKind::Elasticity:
        for (int32_t c : e.constraints)
            w.constraints[static_cast<size_t>(c)].e = static_cast<float>(v / 10000 * 98 + 0.02);
        break;
    case PanelRowKind::Gravity:
        for (int32_t p : e.particles) w.particles[static_cast<size_t>(p)].a.y = (v - 50) * 0.03;
        break;
    case PanelRowKind::Mass:
        e.m = static_cast<float>((v / 100 * 99 + 1) * 0.01);
        break;
    default:
        break;
    }
}

std::string EntityLabel(const World& w, const Entity& e, PanelRowKind kind) {
    switch (kind) {
    case PanelRowKind::Friction:
        return "friction:" + Decimal(e.f);
    case PanelRowKind::Elasticity: {
        const Constraint* c = FirstConstraint(w, e);
        return "elasticity:" + WholeNumber(c ? 100 - static_cast<double>(c->e) * 100 : 0) + "%";
    }
    case PanelRowKind::Gravity: {
        const Particle* p = FirstParticle(w, e);
        return "gravity:" + Decimal(p ? p->a.y : 0);
    }
    case PanelRowKind::Mass:
        return "mass:" + Decimal(static_cast<double>(e.m) * 100) + "%";
    default:
        return "";
    }
}

double WaterKnob(const WaterSpace& s, PanelRowKind kind) {
    return kind == PanelRowKind::WaterFriction ? static_cast<double>(s.xf) * 1000 : s.a.y * -10000;
}

void WriteWaterRow(WaterSpace& s, PanelRowKind kind, double v) {
    if (kind == PanelRowKind::WaterFriction)
        s.xf = static_cast<float>(v * 0.001);
    else
        s.a.y = v * -0.0001;
}

std::string WaterLabel(const WaterSpace& s, PanelRowKind kind) {
    return kind == PanelRowKind::WaterFriction ? "friction:" + Decimal(s.xf) : "gravity:" + Decimal(s.a.y);
}

// ---- Building a panel ------------------------------------------------------------------------------------

struct Layout {
    int rows = 0; // trackbar rows
    bool colour = false;
};

// The window is as tall as its contents: the trackbar rows, the colour row and the "delete" button.
int PanelHeight(const Layout& l) {
    int y = kFirstRowY + kRowPitch * l.rows + (l.colour ? kRowPitch : 0);
    return std::max(40 + kRowPitch * l.rows, y + 20 + 10);
}

int32_t OpenPanelWindow(const EditorScene& sc, const std::string& title, const Layout& l, int x, int y) {
    Gui& gui = sc.gui;
    int h = PanelHeight(l);
    // Keep the whole panel on the screen.
    x = std::clamp(x, 0, std::max(gui.settings.screenWidth - kPanelWidth, 0));
    y = std::clamp(y, 0, std::max(gui.settings.screenHeight - h, 0));
    int32_t id = OpenWindow(gui, x, y, kPanelWidth, h, title, 100);
    if (Window* w = FindWindow(gui, id)) w->fitTitle = true; // the title names what the panel edits
    return id;
}

void AddRow(const EditorScene& sc, Panel& p, PanelRowKind kind, int index, double knob,
            const std::string& label) {
    Gui& gui = sc.gui;
    int y = kFirstRowY + kRowPitch * index;
    PanelRow row;
    row.kind = kind;
    row.label = AddLabel(gui, p.window, 10, y, label);
    row.trackbar = AddTrackbar(gui, p.window, 10, y + 20, kTrackbarWidth, kTrackbarHeight, 0);
    SetTrackbarValue(gui, p.window, row.trackbar, static_cast<float>(knob));
    row.opened = TrackbarValue(gui, p.window, row.trackbar);
    p.rows.push_back(row);
}

void AddColourAndDelete(const EditorScene& sc, Panel& p, const Layout& l) {
    Gui& gui = sc.gui;
    int y = kFirstRowY + kRowPitch * l.rows;
    if (l.colour) {
        AddLabel(gui, p.window, 10, y, "color:");
        Rng pick; // only "random" draws, and no swatch is random
        for (size_t i = 0; i < kSwatchColours.size(); ++i) {
            int x = 10 + static_cast<int>(i) * kSwatchSize;
            int32_t img = AddImage(gui, p.window, x, y + 20, kSwatchSize, kSwatchSize,
                                   ColourImage(kSwatchColours[i], pick), kSwatchColours[i]);
            p.swatches.push_back({img, kSwatchColours[i]});
        }
        y += kRowPitch;
    }
    p.deleteButton = AddButton(gui, p.window, 10, y, 100, 20, "delete", -1);
}

// The place of a list-held object in its list, counted from 1, as text.
template <typename T> std::string Ordinal(const std::vector<T>& list, uint32_t uid) {
    for (size_t i = 0; i < list.size(); ++i)
        if (list[i].uid == uid) return std::to_string(i + 1);
    return "?";
}

Panel& NewPanel(const EditorScene& sc, const std::string& kind) {
    Panel p;
    p.kind = kind;
    sc.editor.panels.push_back(std::move(p));
    return sc.editor.panels.back();
}

} // namespace

int32_t OpenEntityPanel(const EditorScene& sc, int32_t entitySlot, int x, int y) {
    World& w = sc.world;
    if (entitySlot < 1 || entitySlot > w.entityCount) return 0;
    const Entity& e = w.entities[static_cast<size_t>(entitySlot)];
    if (e.id == 0) return 0;

    std::vector<PanelRowKind> kinds = {PanelRowKind::Friction};
    if (!e.constraints.empty()) kinds.push_back(PanelRowKind::Elasticity);
    if (!e.particles.empty()) kinds.push_back(PanelRowKind::Gravity);
    if (e.m != 0) kinds.push_back(PanelRowKind::Mass); // a static entity stays static
    Layout l;
    l.rows = static_cast<int>(kinds.size());
    l.colour = e.type.find("wall") != std::string::npos || e.type.find("quad") != std::string::npos;

    Panel& p = NewPanel(sc, "entity");
    p.targetId = e.id;
    p.window = OpenPanelWindow(sc, KindName(e.type) + " " + std::to_string(e.id), l, x, y);
    for (int i = 0; i < l.rows; ++i) {
        PanelRowKind k = kinds[static_cast<size_t>(i)];
        AddRow(sc, p, k, i, EntityKnob(w, e, k), EntityLabel(w, e, k));
    }
    AddColourAndDelete(sc, p, l);
    return p.window;
}

int32_t OpenHalfSpacePanel(const EditorScene& sc, uint32_t uid, int x, int y) {
    Panel& p = NewPanel(sc, "halfspace");
    p.targetUid = uid;
    Layout l;
    l.colour = true;
    p.window = OpenPanelWindow(sc, "Half-space " + Ordinal(sc.world.halfSpaces, uid), l, x, y);
    AddColourAndDelete(sc, p, l);
    return p.window;
}

int32_t OpenRegionPanel(const EditorScene& sc, int32_t regionId, int x, int y) {
    Panel& p = NewPanel(sc, "region");
    p.targetId = regionId;
    Layout l;
    l.colour = true;
    p.window = OpenPanelWindow(sc, "Region " + std::to_string(regionId), l, x, y);
    AddColourAndDelete(sc, p, l);
    return p.window;
}

int32_t OpenWaterSpacePanel(const EditorScene& sc, uint32_t uid, int x, int y) {
    WaterSpace* s = nullptr;
    for (WaterSpace& ws : sc.world.waterSpaces)
        if (ws.uid == uid) s = &ws;
    if (!s) return 0;
    Panel& p = NewPanel(sc, "waterspace");
    p.targetUid = uid;
    Layout l;
    l.rows = 2;
    l.colour = true;
    p.window = OpenPanelWindow(sc, "Water space " + Ordinal(sc.world.waterSpaces, uid), l, x, y);
    AddRow(sc, p, PanelRowKind::WaterFriction, 0, WaterKnob(*s, PanelRowKind::WaterFriction),
           WaterLabel(*s, PanelRowKind::WaterFriction));
    AddRow(sc, p, PanelRowKind::WaterGravity, 1, WaterKnob(*s, PanelRowKind::WaterGravity),
           WaterLabel(*s, PanelRowKind::WaterGravity));
    AddColourAndDelete(sc, p, l);
    return p.window;
}

int HalfSpaceAt(const EditorScene& sc, Vec2 m) {
    const auto& list = sc.world.halfSpaces;
    for (size_t i = 0; i < list.size(); ++i) {
        const HalfSpace& h = list[i];
        float d = SignedLineDistance(static_cast<float>(h.p.x), static_cast<float>(h.p.y),
                                     static_cast<float>(h.p.x + h.v.x), static_cast<float>(h.p.y + h.v.y),
                                     static_cast<float>(m.x), static_cast<float>(m.y));
        if (d > 0) return static_cast<int>(i);
    }
    return -1;
}

int RegionAt(const EditorScene& sc, Vec2 m) {
    const auto& list = sc.world.regions;
    for (size_t i = 0; i < list.size(); ++i) {
        const Region& r = list[i];
        if (r.minx < m.x && m.x < r.maxx && r.miny < m.y && m.y < r.maxy) return static_cast<int>(i);
    }
    return -1;
}

int WaterSpaceAt(const EditorScene& sc, Vec2 m) {
    const auto& list = sc.world.waterSpaces;
    for (size_t i = 0; i < list.size(); ++i) {
        const WaterSpace& s = list[i];
        float d = SignedLineDistance(
            static_cast<float>(s.p.x), static_cast<float>(s.p.y), static_cast<float>(s.p.x - s.normal.y),
            static_cast<float>(s.p.y + s.normal.x), static_cast<float>(m.x), static_cast<float>(m.y));
        if (d > 0) return static_cast<int>(i);
    }
    return -1;
}

int OpenPanelsAt(const EditorScene& sc, Vec2 m, int x, int y) {
    World& w = sc.world;
    int opened = 0;
    for (int32_t i = 1; i <= w.entityCount; ++i) {
        const Entity& e = w.entities[static_cast<size_t>(i)];
        if (e.id == 0 || e.particles.empty()) continue;
        if (e.bmin.x <= m.x && m.x <= e.bmax.x && e.bmin.y <= m.y && m.y <= e.bmax.y) {
            OpenEntityPanel(sc, i, x + (kPanelWidth + kPanelGap) * opened, y);
            ++opened;
        }
    }
    if (opened > 0) return opened;
    if (int h = HalfSpaceAt(sc, m); h >= 0) {
        OpenHalfSpacePanel(sc, w.halfSpaces[static_cast<size_t>(h)].uid, x, y);
        return 1;
    }
    if (int r = RegionAt(sc, m); r >= 0) {
        OpenRegionPanel(sc, w.regions[static_cast<size_t>(r)].id, x, y);
        return 1;
    }
    if (int s = WaterSpaceAt(sc, m); s >= 0) {
        OpenWaterSpacePanel(sc, w.waterSpaces[static_cast<size_t>(s)].uid, x, y);
        return 1;
    }
    return 0;
}

void CloseAllPanels(const EditorScene& sc, Platform& plat) {
    for (const Panel& p : sc.editor.panels) CloseWindow(sc.gui, plat, p.window);
    sc.editor.panels.clear();
}

namespace {

// What a panel asks for this frame beyond its knobs.
struct PanelClick {
    std::string colour; // a swatch was clicked
    bool remove = false;
};

PanelClick ReadClicks(Gui& gui, const Panel& p) {
    PanelClick c;
    for (const PanelSwatch& s : p.swatches)
        if (ImageState(gui, p.window, s.image) == 3) {
            c.colour = s.colour;
            break;
        }
    c.remove = p.deleteButton != 0 && ButtonState(gui, p.window, p.deleteButton) == 3;
    return c;
}

// Knobs into the object; true when the knob of `row` has been moved since the panel opened.
bool KnobMoved(Gui& gui, const Panel& p, PanelRow& row, float& value) {
    value = TrackbarValue(gui, p.window, row.trackbar);
    if (value != row.opened) row.moved = true;
    return row.moved;
}

// A row writes its value every frame once moved; only a new value is a change the history keeps.
void NoteWrite(Editor& ed, PanelRow& row, float value, const std::string& what) {
    if (row.wroteOnce && row.written == value) return;
    row.wroteOnce = true;
    row.written = value;
    ed.change = "change " + what;
}

void ApplyEntityPanel(const EditorScene& sc, Platform& plat, Panel& p, const PanelClick& click, bool& close) {
    Gui& gui = sc.gui;
    World& w = sc.world;
    Entity* e = TargetEntity(sc, p);
    if (!e) return;
    if (!sc.shell.saving) {
        for (PanelRow& row : p.rows) {
            float v = 0;
            if (!KnobMoved(gui, p, row, v)) continue;
            WriteEntityRow(w, *e, row.kind, v);
            NoteWrite(sc.editor, row, v, KindWord(e->type));
        }
    }
    for (const PanelRow& row : p.rows) SetLabelText(gui, p.window, row.label, EntityLabel(w, *e, row.kind));
    if (!click.colour.empty()) {
        bool wall = e->type.find("wall") != std::string::npos;
        e->type = std::string(wall ? "wall_" : "quad_") + click.colour;
        sc.editor.change = "recolour " + KindWord(e->type);
        if (Window* win = FindWindow(gui, p.window))
            win->title = KindName(e->type) + " " + std::to_string(e->id);
    }
    if (click.remove) {
        DeleteEntity(sc, plat, FindEntityById(w, p.targetId));
        close = true;
    }
}

void ApplyHalfSpacePanel(const EditorScene& sc, Panel& p, const PanelClick& click, bool& close) {
    HalfSpace* h = TargetHalfSpace(sc, p);
    if (!h) return;
    if (!click.colour.empty()) {
        h->type = click.colour;
        sc.editor.change = "recolour half-space";
    }
    if (click.remove) {
        std::erase_if(sc.world.halfSpaces, [&](const HalfSpace& x) { return x.uid == p.targetUid; });
        sc.editor.change = "delete half-space";
        close = true;
    }
}

void ApplyRegionPanel(const EditorScene& sc, Panel& p, const PanelClick& click, bool& close) {
    Region* r = TargetRegion(sc, p);
    if (!r) return;
    if (!click.colour.empty()) {
        r->type = click.colour;
        sc.editor.change = "recolour region";
    }
    if (click.remove) {
        std::erase_if(sc.world.regions, [&](const Region& x) { return x.id == p.targetId; });
        sc.editor.change = "delete region";
        close = true;
    }
}

void ApplyWaterSpacePanel(const EditorScene& sc, Panel& p, const PanelClick& click, bool& close) {
    Gui& gui = sc.gui;
    WaterSpace* s = TargetWaterSpace(sc, p);
    if (!s) return;
    if (!sc.shell.saving) {
        for (PanelRow& row : p.rows) {
            float v = 0;
            if (!KnobMoved(gui, p, row, v)) continue;
            WriteWaterRow(*s, row.kind, v);
            NoteWrite(sc.editor, row, v, "water space");
        }
    }
    for (const PanelRow& row : p.rows) SetLabelText(gui, p.window, row.label, WaterLabel(*s, row.kind));
    if (!click.colour.empty()) {
        s->type = click.colour;
        sc.editor.change = "recolour water space";
    }
    if (click.remove) {
        std::erase_if(sc.world.waterSpaces, [&](const WaterSpace& x) { return x.uid == p.targetUid; });
        sc.editor.change = "delete water space";
        close = true;
    }
}

} // namespace

void ApplyPanels(const EditorScene& sc, Platform& plat) {
    Editor& ed = sc.editor;
    Gui& gui = sc.gui;
    if (ed.worldResetsSeen != sc.world.resets) {
        // A new world (a level loaded, a restart): Home brings the camera back to where it was stored.
        ed.home = {sc.camera.x, sc.camera.y};
        CloseAllPanels(sc, plat);
        ed.worldResetsSeen = sc.world.resets;
    }
    // By index: a delete rebuilds the world but leaves this list alone (its panels only change targets).
    for (size_t i = 0; i < ed.panels.size();) {
        Panel& p = ed.panels[i];
        const Window* win = FindWindow(gui, p.window);
        bool close = win == nullptr || win->closeState == 4 || !TargetExists(sc, p);
        if (!close) {
            PanelClick click = ReadClicks(gui, p);
            // A colour or a delete waits for a running save to end: nothing changes the world meanwhile.
            if ((!click.colour.empty() || click.remove) && sc.shell.saving)
                sc.host.waitForSave(sc.host.program);
            if (p.kind == "entity")
                ApplyEntityPanel(sc, plat, ed.panels[i], click, close);
            else if (p.kind == "halfspace")
                ApplyHalfSpacePanel(sc, ed.panels[i], click, close);
            else if (p.kind == "region")
                ApplyRegionPanel(sc, ed.panels[i], click, close);
            else if (p.kind == "waterspace")
                ApplyWaterSpacePanel(sc, ed.panels[i], click, close);
        }
        if (close) {
            CloseWindow(gui, plat, ed.panels[i].window);
            ed.panels.erase(ed.panels.begin() + static_cast<std::ptrdiff_t>(i));
        } else {
            ++i;
        }
    }
}
