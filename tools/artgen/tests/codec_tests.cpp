// The BMP encoder and decoder, un-premultiplying cairo pixels, and colour bleeding under transparency.
#include "image.hpp"
#include "test_support.hpp"

#include <gtest/gtest.h>

#include <cstring>
#include <stdexcept>

namespace artgen {
namespace {

using testing::solid;

std::uint32_t le32(const std::vector<std::uint8_t>& b, std::size_t at) {
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}

Image varied(int width, int height) {
    Image image(width, height);
    for (std::size_t i = 0; i < image.rgba.size(); ++i)
        image.rgba[i] = static_cast<std::uint8_t>(i * 37 + i / 4);
    image.at(0, 0)[3] = 0;   // invisible but coloured
    image.at(1, 0)[3] = 255; // opaque
    return image;
}

TEST(BmpCodec, RoundTripKeepsEveryChannelOfOddSizedImages) {
    for (auto [w, h] : {std::pair{1, 1}, {3, 5}, {7, 2}}) {
        const Image original = varied(std::max(w, 2), h);
        const Image back = decode_bmp(encode_bmp(original));
        ASSERT_EQ(back.width, original.width);
        ASSERT_EQ(back.height, original.height);
        EXPECT_EQ(back.rgba, original.rgba);
    }
}

TEST(BmpCodec, HeaderAnnouncesBitfieldsWithAnAlphaMask) {
    const auto bmp = encode_bmp(solid(4, 3, 1, 2, 3, 4));
    ASSERT_EQ(bmp.size(), 14u + 124u + 4 * 3 * 4);
    EXPECT_EQ(bmp[0], 'B');
    EXPECT_EQ(bmp[1], 'M');
    EXPECT_EQ(le32(bmp, 2), bmp.size());
    EXPECT_EQ(le32(bmp, 10), 138u);         // pixels follow the headers
    EXPECT_EQ(le32(bmp, 14), 124u);         // BITMAPV5HEADER
    EXPECT_EQ(le32(bmp, 22), 3u);           // positive height: bottom-up
    EXPECT_EQ(bmp[28] | bmp[29] << 8, 32);  // bits per pixel
    EXPECT_EQ(le32(bmp, 30), 3u);           // BI_BITFIELDS
    EXPECT_EQ(le32(bmp, 54), 0x00ff0000u);  // red
    EXPECT_EQ(le32(bmp, 58), 0x0000ff00u);  // green
    EXPECT_EQ(le32(bmp, 62), 0x000000ffu);  // blue
    EXPECT_EQ(le32(bmp, 66), 0xff000000u);  // alpha
    EXPECT_EQ(le32(bmp, 138), 0x04010203u); // first pixel, ARGB
}

TEST(BmpCodec, RowsAreStoredBottomUp) {
    Image image = solid(1, 2, 255, 0, 0, 255);
    image.at(0, 1)[0] = 0;
    image.at(0, 1)[2] = 255; // bottom pixel is blue
    const auto bmp = encode_bmp(image);
    EXPECT_EQ(le32(bmp, 138), 0xff0000ffu);
    EXPECT_EQ(le32(bmp, 142), 0xffff0000u);
}

TEST(BmpCodec, Decodes24BitRowsWithPaddingInEitherOrder) {
    // 3x2, 24 bits: rows are 9 bytes padded to 12.
    for (int sign : {1, -1}) {
        std::vector<std::uint8_t> b(54 + 24, 0);
        b[0] = 'B';
        b[1] = 'M';
        b[10] = 54;
        b[14] = 40;
        b[18] = 3;
        const std::int32_t height = 2 * sign;
        std::memcpy(&b[22], &height, 4);
        b[26] = 1;
        b[28] = 24;
        for (int x = 0; x < 3; ++x) {
            b[54 + 3 * x + 2] = static_cast<std::uint8_t>(10 + x); // first stored row: red ramp
            b[66 + 3 * x] = static_cast<std::uint8_t>(20 + x);     // second stored row: blue ramp
        }
        const Image image = decode_bmp(b);
        const int first_row = sign > 0 ? 1 : 0;
        for (int x = 0; x < 3; ++x) {
            EXPECT_EQ(image.at(x, first_row)[0], 10 + x);
            EXPECT_EQ(image.at(x, 1 - first_row)[2], 20 + x);
            EXPECT_EQ(image.at(x, 0)[3], 255);
        }
    }
}

TEST(BmpCodec, RejectsTruncatedAndForeignFiles) {
    auto bmp = encode_bmp(solid(8, 8, 9, 9, 9, 9));
    bmp.resize(bmp.size() - 1);
    EXPECT_THROW(decode_bmp(bmp), std::runtime_error);
    const std::vector<std::uint8_t> png = {0x89, 'P', 'N', 'G', 0, 0, 0, 0};
    EXPECT_THROW(decode_bmp(png), std::runtime_error);
}

// Cairo pixel: native-endian uint32 ARGB with colour multiplied by alpha.
std::uint32_t cairo_pixel(std::uint32_t a, std::uint32_t r, std::uint32_t g, std::uint32_t b) {
    return a << 24 | r << 16 | g << 8 | b;
}

TEST(Premultiplied, ColourIsDividedBackByAlpha) {
    const std::uint32_t pixels[3] = {cairo_pixel(128, 128, 64, 0), cairo_pixel(255, 10, 20, 30),
                                     cairo_pixel(1, 1, 0, 1)};
    const Image image = from_premultiplied_argb32(reinterpret_cast<const unsigned char*>(pixels), 3, 1, 12);
    EXPECT_EQ(image.at(0, 0)[0], 255);
    EXPECT_EQ(image.at(0, 0)[1], 128);
    EXPECT_EQ(image.at(0, 0)[2], 0);
    EXPECT_EQ(image.at(0, 0)[3], 128);
    EXPECT_EQ(image.at(1, 0)[0], 10);
    EXPECT_EQ(image.at(1, 0)[2], 30);
    EXPECT_EQ(image.at(2, 0)[0], 255);
    EXPECT_EQ(image.at(2, 0)[3], 1);
}

TEST(Premultiplied, RowPaddingIsSkipped) {
    // Two rows of one pixel with a stride of two pixels; the padding is garbage.
    const std::uint32_t pixels[4] = {cairo_pixel(255, 1, 2, 3), 0xdeadbeef, cairo_pixel(0, 0, 0, 0),
                                     0xdeadbeef};
    const Image image = from_premultiplied_argb32(reinterpret_cast<const unsigned char*>(pixels), 1, 2, 8);
    EXPECT_EQ(image.at(0, 0)[2], 3);
    EXPECT_EQ(image.at(0, 1)[3], 0);
    EXPECT_EQ(image.at(0, 1)[0], 0);
}

TEST(Bleed, TransparentPixelsTakeTheNearestVisibleColourButStayInvisible) {
    Image image = solid(5, 1, 0, 0, 0, 0);
    image.at(0, 0)[0] = 200;
    image.at(0, 0)[3] = 255;
    bleed_into_transparent(image);
    for (int x = 1; x < 5; ++x) {
        EXPECT_EQ(image.at(x, 0)[0], 200) << x;
        EXPECT_EQ(image.at(x, 0)[3], 0) << x;
    }
}

TEST(Bleed, VisiblePixelsAreUntouchedAndFaintOnesWeighLess) {
    Image image = solid(3, 1, 0, 0, 0, 0);
    image.at(0, 0)[0] = 255; // faint red
    image.at(0, 0)[3] = 1;
    image.at(2, 0)[2] = 255; // solid blue
    image.at(2, 0)[3] = 255;
    const Image before = image;
    bleed_into_transparent(image);
    EXPECT_EQ(std::memcmp(image.at(0, 0), before.at(0, 0), 4), 0);
    EXPECT_EQ(std::memcmp(image.at(2, 0), before.at(2, 0), 4), 0);
    EXPECT_GT(image.at(1, 0)[2], 250);
    EXPECT_LT(image.at(1, 0)[0], 5);
}

TEST(Bleed, EmptyImageIsLeftAlone) {
    Image image = solid(4, 4, 0, 0, 0, 0);
    bleed_into_transparent(image);
    EXPECT_EQ(image.rgba, solid(4, 4, 0, 0, 0, 0).rgba);
}

} // namespace
} // namespace artgen
