// The trigger records of a level script and the notice list: what the level reader fills and the trigger
// engine reads. Records only; nothing here runs a trigger.
#pragma once

#include <cstdint>
#include <string>

#include "world/world.h"

// The trigger list holds at most this many triggers; the notice list keeps the newest this many notices.
constexpr int kMaxTriggers = 9999;
constexpr int kMaxNotices = 1000;

// Appends an empty trigger (condition type "or") with the next trigger id and makes it the current
// trigger. Returns its index, or -1 when the list is full (the current trigger is then none, so the
// lines that follow cannot add to an earlier trigger).
int32_t NewTrigger(World& w);

// Put the text into the first empty event, condition or action slot of the current trigger. False when
// there is no current trigger or no free slot (the text is dropped).
bool AddEvent(World& w, const std::string& text);
bool AddCondition(World& w, const std::string& text);
bool AddAction(World& w, const std::string& text);

// Appends a notice. When the list is full the oldest notice makes room.
void PostNotice(World& w, const std::string& text, int32_t duration, int red, int green, int blue);
