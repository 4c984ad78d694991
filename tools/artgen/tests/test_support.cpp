#include "test_support.hpp"

#include <atomic>
#include <fstream>
#include <stdexcept>
#include <unistd.h>

namespace artgen::testing {

TempDir::TempDir() {
    static std::atomic<int> counter{0};
    path_ = std::filesystem::temp_directory_path() /
            ("artgen-test-" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

std::filesystem::path TempDir::write(const std::string& name, const std::string& text) const {
    const auto file = path_ / name;
    std::filesystem::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << text;
    return file;
}

std::vector<std::string> expected_images() {
    std::ifstream in(ARTGEN_EXPECTED);
    if (!in) throw std::runtime_error("cannot read " ARTGEN_EXPECTED);
    std::vector<std::string> names;
    for (std::string line; std::getline(in, line);) {
        if (line.empty() || line[0] == '#') continue;
        names.push_back(line);
    }
    return names;
}

Image load_rendered(const std::string& relative) {
    return decode_bmp(read_file(std::filesystem::path(ARTGEN_BMPS_DIR) / relative));
}

Image solid(int width, int height, std::uint8_t r, std::uint8_t g, std::uint8_t b, std::uint8_t a) {
    Image image(width, height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            std::uint8_t* p = image.at(x, y);
            p[0] = r;
            p[1] = g;
            p[2] = b;
            p[3] = a;
        }
    }
    return image;
}

} // namespace artgen::testing
