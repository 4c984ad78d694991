// Fuzzes the settings reader: the file reader and the line reader must take any bytes.
#include <cstdint>
#include <string>

#include "memory_file.h"
#include "shell/program.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static MemoryFile file;
    Settings fromFile;
    ReadSettingsFile(file.Set(data, size), fromFile);

    Settings fromLines;
    std::string text(reinterpret_cast<const char*>(data), size);
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        ApplySettingsLine(text.substr(start, end - start), fromLines);
        start = end + 1;
    }
    return 0;
}
