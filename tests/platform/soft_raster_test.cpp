#include "platform/soft_raster.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

// A canvas of w x h pixels whose rows are two pixels longer than the canvas (the margin must stay
// untouched), every pixel `fill`.
struct TestCanvas {
    std::vector<uint32_t> pixels;
    SoftCanvas canvas;
    TestCanvas(int w, int h, uint32_t fill)
        : pixels(static_cast<size_t>((w + 2) * h), fill), canvas{pixels.data(), w, h, w + 2} {}
    uint32_t At(int x, int y) const { return pixels[static_cast<size_t>(y * canvas.stride + x)]; }
};

SoftImage TwoByTwo() {
    return SoftImage{2, 2, {0xff0000ffu, 0xff00ff00u, 0xffff0000u, 0xffffffffu}, {}, -1};
}

TEST(SoftRaster, FillsPixelCentresInsideAndBlendsExactly) {
    TestCanvas c(6, 4, 0xff000000u);
    const SoftVertex square[4] = {{1, 1, 0, 0}, {3.5f, 1, 0, 0}, {3.5f, 3, 0, 0}, {1, 3, 0, 0}};
    SoftFillSpans(c.canvas, square, 4, SoftColour{255, 255, 255, 128}, false);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 8; ++x) {
            const bool inside = x >= 1 && x <= 3 && y >= 1 && y <= 2; // centre 3.5 is on the right edge: out
            EXPECT_EQ(c.At(x, y), inside && x < 3 ? 0xff808080u : 0xff000000u) << x << "," << y;
        }
    // Added colours saturate channel by channel and keep the pixel's alpha.
    TestCanvas d(4, 1, 0x7f102030u);
    const SoftVertex all[4] = {{0, 0, 0, 0}, {4, 0, 0, 0}, {4, 1, 0, 0}, {0, 1, 0, 0}};
    SoftFillSpans(d.canvas, all, 4, SoftColour{0xf8, 0x10, 0x00, 255}, true);
    for (int x = 0; x < 4; ++x) EXPECT_EQ(d.At(x, 0), 0x7fff3030u);
    EXPECT_EQ(d.At(4, 0), 0x7f102030u);
}

// Spans of every width from 1 to 9 over pixels of many colours and alphas: however a span is cut up (four,
// two or one pixel at a time), each pixel is the blend of that pixel alone, and keeps its alpha.
TEST(SoftRaster, EverySpanWidthBlendsEachPixelAlike) {
    for (const SoftColour colour : {SoftColour{200, 100, 50, 77}, SoftColour{9, 250, 130, 255}}) {
        TestCanvas c(9, 9, 0);
        for (size_t i = 0; i < c.pixels.size(); ++i) c.pixels[i] = static_cast<uint32_t>(i * 2654435761u);
        const std::vector<uint32_t> before = c.pixels;
        for (int w = 1; w <= 9; ++w) {
            const float y = static_cast<float>(w - 1), x = static_cast<float>(w);
            const SoftVertex row[4] = {{0, y, 0, 0}, {x, y, 0, 0}, {x, y + 1, 0, 0}, {0, y + 1, 0, 0}};
            SoftFillSpans(c.canvas, row, 4, colour, false);
        }
        const uint32_t a = colour.a + (colour.a >> 7u);
        const auto channel = [&](uint32_t d, int shift, uint32_t value) {
            return (((d >> shift & 255u) * (256 - a) + value * a) >> 8) << shift;
        };
        for (int y = 0; y < 9; ++y)
            for (int x = 0; x < 11; ++x) {
                const uint32_t d = before[static_cast<size_t>(y * c.canvas.stride + x)];
                const uint32_t blended = (d & 0xff000000u) | channel(d, 16, colour.r) |
                                         channel(d, 8, colour.g) | channel(d, 0, colour.b);
                EXPECT_EQ(c.At(x, y), x <= y ? blended : d) << x << "," << y;
            }
    }
}

TEST(SoftRaster, AddingSaturatesEachChannelAlone) {
    const uint32_t levels[] = {0, 1, 127, 128, 200, 255};
    for (uint32_t a : levels)
        for (uint32_t b : levels) {
            const uint32_t sum = std::min(a + b, 255u);
            EXPECT_EQ(AddSaturated(0x80000000u | a << 16 | b << 8 | a, b << 16 | a << 8 | b),
                      0x80000000u | sum << 16 | sum << 8 | sum)
                << a << "+" << b;
        }
}

TEST(SoftRaster, RowFillerAndTrianglesCopyAnImagePixelForPixel) {
    SoftImage img = TwoByTwo();
    TestCanvas rows(4, 4, 0xff000000u), tris(4, 4, 0xff000000u);
    const Quad q = RectQuad(1, 1, 2, 2);
    ASSERT_TRUE(SoftQuadRows(rows.canvas, img, q, 255, false));
    std::vector<SoftVertex> grid, geometry;
    QuadTriangles(q, 4, 4, grid, geometry);
    ASSERT_EQ(geometry.size(), 6u);
    SoftTriangles(tris.canvas, img, geometry.data(), geometry.size(), 255, false);
    for (const TestCanvas* c : {&rows, &tris}) {
        EXPECT_EQ(c->At(1, 1), 0xff0000ffu);
        EXPECT_EQ(c->At(2, 1), 0xff00ff00u);
        EXPECT_EQ(c->At(1, 2), 0xffff0000u);
        EXPECT_EQ(c->At(2, 2), 0xffffffffu);
        EXPECT_EQ(c->At(0, 0), 0xff000000u);
        EXPECT_EQ(c->At(3, 3), 0xff000000u);
    }
    // A slanted quad is not for the row filler unless it is added.
    Quad turned = RectQuad(1, 1, 2, 2, 30);
    EXPECT_FALSE(SoftQuadRows(rows.canvas, img, turned, 255, false));
    // Half alpha in the Add mode adds half of each texel.
    TestCanvas glow(4, 4, 0xff000000u);
    ASSERT_TRUE(SoftQuadRows(glow.canvas, img, q, 128, true));
    EXPECT_EQ(glow.At(2, 2), 0xff808080u);
}

TEST(SoftRaster, ClippingKeepsTrianglesOnTheCanvas) {
    std::vector<SoftVertex> out;
    AddClippedTriangle(out, {-1e7f, -5, 0, 0}, {1e7f, -5, 1, 0}, {0, 1e7f, 0, 1}, 100, 50);
    ASSERT_FALSE(out.empty());
    for (const SoftVertex& v : out) {
        EXPECT_TRUE(v.x >= 0 && v.x <= 100 && v.y >= 0 && v.y <= 50) << v.x << "," << v.y;
        EXPECT_TRUE(v.u >= 0 && v.u <= 1 && v.v >= 0 && v.v <= 1);
    }
    out.clear();
    AddClippedTriangle(out, {std::nanf(""), 0, 0, 0}, {10, 0, 1, 0}, {0, 10, 0, 1}, 100, 50);
    EXPECT_TRUE(out.empty());
    // A bow tie splits where its edges cross; a convex quad does not.
    Quad bow;
    bow.x = {0, 10, 0, 10};
    bow.y = {0, 10, 10, 0};
    Quad a, b;
    EXPECT_FALSE(IsConvex(bow));
    ASSERT_TRUE(SplitCrossed(bow, a, b));
    EXPECT_FLOAT_EQ(a.x[1], 5);
    EXPECT_FLOAT_EQ(a.y[1], 5);
    EXPECT_TRUE(IsConvex(RectQuad(0, 0, 3, 2, 45)));
    EXPECT_FALSE(SplitCrossed(RectQuad(0, 0, 3, 2, 45), a, b));
}

} // namespace
