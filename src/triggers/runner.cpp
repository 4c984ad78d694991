// The runner: plays the triggers of the loaded level, frame by frame; and the end of a level's script.
#include <algorithm>
#include <climits>

#include "common/text.h"
#include "effects/effects.h"
#include "gui/gui.h"
#include "triggers/records.h"
#include "triggers/triggers.h"

namespace {

bool EventPosted(const TriggerEngine& eng, const Trigger& t) {
    for (size_t slot = 1; slot < t.events.size(); ++slot)
        if (!t.events[slot].empty() && eng.posted.count(std::string_view(t.events[slot])) != 0) return true;
    return false;
}

// "or" (any case): no conditions, or at least one holds; "and" (any case): every condition written holds.
// Another type is reported once and read as "or".
bool ConditionsAllow(TriggerScene& scene, const Trigger& t) {
    World& w = scene.world;
    TriggerEngine& eng = scene.engine;
    int written = 0;
    for (size_t slot = 1; slot < t.conditions.size(); ++slot)
        if (!t.conditions[slot].empty()) ++written;
    const std::string type = ToLower(t.conditionType);
    const bool all = type == "and";
    if (!all && type != "or") {
        auto& seen = eng.reportedConditionTypes;
        if (std::find(seen.begin(), seen.end(), t.conditionType) == seen.end()) {
            seen.push_back(t.conditionType);
            PostNotice(w, "unknown condition type : " + t.conditionType, 1000, 255, 0, 0);
        }
    }
    const int holding = EvaluateConditions(w, scene.effects);
    return all ? holding == written : (written == 0 || holding >= 1);
}

// Index of the first trigger whose id is above `id` (ids rise along the list).
size_t FirstTriggerAfter(const World& w, int16_t id) {
    auto it = std::partition_point(w.triggers.begin(), w.triggers.end(),
                                   [id](const Trigger& t) { return t.id <= id; });
    return static_cast<size_t>(it - w.triggers.begin());
}

} // namespace

void RunTriggers(TriggerScene& scene) {
    World& w = scene.world;
    TriggerEngine& eng = scene.engine;
    UpdateEntityBounds(w); // the centres of the positions the step ended with
    if (w.levelTime < INT32_MAX) ++w.levelTime;
    ProcessTriggerEvents(eng, w, scene.input);
    eng.posted.clear();
    eng.posted.insert(eng.events.begin(), eng.events.end());

    // Each trigger is looked at once at most: the walk moves on by id, so removals behind it or of the
    // trigger just run never make it skip or repeat one.
    size_t visits = w.triggers.size();
    size_t i = 0;
    while (i < w.triggers.size() && visits-- > 0) {
        const Trigger& t = w.triggers[i];
        if (!EventPosted(eng, t)) {
            ++i;
            continue;
        }
        w.currentTrigger = static_cast<int32_t>(i);
        if (!ConditionsAllow(scene, t)) {
            ++i;
            continue;
        }
        const int16_t id = t.id;
        if (RunTriggerActions(scene) == ActionsEnd::WorldReplaced) return; // a new level: next frame
        if (i < w.triggers.size() && w.triggers[i].id == id)
            ++i;
        else
            i = FirstTriggerAfter(w, id);
    }
}

void ResetTriggerEngine(TriggerEngine& eng, Gui& gui, Platform& plat) {
    for (int32_t id : eng.infoWindows) CloseWindow(gui, plat, id);
    eng.infoWindows.clear();
    eng.nextInfoWindowY = kFirstInfoWindowY;
    eng.events.clear();
    eng.posted.clear();
    eng.reportedConditionTypes.clear();
}
