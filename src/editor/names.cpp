#include "editor/names.h"

#include "common/text.h"
#include "editor/kinds.h"

std::string ToolName(const std::string& tool) {
    if (tool == "Edit") return "Edit";
    const ObjectKind* k = KindOfTool(tool);
    return k ? std::string(k->name) : tool;
}

std::string ToolHint(const std::string& tool) {
    if (tool == "Edit") return "click an object to change it";
    const ObjectKind* k = KindOfTool(tool);
    return k ? std::string(k->hint) : std::string("click to place"); // a custom image
}

std::string KindName(const std::string& type) {
    const ObjectKind* k = KindOfType(type);
    return k ? std::string(k->name) : type;
}

std::string KindWord(const std::string& type) {
    return type.empty() ? std::string("object") : ToLower(KindName(type));
}
