// The rendered art set: every bitmap the game asks for exists, and each has the shape, size and
// transparency its use needs (drawn opaque, additive, as an overlay, on a triangle, and so on).
#include "image.hpp"
#include "sheet.hpp"
#include "test_support.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

namespace artgen {
namespace {

using testing::expected_images;
using testing::load_rendered;

std::set<std::string> relative_names(const std::filesystem::path& dir, const std::string& ext) {
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(dir)) {
        if (entry.is_regular_file() && entry.path().extension() == ext)
            names.insert(std::filesystem::relative(entry.path(), dir).replace_extension(".bmp").generic_string());
    }
    return names;
}

TEST(ArtSet, BuildProducesExactlyTheExpectedBitmaps) {
    const auto expected = expected_images();
    const std::set<std::string> wanted(expected.begin(), expected.end());
    ASSERT_EQ(wanted.size(), expected.size()) << "expected_images.txt lists a name twice";
    ASSERT_TRUE(std::filesystem::is_directory(ARTGEN_BMPS_DIR)) << "build the art target first";
    EXPECT_EQ(relative_names(ARTGEN_BMPS_DIR, ".bmp"), wanted);
    EXPECT_EQ(relative_names(ARTGEN_ART_DIR, ".svg"), wanted) << "every bitmap needs exactly one SVG source";
}

} // namespace
} // namespace artgen
