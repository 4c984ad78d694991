#include "world/trigger_records.h"

#include <array>

int32_t NewTrigger(World& w) {
    if (static_cast<int>(w.triggers.size()) >= kMaxTriggers) {
        w.currentTrigger = -1;
        return -1;
    }
    Trigger t;
    t.id = static_cast<int16_t>(w.nextTriggerId);
    ++w.nextTriggerId;
    w.triggers.push_back(std::move(t));
    w.currentTrigger = static_cast<int32_t>(w.triggers.size()) - 1;
    return w.currentTrigger;
}

namespace {

template <size_t N> bool PutInFirstFree(std::array<std::string, N>& slots, const std::string& text) {
    for (size_t i = 1; i < N; ++i) {
        if (slots[i].empty()) {
            slots[i] = text;
            return true;
        }
    }
    return false;
}

Trigger* CurrentTrigger(World& w) {
    if (w.currentTrigger < 0 || w.currentTrigger >= static_cast<int32_t>(w.triggers.size())) return nullptr;
    return &w.triggers[static_cast<size_t>(w.currentTrigger)];
}

} // namespace

bool AddEvent(World& w, const std::string& text) {
    Trigger* t = CurrentTrigger(w);
    return t && PutInFirstFree(t->events, text);
}

bool AddCondition(World& w, const std::string& text) {
    Trigger* t = CurrentTrigger(w);
    return t && PutInFirstFree(t->conditions, text);
}

bool AddAction(World& w, const std::string& text) {
    Trigger* t = CurrentTrigger(w);
    return t && PutInFirstFree(t->actions, text);
}

void PostNotice(World& w, const std::string& text, int32_t duration, int red, int green, int blue) {
    if (static_cast<int>(w.notices.size()) >= kMaxNotices)
        w.notices.erase(w.notices.begin(),
                        w.notices.begin() + (static_cast<long>(w.notices.size()) - kMaxNotices + 1));
    w.notices.push_back({text, duration, red, green, blue});
}
