// Every kind of object the editor places, in one table: its tool name, the name users see, how it is
// placed and hinted, its tool group and icon, its builder, and what the interface does around it. The tool
// names, the tool groups' pop-ups, the tools, the undo messages and the heads-up display's preview all read
// this table, so a new kind is one row (plus its builder in world/ and its art).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct World;
struct Rng;

// How a kind is placed.
enum class Gesture : uint8_t {
    Click, // a click at the mouse
    Drag,  // from the press to the release
    Turn,  // press, then drag to turn its surface (half-space, water space)
    Bind,  // press on one body, release on another
    Mark,  // a click on a body marks it
};

struct ObjectKind {
    std::string_view tool; // the tool's name, as tool groups, scripts and the heads-up display know it
    std::string_view name; // the name users see ("Ice box")
    std::string_view type; // the start of the type its objects carry ("icebox"); empty: no entity
    std::string_view hint; // how it is placed, in a few words
    Gesture gesture = Gesture::Click;
    int group = 0;                           // its tool group, an index of ToolGroupTitles()
    int x = 0, y = 0, width = 0, height = 0; // its icon in the group's pop-up
    int image = 0;                           // the icon's image
    // A click kind's builder: the entity built at the mouse, or 0 when a table is full.
    int32_t (*build)(World& w, Rng& rng, int32_t mx, int32_t my) = nullptr;
    bool sparks = false;        // a burst of sparks once placed
    bool squarePreview = false; // the heads-up display shows the 50 x 50 square it will fill
};

const std::vector<ObjectKind>& ObjectKinds();
// The kind of a tool, or nullptr (Edit, a custom image, no tool).
const ObjectKind* KindOfTool(std::string_view tool);
// The kind an entity type belongs to: the longest type start that matches ("player2_x" is Player 2), or
// nullptr.
const ObjectKind* KindOfType(std::string_view type);
