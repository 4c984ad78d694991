// The file name arithmetic of world progression.
#include "common/text.h"
#include "level/level.h"

std::string NextWorldPath(const std::string& levelPath) {
    size_t folderEnd = levelPath.find_last_of("\\/");
    size_t nameStart = folderEnd == std::string::npos ? 0 : folderEnd + 1;
    size_t underscore = levelPath.rfind('_');
    if (underscore == std::string::npos || underscore < nameStart) return {};
    int64_t number = int64_t{ReadInt(std::string_view(levelPath).substr(underscore + 1))} + 1;
    return levelPath.substr(0, underscore + 1) + std::to_string(number) + ".lvl";
}
