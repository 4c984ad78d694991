// The level reader's line rules, shared by the loader and the delete round trip.
#pragma once

#include <array>
#include <string>
#include <string_view>

// The record a line stands for, by the keyword tests in their order: tests 1 to 8 and the last two look
// for their keyword anywhere in the line as written, the others anywhere in the lower-cased line.
enum class LineKind {
    None,
    Entity,
    Particle,
    Constraint,
    HalfSpace,
    WaterSpace,
    LiquidBox,
    Region,
    Light,
    NewTrigger,
    ConditionType,
    Event,
    Condition,
    Action,
    LoadTrigger,
    Camera,
    Marker,
    Portal,
};

// Lines holding "--DELETE--" (records blanked by the delete round trip) are skipped whole, before their
// arguments are split.
bool IsDeletedLine(std::string_view line);

LineKind ClassifyLine(std::string_view line, std::string& lowerScratch);

// The text of an event, condition or action line: from just after the line's first "(" up to and
// including its first ")" (the outer ")" is dropped). Empty when the line has no ")" after its "(".
std::string_view TriggerLineText(std::string_view line);

// A text argument as a record keeps it: cut before a ")" (which would end it when written back) and before
// the keyword of any of the first `earlierTests` keyword tests (which would make its line read as another
// record), so that every text the reader keeps is written and read back unchanged.
std::string WritableText(std::string_view text, int earlierTests);

// The arguments of the reader: each line sets the arguments it has, the others keep their earlier text.
using LevelArgs = std::array<std::string, 21>;
