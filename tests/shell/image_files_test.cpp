// The images the program loads and the images the build renders are the same set.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "common/text.h"
#include "shell/catalogue.h"

TEST(ImageFiles, BuildRendersExactlyWhatTheProgramLoads) {
    namespace fs = std::filesystem;
    fs::path bmps = fs::path(TUMBLEBOX_RUN_DIR) / "bmps";
    if (!fs::exists(bmps / "box.bmp")) GTEST_SKIP() << "this build renders no art";
    std::set<std::string> loaded;
    for (const ImageSpec& s : FixedImages())
        if (s.path) loaded.insert(NativePath(s.path));
    std::set<std::string> built;
    int custom = 0;
    for (const auto& entry : fs::recursive_directory_iterator(bmps)) {
        if (!entry.is_regular_file()) continue;
        std::string rel = "bmps/" + fs::relative(entry.path(), bmps).generic_string();
        if (rel.rfind("bmps/custom/", 0) == 0) {
            ++custom;
            continue;
        }
        built.insert(rel);
    }
    for (const auto& p : loaded) EXPECT_TRUE(built.count(p)) << "missing: " << p;
    for (const auto& p : built) EXPECT_TRUE(loaded.count(p)) << "never loaded: " << p;
    EXPECT_GE(custom, 3); // the custom tool group is not empty
}
