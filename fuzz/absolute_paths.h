// For fuzz targets that run the program in a scratch folder of their own: the folders and files named on
// the command line are made absolute before the first input changes the working folder, so the fuzzer still
// finds its corpus and writes its findings where it was asked to. Call it from LLVMFuzzerInitialize.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <unistd.h>

namespace fuzz {

inline void MakePathsAbsolute(int* argc, char*** argv) {
    static std::vector<std::string> args;
    static std::vector<char*> pointers;
    for (int i = 0; i < *argc; ++i) {
        std::string a = (*argv)[i];
        size_t eq = a.find('=');
        bool pathFlag = a.rfind("-artifact_prefix=", 0) == 0 || a.rfind("-exact_artifact_path=", 0) == 0;
        if (i > 0 && pathFlag && eq + 1 < a.size())
            a = a.substr(0, eq + 1) + std::filesystem::absolute(a.substr(eq + 1)).string() +
                (a.back() == '/' ? "/" : "");
        else if (i > 0 && !a.empty() && a[0] != '-')
            a = std::filesystem::absolute(a).string();
        args.push_back(a);
    }
    for (std::string& a : args) pointers.push_back(a.data());
    pointers.push_back(nullptr);
    *argv = pointers.data();
}

// A new, empty folder under /tmp named after the fuzz target.
inline std::filesystem::path NewScratchFolder(const std::string& target) {
    std::string name = "/tmp/" + target + ".XXXXXX";
    if (::mkdtemp(name.data()) == nullptr) {
        std::fprintf(stderr, "fuzz: no scratch folder\n");
        std::abort();
    }
    return name;
}

// The settings.ini of a windowless screen of the given size, in the working folder.
inline void WriteSettings(int width, int height) {
    std::ofstream("settings.ini") << "ScreenSolution(" << width << "," << height << ")\r\nWindowed(0)\r\n";
}

} // namespace fuzz
