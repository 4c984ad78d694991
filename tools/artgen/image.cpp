#include "image.hpp"

#include <algorithm>
#include <bit>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace artgen {

namespace {

constexpr std::uint32_t kBiRgb = 0;
constexpr std::uint32_t kBiBitfields = 3;
constexpr std::uint32_t kFileHeaderSize = 14;
constexpr std::uint32_t kV5HeaderSize = 124;
constexpr std::uint32_t kLcsSrgb = 0x73524742; // 'sRGB'
constexpr std::uint32_t kLcsGmImages = 4;

void put16(std::vector<std::uint8_t>& out, std::uint32_t v) {
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}

void put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    put16(out, v & 0xffff);
    put16(out, v >> 16);
}

std::uint32_t get16(std::span<const std::uint8_t> b, std::size_t at) {
    if (at + 2 > b.size()) throw std::runtime_error("BMP is truncated");
    return static_cast<std::uint32_t>(b[at]) | static_cast<std::uint32_t>(b[at + 1]) << 8;
}

std::uint32_t get32(std::span<const std::uint8_t> b, std::size_t at) {
    return get16(b, at) | get16(b, at + 2) << 16;
}

// Extracts a channel through a bit mask and widens it to eight bits.
std::uint8_t channel(std::uint32_t pixel, std::uint32_t mask) {
    if (mask == 0) return 0;
    const int shift = std::countr_zero(mask);
    const int bits = std::popcount(mask);
    const std::uint32_t value = (pixel & mask) >> shift;
    const std::uint32_t max = (bits >= 32) ? 0xffffffffu : ((1u << bits) - 1);
    return static_cast<std::uint8_t>((static_cast<std::uint64_t>(value) * 255 + max / 2) / max);
}

} // namespace

Image from_premultiplied_argb32(const unsigned char* data, int width, int height, int stride) {
    Image image(width, height);
    for (int y = 0; y < height; ++y) {
        const auto* row =
            reinterpret_cast<const std::uint32_t*>(data + static_cast<std::ptrdiff_t>(y) * stride);
        for (int x = 0; x < width; ++x) {
            const std::uint32_t p = row[x];
            const std::uint32_t a = p >> 24;
            std::uint8_t* out = image.at(x, y);
            out[3] = static_cast<std::uint8_t>(a);
            if (a == 0) continue;
            for (int c = 0; c < 3; ++c) {
                const std::uint32_t premultiplied = (p >> (16 - 8 * c)) & 0xff;
                out[c] = static_cast<std::uint8_t>(
                    std::min<std::uint32_t>(255, (premultiplied * 255 + a / 2) / a));
            }
        }
    }
    return image;
}

void bleed_into_transparent(Image& image) {
    const int w = image.width;
    const int h = image.height;
    std::vector<std::uint8_t> known(static_cast<std::size_t>(w) * h);
    bool any = false;
    for (int i = 0; i < w * h; ++i) {
        known[i] = image.rgba[static_cast<std::size_t>(i) * 4 + 3] != 0;
        any = any || known[i];
    }
    if (!any) return;

    std::vector<std::size_t> frontier;
    for (bool changed = true; changed;) {
        changed = false;
        frontier.clear();
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                if (known[static_cast<std::size_t>(y) * w + x]) continue;
                std::uint32_t sum[3] = {0, 0, 0};
                std::uint32_t weight = 0;
                for (int dy = -1; dy <= 1; ++dy) {
                    for (int dx = -1; dx <= 1; ++dx) {
                        const int nx = x + dx;
                        const int ny = y + dy;
                        if (nx < 0 || ny < 0 || nx >= w || ny >= h) continue;
                        if (!known[static_cast<std::size_t>(ny) * w + nx]) continue;
                        const std::uint8_t* n = image.at(nx, ny);
                        // Barely visible pixels carry rough colour; weigh by alpha, but never by zero.
                        const std::uint32_t wgt = std::max<std::uint32_t>(n[3], 1);
                        for (int c = 0; c < 3; ++c) sum[c] += n[c] * wgt;
                        weight += wgt;
                    }
                }
                if (weight == 0) continue;
                std::uint8_t* p = image.at(x, y);
                for (int c = 0; c < 3; ++c) p[c] = static_cast<std::uint8_t>((sum[c] + weight / 2) / weight);
                frontier.push_back(static_cast<std::size_t>(y) * w + x);
            }
        }
        for (std::size_t i : frontier) known[i] = 1;
        changed = !frontier.empty();
    }
}

std::vector<std::uint8_t> encode_bmp(const Image& image) {
    const std::uint32_t pixel_bytes = static_cast<std::uint32_t>(image.width) * image.height * 4;
    std::vector<std::uint8_t> out;
    out.reserve(kFileHeaderSize + kV5HeaderSize + pixel_bytes);

    out.push_back('B');
    out.push_back('M');
    put32(out, kFileHeaderSize + kV5HeaderSize + pixel_bytes);
    put32(out, 0);
    put32(out, kFileHeaderSize + kV5HeaderSize);

    put32(out, kV5HeaderSize);
    put32(out, static_cast<std::uint32_t>(image.width));
    put32(out, static_cast<std::uint32_t>(image.height)); // positive: bottom-up
    put16(out, 1);                                        // planes
    put16(out, 32);                                       // bits per pixel
    put32(out, kBiBitfields);
    put32(out, pixel_bytes);
    put32(out, 2835); // 72 dpi
    put32(out, 2835);
    put32(out, 0); // palette size
    put32(out, 0);
    put32(out, 0x00ff0000); // red mask
    put32(out, 0x0000ff00); // green mask
    put32(out, 0x000000ff); // blue mask
    put32(out, 0xff000000); // alpha mask
    put32(out, kLcsSrgb);
    for (int i = 0; i < 9 + 3; ++i) put32(out, 0); // endpoints and gamma, unused for sRGB
    put32(out, kLcsGmImages);
    put32(out, 0); // profile data
    put32(out, 0); // profile size
    put32(out, 0); // reserved

    for (int y = image.height - 1; y >= 0; --y) {
        for (int x = 0; x < image.width; ++x) {
            const std::uint8_t* p = image.at(x, y);
            out.push_back(p[2]);
            out.push_back(p[1]);
            out.push_back(p[0]);
            out.push_back(p[3]);
        }
    }
    return out;
}

Image decode_bmp(std::span<const std::uint8_t> b) {
    if (b.size() < kFileHeaderSize + 40 || b[0] != 'B' || b[1] != 'M')
        throw std::runtime_error("not a BMP file");
    const std::uint32_t offset = get32(b, 10);
    const std::uint32_t header = get32(b, 14);
    if (header < 40) throw std::runtime_error("unsupported BMP header");
    const auto width = static_cast<std::int32_t>(get32(b, 18));
    const auto signed_height = static_cast<std::int32_t>(get32(b, 22));
    const std::uint32_t bits = get16(b, 28);
    const std::uint32_t compression = get32(b, 30);
    if (width <= 0 || signed_height == 0 || width > 16384 || std::abs(signed_height) > 16384)
        throw std::runtime_error("bad BMP dimensions");
    if (bits != 24 && bits != 32) throw std::runtime_error("only 24-bit and 32-bit BMPs are supported");

    std::uint32_t masks[4] = {0x00ff0000, 0x0000ff00, 0x000000ff, 0};
    if (compression == kBiBitfields) {
        if (bits != 32) throw std::runtime_error("bit fields need 32 bits per pixel");
        const std::size_t at = (header >= 56) ? kFileHeaderSize + 40 : kFileHeaderSize + header;
        for (int i = 0; i < 3; ++i) masks[i] = get32(b, at + 4 * i);
        if (header >= 56) masks[3] = get32(b, at + 12);
    } else if (compression != kBiRgb) {
        throw std::runtime_error("compressed BMPs are not supported");
    }

    const int height = std::abs(signed_height);
    const std::size_t stride = ((static_cast<std::size_t>(width) * bits + 31) / 32) * 4;
    if (offset + stride * height > b.size()) throw std::runtime_error("BMP is truncated");

    Image image(width, height);
    for (int row = 0; row < height; ++row) {
        const int y = signed_height > 0 ? height - 1 - row : row;
        const std::size_t base = offset + stride * row;
        for (int x = 0; x < width; ++x) {
            std::uint8_t* p = image.at(x, y);
            if (bits == 24) {
                const std::size_t at = base + 3 * static_cast<std::size_t>(x);
                p[0] = b[at + 2];
                p[1] = b[at + 1];
                p[2] = b[at];
                p[3] = 255;
            } else {
                const std::uint32_t v = get32(b, base + 4 * static_cast<std::size_t>(x));
                for (int c = 0; c < 3; ++c) p[c] = channel(v, masks[c]);
                p[3] = masks[3] ? channel(v, masks[3]) : 255;
            }
        }
    }
    return image;
}

std::vector<std::uint8_t> read_file(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot open " + path.string());
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void write_file(const std::filesystem::path& path, std::span<const std::uint8_t> bytes) {
    if (path.has_parent_path()) std::filesystem::create_directories(path.parent_path());
    // Write next to the target and rename, so an interrupted build never leaves half an image.
    std::filesystem::path tmp = path;
    tmp += ".part";
    {
        std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        if (!out) throw std::runtime_error("cannot write " + path.string());
    }
    std::filesystem::rename(tmp, path);
}

} // namespace artgen
