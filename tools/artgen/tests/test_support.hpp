// Helpers shared by the artgen tests.
#pragma once

#include "image.hpp"

#include <filesystem>
#include <string>
#include <vector>

namespace artgen::testing {

// A fresh folder under the system temp folder, removed when the object goes away.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path write(const std::string& name, const std::string& text) const;

private:
    std::filesystem::path path_;
};

// The bitmap names the game expects, one relative path a line, from expected_images.txt.
std::vector<std::string> expected_images();

// A rendered bitmap from the build's bmps/ folder, by relative path.
Image load_rendered(const std::string& relative);

Image solid(int width, int height, std::uint8_t r, std::uint8_t g, std::uint8_t b, std::uint8_t a);

} // namespace artgen::testing
