// Straight-alpha RGBA images and the 32-bit BMP files the game loads.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

namespace artgen {

// Top-down rows, four bytes per pixel in R, G, B, A order, alpha not premultiplied.
struct Image {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgba;

    Image() = default;
    Image(int w, int h) : width(w), height(h), rgba(static_cast<std::size_t>(w) * h * 4, 0) {}

    std::uint8_t* at(int x, int y) { return rgba.data() + (static_cast<std::size_t>(y) * width + x) * 4; }
    const std::uint8_t* at(int x, int y) const {
        return rgba.data() + (static_cast<std::size_t>(y) * width + x) * 4;
    }
};

// Converts cairo's premultiplied, native-endian ARGB32 pixels into a straight-alpha image.
Image from_premultiplied_argb32(const unsigned char* data, int width, int height, int stride);

// Fills the colour of fully transparent pixels with the colour of the nearest visible ones, so a
// renderer that filters the texture does not pull dark fringes in around shapes. Alpha is unchanged.
void bleed_into_transparent(Image& image);

// A BMP with a BITMAPV5 header: 32 bits, BI_BITFIELDS with an alpha mask, bottom-up rows.
std::vector<std::uint8_t> encode_bmp(const Image& image);

// Reads 24-bit and 32-bit uncompressed or bit-field BMPs, either row order. Throws std::runtime_error.
Image decode_bmp(std::span<const std::uint8_t> bytes);

std::vector<std::uint8_t> read_file(const std::filesystem::path& path);
void write_file(const std::filesystem::path& path, std::span<const std::uint8_t> bytes);

} // namespace artgen
