#include "editor/names.h"

#include "common/text.h"

#include <array>
#include <string_view>

namespace {

struct ToolText {
    std::string_view tool, name, hint;
};

constexpr std::string_view kClick = "click to place";
constexpr std::string_view kDrag = "drag from one end to the other";

constexpr std::array<ToolText, 22> kTools = {{
    {"Player", "Player", kClick},
    {"Player2", "Player 2", kClick},
    {"Circle", "Circle", "drag from the centre out"},
    {"Quad", "Quad", "drag from corner to corner"},
    {"Strap", "Strap", kDrag},
    {"Bind", "Bind", "press on one body, release on another"},
    {"Portal", "Portal", kDrag},
    {"PoisonBox", "Poison box", kClick},
    {"Aquarium", "Aquarium", kClick},
    {"HalfSpace", "Half-space", "press, then drag to turn its surface"},
    {"Wall", "Wall", kDrag},
    {"Icewall", "Ice wall", kDrag},
    {"Pin", "Pin", kClick},
    {"WaterSpace", "Water space", "press, then drag to turn its surface"},
    {"Firecave", "Fire cave", kClick},
    {"Latern", "Lantern", kClick},
    {"Box", "Box", kClick},
    {"Warning", "Warning sign", kClick},
    {"Icebox", "Ice box", kClick},
    {"barrel", "Barrel", kClick},
    {"Region", "Region", "drag from corner to corner"},
    {"Marker", "Marker", "click a body to mark it"},
}};

struct KindText {
    std::string_view prefix, name;
};

// Matched by the start of the type, first match wins: "wall_red" is a wall, "icewall" an ice wall.
constexpr std::array<KindText, 18> kKinds = {{
    {"box", "Box"},
    {"icebox", "Ice box"},
    {"poisonbox", "Poison box"},
    {"aquarium", "Aquarium"},
    {"player2", "Player 2"},
    {"player", "Player"},
    {"pin", "Pin"},
    {"latern", "Lantern"},
    {"warning", "Warning sign"},
    {"barrel", "Barrel"},
    {"firecave", "Fire cave"},
    {"icewall", "Ice wall"},
    {"wall", "Wall"},
    {"quad", "Quad"},
    {"strap", "Strap"},
    {"circle", "Circle"},
    {"halfspace", "Half-space"},
    {"waterspace", "Water space"},
}};

} // namespace

std::string ToolName(const std::string& tool) {
    if (tool == "Edit") return "Edit";
    for (const ToolText& t : kTools)
        if (t.tool == tool) return std::string(t.name);
    return tool;
}

std::string ToolHint(const std::string& tool) {
    if (tool == "Edit") return "click an object to change it";
    for (const ToolText& t : kTools)
        if (t.tool == tool) return std::string(t.hint);
    return std::string(kClick); // a custom image
}

std::string KindName(const std::string& type) {
    for (const KindText& k : kKinds)
        if (std::string_view(type).substr(0, k.prefix.size()) == k.prefix) return std::string(k.name);
    return type;
}

std::string KindWord(const std::string& type) {
    return type.empty() ? std::string("object") : ToLower(KindName(type));
}
