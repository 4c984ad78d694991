// The actions of a trigger, the explosion and the info windows.
#include <algorithm>
#include <cmath>

#include "common/random.h"
#include "common/text.h"
#include "effects/effects.h"
#include "gui/gui.h"
#include "triggers/records.h"
#include "triggers/triggers.h"

namespace {

constexpr int kNoticeTime = 1000;

void Warn(World& w, const std::string& text) {
    PostNotice(w, text, kNoticeTime, 255, 0, 0);
}

// Bodies are entities 1..count; the world entity (slot 0) is no body that an action could name.
int32_t EntitySlotById(const World& w, int32_t id) {
    for (int32_t i = 1; i <= w.entityCount; ++i)
        if (w.entities[static_cast<size_t>(i)].id == id) return i;
    return 0;
}

int32_t TriggerIndexById(const World& w, int16_t id) {
    for (size_t i = 0; i < w.triggers.size(); ++i)
        if (w.triggers[i].id == id) return static_cast<int32_t>(i);
    return -1;
}

// A buff never starts with an amount below 0: -1 would burn until its body is gone.
int32_t BuffAmount(int64_t amount) {
    return static_cast<int32_t>(std::clamp<int64_t>(amount, 0, INT32_MAX));
}

void Fire(World& w, Effects& fx, Rng& rng, int32_t entitySlot, int64_t amount) {
    StartBuff(fx, w, rng, "fire", EntityAnchor(w, entitySlot), BuffAmount(amount));
}

void MoveEntityToRegions(World& w, int32_t entityId, int32_t regionId) {
    const int32_t slot = EntitySlotById(w, entityId);
    if (slot == 0) return;
    Entity& e = w.entities[static_cast<size_t>(slot)];
    for (const Region& r : w.regions) {
        if (r.id != regionId) continue;
        const Vec2 target{(static_cast<double>(r.minx) + r.maxx) / 2,
                          (static_cast<double>(r.miny) + r.maxy) / 2};
        const Vec2 shift = target - e.center;
        for (int32_t p : e.particles) {
            w.particles[static_cast<size_t>(p)].p += shift;
            w.particles[static_cast<size_t>(p)].oldp += shift;
        }
        e.center += shift;
        e.bmin += shift;
        e.bmax += shift;
    }
}

void Boost(World& w, int32_t entityId, double amount) {
    if (!std::isfinite(amount)) return;
    for (int32_t i = 1; i <= w.entityCount; ++i) {
        Entity& e = w.entities[static_cast<size_t>(i)];
        if (e.id != entityId) continue;
        for (int32_t slot : e.particles) {
            Particle& p = w.particles[static_cast<size_t>(slot)];
            Vec2 d = p.p - p.oldp;
            const double length = d.Length();
            if (length == 0) continue; // at rest: no direction to push along
            p.p += d * (amount / length);
        }
    }
}

void SetAbility(World& w, const std::string& word, const std::string& arg, const char* ability, bool grab) {
    const int32_t v = ReadInt(arg);
    if (v != 0 && v != 1) {
        Warn(w, word + "(1/0) -> parameter has to be 1 or 0");
        return;
    }
    for (PlayerDescriptor& d : w.playerDescriptors)
        (grab ? d.grabDisabled : d.shockDisabled) = static_cast<uint8_t>(v);
    PostNotice(w, std::string("ability ") + ability + (v == 1 ? " disabled!" : " enabled!"), kNoticeTime, 0,
               150, 250);
}

void ConnectPortal(World& w, int32_t fromId, int32_t toId) {
    Portal* from = FindPortalById(w, fromId);
    if (from == nullptr) return;
    const Portal* to = FindPortalById(w, toId);
    from->connected = to != nullptr ? to->uid : 0;
}

bool BuffKindKnown(const std::string& kind) {
    return kind == "fire" || kind == "water" || kind == "shock" || kind == "blink" || kind == "dust" ||
           kind == "bubble";
}

void AddTip(World& w, const ParsedCommand& c) {
    if (static_cast<int>(w.tips.size()) >= kMaxTips)
        w.tips.erase(w.tips.begin(), w.tips.begin() + (static_cast<long>(w.tips.size()) - kMaxTips + 1));
    Tip t;
    t.text = c.args[1];
    t.k1 = ReadInt(c.args[2]);
    t.k2 = static_cast<int16_t>(ReadInt(c.args[3]));
    t.k3 = static_cast<int16_t>(ReadInt(c.args[4]));
    t.k4 = static_cast<int16_t>(ReadInt(c.args[5]));
    w.tips.push_back(std::move(t));
}

void SetInfoWindowText(const TriggerEngine& eng, Gui& gui, const std::string& text) {
    // The info window opened last that is still open; another window opened since (an editor panel) is
    // never written into.
    const auto& ids = eng.infoWindows;
    for (auto it = ids.rbegin(); it != ids.rend(); ++it) {
        Window* win = FindWindow(gui, *it);
        if (win == nullptr) continue;
        if (!win->labels.empty()) win->labels[0].text = text;
        return;
    }
}

// Removes the trigger being run. The one before it becomes current (the one after it when it was first).
void DeleteThisTrigger(World& w, int16_t running) {
    const int32_t at = TriggerIndexById(w, running);
    if (at < 0) return;
    w.triggers.erase(w.triggers.begin() + at);
    w.currentTrigger = w.triggers.empty() ? -1 : std::max(at - 1, 0);
}

// Removes every trigger with that id; true when the trigger being run is still there (and current again).
bool DeleteTriggers(World& w, int32_t id, int16_t running) {
    std::erase_if(w.triggers, [id](const Trigger& t) { return t.id == id; });
    w.currentTrigger = TriggerIndexById(w, running);
    return w.currentTrigger >= 0;
}

} // namespace

void Explode(World& w, Effects& fx, Rng& rng, int32_t entitySlot, int32_t strength) {
    if (entitySlot <= 0 || entitySlot > w.entityCount) return;
    const Vec2 centre = w.entities[static_cast<size_t>(entitySlot)].center;
    const double s = strength;
    const double reach = std::round(1.5 * s * 1.5 * s);
    const int32_t burn = static_cast<int32_t>(std::clamp(std::round(4.5 * s), -1.0, 2147483647.0));

    for (int32_t i = 1; i <= w.particleCount; ++i) {
        Particle& p = w.particles[static_cast<size_t>(i)];
        if (p.parent == entitySlot) continue;
        if (p.parent < 0 || p.parent >= kTableSlots || w.entities[static_cast<size_t>(p.parent)].m == 0)
            continue;
        const Vec2 d = centre - p.p;
        const double D = std::round(d.x * d.x + d.y * d.y);
        if (!(D < reach)) continue;
        const double L = std::round(std::sqrt(D));
        if (L >= 1) {
            const Vec2 u = d / L;
            p.p -= u * (s / std::sqrt(L));
        } else {
            // Within half a unit of the centre there is no direction to measure: the blast throws it
            // straight up, as from one unit below.
            p.p -= Vec2{0, 1} * s;
        }
        // Loose particles belong to the world entity, which has no centre to burn at.
        if (p.parent != kWorldEntity) Fire(w, fx, rng, p.parent, int64_t{Random(rng, burn)} - strength);
    }

    SpawnExplosion(fx, w, rng, std::round(centre.x), std::round(centre.y), strength / 20);
    Fire(w, fx, rng, entitySlot, Random(rng, static_cast<int32_t>(std::clamp(5.0 * s, -1.0, 2147483647.0))));
}

int32_t OpenInfoWindow(TriggerEngine& eng, Gui& gui, World& w, int32_t toolsWindow,
                       const std::string& title) {
    std::erase_if(eng.infoWindows, [&gui](int32_t id) { return FindWindow(gui, id) == nullptr; });
    if (static_cast<int>(eng.infoWindows.size()) >= kMaxInfoWindows) {
        Warn(w, "createinfowindow(" + title + ") -> too many info windows");
        return 0;
    }
    const int border = gui.settings.hitMargin;
    int x = gui.settings.screenWidth - border - 160;
    // The editor's "Tools :" window stands at the right edge too: when it shares the column, the info
    // windows open just left of it rather than cover its buttons and take their clicks.
    if (const Window* tools = FindWindow(gui, toolsWindow)) {
        const bool sameColumn = tools->x - border < x + kInfoWindowWidth + border &&
                                x - border < tools->x + tools->width + border;
        if (sameColumn) x = tools->x - border - 10 - border - kInfoWindowWidth;
    }
    const int32_t id =
        OpenWindow(gui, x, eng.nextInfoWindowY, kInfoWindowWidth, kInfoWindowHeight, title, 100);
    if (Window* win = FindWindow(gui, id)) {
        win->minimiseState = -1;
        win->maximiseState = -1;
        win->closeState = -1;
    }
    AddLabel(gui, id, 5, 40, "");
    eng.nextInfoWindowY = static_cast<int16_t>(eng.nextInfoWindowY + kInfoWindowHeight + 2 * border + 10);
    eng.infoWindows.push_back(id);
    return id;
}

ActionsEnd RunTriggerActions(TriggerScene& scene) {
    World& w = scene.world;
    const TriggerHost& host = scene.host;
    if (w.currentTrigger < 0 || w.currentTrigger >= static_cast<int32_t>(w.triggers.size()))
        return ActionsEnd::Completed;
    // A copy: actions may remove this trigger or replace the world that holds it.
    const Trigger& running = w.triggers[static_cast<size_t>(w.currentTrigger)];
    std::vector<std::string> actions;
    for (const std::string& text : running.actions)
        if (!text.empty()) actions.push_back(text);
    const int16_t runningId = running.id;

    for (const std::string& text : actions) {
        ParsedCommand c = ParseCommand(text);
        const std::string word = ToLower(c.word);
        if (word.empty()) continue;
        for (int i = 1; i <= kMaxCommandArgs; ++i) {
            std::string& arg = c.args[static_cast<size_t>(i)];
            if (!arg.empty()) arg = SubstituteVariables(w, arg);
        }
        const auto& a = c.args;

        if (word == "newvar") {
            NewVariable(w, a[1], a[2]);
        } else if (word == "incvar") {
            IncreaseVariable(w, a[1], ReadInt(a[2]));
        } else if (word == "setvar") {
            SetVariable(w, a[1], a[2]);
        } else if (word == "entitysinregion") {
            CountInRegion(w, a[1], ReadInt(a[2]), a[3]);
        } else if (word == "createtip") {
            AddTip(w, c);
        } else if (word == "createcommandcallback") {
            PostNotice(w, SubstituteVariables(w, a[1]), ReadInt(a[2]), ReadInt(a[3]), ReadInt(a[4]),
                       ReadInt(a[5]));
        } else if (word == "loadworld") {
            if (host.loadWorld && host.loadWorld(host.program, scene.plat, a[1]))
                return ActionsEnd::WorldReplaced;
        } else if (word == "startnextworld") {
            if (host.startNextWorld && host.startNextWorld(host.program, scene.plat))
                return ActionsEnd::WorldReplaced;
        } else if (word == "restartlevel") {
            if (host.restartLevel && host.restartLevel(host.program, scene.plat))
                return ActionsEnd::WorldReplaced;
        } else if (word == "savemomentanlevel") {
            if (host.rememberLevel) host.rememberLevel(host.program);
        } else if (word == "createtimer") {
            CreateTimer(w, ReadInt(a[1]));
        } else if (word == "resettimer") {
            ResetTimer(w, ReadInt(a[1]));
        } else if (word == "deletetimer") {
            DeleteTimer(w, ReadInt(a[1]));
        } else if (word == "deletethistrigger") {
            DeleteThisTrigger(w, runningId);
            return ActionsEnd::TriggerRemoved;
        } else if (word == "deletetrigger") {
            if (!DeleteTriggers(w, ReadInt(a[1]), runningId)) return ActionsEnd::TriggerRemoved;
        } else if (word == "setentitypositiontoregion") {
            MoveEntityToRegions(w, ReadInt(a[1]), ReadInt(a[2]));
        } else if (word == "explode") {
            Explode(w, scene.effects, scene.rng, EntitySlotById(w, ReadInt(a[1])), ReadInt(a[2]));
        } else if (word == "boost") {
            Boost(w, ReadInt(a[1]), ReadFloat(a[2]));
        } else if (word == "weather") {
            w.weather = a[1];
        } else if (word == "weatherbg") {
            for (size_t k = 0; k < 3; ++k) w.weatherBackground[k] = static_cast<int16_t>(ReadInt(a[k + 1]));
        } else if (word == "disableshock") {
            SetAbility(w, word, a[1], "shock", false);
        } else if (word == "disablegrab") {
            SetAbility(w, word, a[1], "grab", true);
        } else if (word == "connectportal") {
            ConnectPortal(w, ReadInt(a[1]), ReadInt(a[2]));
        } else if (word == "addbuff") {
            const int32_t body = EntitySlotById(w, ReadInt(a[1]));
            if (body != 0 && BuffKindKnown(a[2]))
                StartBuff(scene.effects, w, scene.rng, a[2], EntityAnchor(w, body),
                          BuffAmount(ReadInt(a[3])));
        } else if (word == "createinfowindow") {
            OpenInfoWindow(scene.engine, scene.gui, w, scene.toolsWindow, a[1]);
        } else if (word == "setwindowtext") {
            SetInfoWindowText(scene.engine, scene.gui, a[1]);
        } else {
            Warn(w, "unknown action : " + word);
        }
    }
    return ActionsEnd::Completed;
}

int ExecuteActions(TriggerScene& scene) {
    return RunTriggerActions(scene) == ActionsEnd::Completed ? 1 : 0;
}
