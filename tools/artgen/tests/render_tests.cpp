// Rendering SVG sources and drawing the contact sheet.
#include "image.hpp"
#include "render.hpp"
#include "sheet.hpp"
#include "test_support.hpp"

#include <cairo.h>
#include <gtest/gtest.h>

#include <stdexcept>

namespace artgen {
namespace {

using testing::solid;
using testing::TempDir;

std::string svg(const std::string& size, const std::string& body) {
    return "<svg xmlns='http://www.w3.org/2000/svg' " + size + ">" + body + "</svg>";
}

TEST(Render, BitmapSizeComesFromWidthAndHeight) {
    TempDir dir;
    const Image image = render_svg(dir.write("a.svg", svg("width='7' height='3' viewBox='0 0 70 30'", "")));
    EXPECT_EQ(image.width, 7);
    EXPECT_EQ(image.height, 3);
}

TEST(Render, HalfTransparentFillComesOutAsStraightAlpha) {
    TempDir dir;
    const Image image =
        render_svg(dir.write("a.svg", svg("width='4' height='4'",
                                          "<rect width='4' height='4' fill='#ff8000' fill-opacity='0.5'/>")));
    const std::uint8_t* p = image.at(2, 2);
    EXPECT_EQ(p[0], 255);
    EXPECT_NEAR(p[1], 128, 2);
    EXPECT_EQ(p[2], 0);
    EXPECT_NEAR(p[3], 128, 1);
}

TEST(Render, AntialiasedEdgesHaveNoDarkFringe) {
    TempDir dir;
    const Image image = render_svg(
        dir.write("a.svg", svg("width='32' height='32'", "<circle cx='16' cy='16' r='10' fill='#ffe040'/>")));
    EXPECT_EQ(image.at(0, 0)[3], 0);
    for (int x : {0, 5, 6, 7}) { // outside and across the rim
        const std::uint8_t* p = image.at(x, 16);
        EXPECT_GT(p[0], 240) << x;
        EXPECT_GT(p[1], 200) << x;
    }
}

TEST(Render, RefusesFilesThatDoNotStateAWholePixelSize) {
    TempDir dir;
    EXPECT_THROW(render_svg(dir.write("a.svg", svg("viewBox='0 0 10 10'", ""))), std::runtime_error);
    EXPECT_THROW(render_svg(dir.write("b.svg", svg("width='10.5' height='10'", ""))), std::runtime_error);
    EXPECT_THROW(render_svg(dir.write("c.svg", svg("width='0' height='10'", ""))), std::runtime_error);
    EXPECT_THROW(render_svg(dir.write("d.svg", "<svg")), std::runtime_error);
    EXPECT_THROW(render_svg(dir.path() / "missing.svg"), std::runtime_error);
}

TEST(Sheet, ListsBitmapsRecursivelyInSortedOrder) {
    TempDir dir;
    dir.write("b.bmp", "x");
    dir.write("A/z.bmp", "x");
    dir.write("GUI/button/x.BMP", "x");
    dir.write("notes.txt", "x");
    const auto found = list_bmps(dir.path());
    ASSERT_EQ(found.size(), 3u);
    EXPECT_EQ(found[0].generic_string(), "A/z.bmp");
    EXPECT_EQ(found[1].generic_string(), "GUI/button/x.BMP");
    EXPECT_EQ(found[2].generic_string(), "b.bmp");
    EXPECT_THROW(list_bmps(dir.path() / "b.bmp"), std::runtime_error);
}

TEST(Sheet, SmallImagesGrowByWholeStepsAndLargeOnesShrinkToFit) {
    const SheetOptions options;
    EXPECT_EQ(sheet_scale(6, 6, options), 4);
    EXPECT_EQ(sheet_scale(32, 32, options), 3);
    EXPECT_EQ(sheet_scale(19, 19, options), 4);
    EXPECT_EQ(sheet_scale(64, 64, options), 1);
    EXPECT_DOUBLE_EQ(sheet_scale(256, 32, options), 96.0 / 256);
    EXPECT_DOUBLE_EQ(sheet_scale(64, 256, options), 96.0 / 256);
}

struct Counts {
    long red = 0;
    long black = 0;
};

Counts count_pixels(const std::filesystem::path& png) {
    cairo_surface_t* s = cairo_image_surface_create_from_png(png.c_str());
    EXPECT_EQ(cairo_surface_status(s), CAIRO_STATUS_SUCCESS);
    Counts counts;
    const int stride = cairo_image_surface_get_stride(s);
    const unsigned char* data = cairo_image_surface_get_data(s);
    for (int y = 0; y < cairo_image_surface_get_height(s); ++y) {
        for (int x = 0; x < cairo_image_surface_get_width(s); ++x) {
            const std::uint32_t p = reinterpret_cast<const std::uint32_t*>(data + y * stride)[x] & 0xffffff;
            counts.red += p == 0xff0000;
            counts.black += p == 0;
        }
    }
    cairo_surface_destroy(s);
    return counts;
}

TEST(Sheet, DrawsEachImageTwiceAndLetsTransparencyShowTheBackground) {
    TempDir bmps;
    TempDir out;
    write_file(bmps.path() / "red.bmp", encode_bmp(solid(32, 32, 255, 0, 0, 255)));
    write_file(bmps.path() / "sub/clear.bmp", encode_bmp(solid(32, 32, 0, 0, 0, 0)));
    EXPECT_EQ(write_sheet(out.path() / "sheet.png", bmps.path()), 2);
    const Counts counts = count_pixels(out.path() / "sheet.png");
    EXPECT_EQ(counts.red, 2L * 96 * 96); // enlarged three times, over both backgrounds
    EXPECT_EQ(counts.black, 0);          // a transparent image must not come out as a black square
}

} // namespace
} // namespace artgen
