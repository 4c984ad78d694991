// A temporary working folder for tests that read and write files; the previous folder comes back after.
#pragma once

#include <filesystem>
#include <fstream>
#include <string>

class TempWorkDir {
public:
    TempWorkDir() {
        namespace fs = std::filesystem;
        old_ = fs::current_path();
        std::string tmpl = (fs::temp_directory_path() / "tumblebox-test-XXXXXX").string();
        path_ = mkdtemp(tmpl.data()) ? tmpl : std::string();
        fs::current_path(path_);
    }
    ~TempWorkDir() {
        namespace fs = std::filesystem;
        std::error_code ec;
        fs::current_path(old_, ec);
        fs::remove_all(path_, ec);
    }
    TempWorkDir(const TempWorkDir&) = delete;
    TempWorkDir& operator=(const TempWorkDir&) = delete;

    const std::filesystem::path& path() const { return path_; }

    static void Write(const std::string& name, const std::string& text) {
        std::filesystem::path p(name);
        if (p.has_parent_path()) std::filesystem::create_directories(p.parent_path());
        std::ofstream(name, std::ios::binary) << text;
    }
    static std::string Read(const std::string& name) {
        std::ifstream in(name, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

private:
    std::filesystem::path old_;
    std::filesystem::path path_;
};

// Writes a minimal 24-bit BMP of the given size (enough for size checks and SDL loading).
inline void WriteTestBmp(const std::string& name, int w, int h) {
    std::filesystem::path p(name);
    if (p.has_parent_path()) std::filesystem::create_directories(p.parent_path());
    int row = (w * 3 + 3) & ~3;
    int size = 54 + row * h;
    unsigned char header[54] = {'B', 'M'};
    auto put32 = [&](int off, int v) {
        for (int i = 0; i < 4; ++i) header[off + i] = static_cast<unsigned char>((v >> (8 * i)) & 255);
    };
    put32(2, size);
    put32(10, 54);
    put32(14, 40);
    put32(18, w);
    put32(22, h);
    header[26] = 1;
    header[28] = 24;
    put32(34, row * h);
    std::ofstream out(name, std::ios::binary);
    out.write(reinterpret_cast<const char*>(header), 54);
    std::string pixels(static_cast<size_t>(row) * static_cast<size_t>(h), '\x7f');
    out.write(pixels.data(), static_cast<std::streamsize>(pixels.size()));
}
