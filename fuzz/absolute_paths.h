// For fuzz targets that run the program in a scratch folder of their own: the folders and files named on
// the command line are made absolute before the first input changes the working folder, so the fuzzer still
// finds its corpus and writes its findings where it was asked to. Call it from LLVMFuzzerInitialize.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

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

} // namespace fuzz
