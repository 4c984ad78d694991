// The rendered art set: every bitmap the game asks for exists, and each has the shape, size and
// transparency its use needs (drawn opaque, added onto the scene, laid over a colour, mapped onto a
// triangle, rotated around a window, and so on).
#include "image.hpp"
#include "test_support.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>
#include <set>

namespace artgen {
namespace {

using testing::expected_images;
using testing::load_rendered;

std::set<std::string> relative_names(const std::filesystem::path& dir, const std::string& ext) {
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(dir)) {
        if (entry.is_regular_file() && entry.path().extension() == ext)
            names.insert(
                std::filesystem::relative(entry.path(), dir).replace_extension(".bmp").generic_string());
    }
    return names;
}

std::vector<std::string> expected_under(const std::string& prefix) {
    std::vector<std::string> names;
    for (const auto& name : expected_images())
        if (name.starts_with(prefix)) names.push_back(name);
    return names;
}

int alpha(const Image& image, int x, int y) {
    return image.at(x, y)[3];
}

double share_of_pixels(const Image& image, auto&& predicate) {
    long hits = 0;
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x) hits += predicate(image.at(x, y)) ? 1 : 0;
    return static_cast<double>(hits) / (static_cast<double>(image.width) * image.height);
}

struct Mean {
    double r = 0, g = 0, b = 0, a = 0;
};

Mean mean_of(const Image& image) {
    Mean m;
    const double n = static_cast<double>(image.width) * image.height;
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            const std::uint8_t* p = image.at(x, y);
            m.r += p[0] / n;
            m.g += p[1] / n;
            m.b += p[2] / n;
            m.a += p[3] / n;
        }
    }
    return m;
}

TEST(ArtSet, BuildProducesExactlyTheExpectedBitmaps) {
    const auto expected = expected_images();
    const std::set<std::string> wanted(expected.begin(), expected.end());
    ASSERT_EQ(wanted.size(), expected.size()) << "expected_images.txt lists a name twice";
    ASSERT_TRUE(std::filesystem::is_directory(ARTGEN_BMPS_DIR)) << "build the art target first";
    EXPECT_EQ(relative_names(ARTGEN_BMPS_DIR, ".bmp"), wanted);
    EXPECT_EQ(relative_names(ARTGEN_ART_DIR, ".svg"), wanted) << "every bitmap needs exactly one SVG source";
}

TEST(ArtSet, CustomObjectNamesAndSizesSuitTheirBodies) {
    const auto custom = expected_under("custom/");
    EXPECT_GE(custom.size(), 3u);
    for (const auto& name : custom) {
        SCOPED_TRACE(name);
        EXPECT_TRUE(
            std::none_of(name.begin(), name.end(), [](char c) { return std::isupper(c) || c == ' '; }));
        const Image image = load_rendered(name);
        // The body is half the image size: 32 to 64 units.
        EXPECT_GE(std::min(image.width, image.height), 64);
        EXPECT_LE(std::max(image.width, image.height), 128);
    }
}

// Sizes and orientations the drawing code relies on.
TEST(ArtShape, ImagesHaveTheSizeAndOrientationTheirUseNeeds) {
    for (const char* name : {"GUI/close.bmp", "GUI/maximize.bmp", "GUI/minimize.bmp"}) {
        const Image image = load_rendered(name);
        EXPECT_EQ(image.width, 19) << name << ": sets the title bar height";
        EXPECT_EQ(image.height, 19) << name;
    }
    const Image pin = load_rendered("pin.bmp");
    EXPECT_LE(std::max(pin.width, pin.height), 16) << "the pin is drawn at its own size";
    // Long bands: the long axis is horizontal.
    for (const char* name : {"wall.bmp", "icewall.bmp", "strap.bmp", "coloredwall.bmp", "halfspaceline.bmp",
                             "GUI/trackbar/trackbarline.bmp", "GUI/scrollarea/scrollareaselected.bmp"}) {
        const Image image = load_rendered(name);
        EXPECT_GE(image.width, 4 * image.height) << name;
    }
    // Cast light runs from right (object) to left (far away): wider than tall.
    for (const auto& name : {"light/green.bmp", "light/red.bmp", "light/blue.bmp", "light/purple.bmp"}) {
        const Image image = load_rendered(name);
        EXPECT_GT(image.width, image.height) << name;
    }
    for (const char* name : {"GUI/scrollarea/scrollarealine.bmp", "effect/lightning.bmp",
                             "effect/raindrop.bmp", "barrel.bmp", "latern.bmp", "firecave.bmp"}) {
        const Image image = load_rendered(name);
        EXPECT_GT(image.height, image.width) << name;
    }
    for (const char* name : {"GUI/edge.bmp", "GUI/button/buttonedge.bmp", "GUI/trackbar/trackbaredge.bmp",
                             "GUI/scrollarea/scrollareaedge.bmp", "warning.bmp"}) {
        const Image image = load_rendered(name);
        EXPECT_EQ(image.width, image.height) << name << ": rotated or mapped in quarter turns";
    }
}

// Fills that the game may repeat: the step across the wrap-around edge should look like any step inside.
TEST(ArtShape, RepeatingFillsHaveNoSeams) {
    auto step = [](const Image& image, int x0, int y0, int x1, int y1) {
        double sum = 0;
        for (int c = 0; c < 4; ++c) sum += std::abs(image.at(x0, y0)[c] - image.at(x1, y1)[c]);
        return sum;
    };
    for (const char* name : {"halfspace.bmp", "region.bmp", "default.bmp"}) {
        const Image image = load_rendered(name);
        const int w = image.width;
        const int h = image.height;
        double inside = 0;
        double across_x = 0;
        double across_y = 0;
        for (int y = 0; y < h; ++y) {
            across_x += step(image, w - 1, y, 0, y) / h;
            for (int x = 1; x < w; ++x) inside += step(image, x - 1, y, x, y) / (h * (w - 1.0));
        }
        for (int x = 0; x < w; ++x) across_y += step(image, x, h - 1, x, 0) / w;
        EXPECT_LT(across_x, 1.5 * inside + 4) << name;
        EXPECT_LT(across_y, 1.5 * inside + 4) << name;
    }
}

TEST(ArtAlpha, ImagesDrawnOpaqueHaveNoHoles) {
    std::vector<std::string> names = expected_under("colors/");
    for (const char* name : {"player.bmp", "player2.bmp", "box.bmp", "box2.bmp", "halfspace.bmp",
                             "default.bmp", "effect/background.bmp", "GUI/button/buttonfill.bmp",
                             "GUI/trackbar/trackbarfill.bmp", "GUI/vertex.bmp"})
        names.emplace_back(name);
    for (const auto& name : names) {
        const Image image = load_rendered(name);
        EXPECT_EQ(share_of_pixels(image, [](const std::uint8_t* p) { return p[3] < 235; }), 0) << name;
    }
}

TEST(ArtAlpha, SpritesSitOnAClearBackground) {
    // A black or coloured square around a round sprite means the alpha went wrong.
    std::vector<std::string> names = expected_under("effect/");
    std::erase(names, "effect/background.bmp");
    for (const auto& name : expected_under("Icons/")) names.push_back(name);
    for (const char* name : {"pin.bmp", "water.bmp", "poison.bmp", "blood.bmp", "fisch.bmp",
                             "light/source.bmp", "GUI/nobmp.bmp", "custom/ball.bmp", "barrel.bmp"})
        names.emplace_back(name);
    for (const auto& name : names) {
        const Image image = load_rendered(name);
        const int r = image.width - 1;
        const int b = image.height - 1;
        EXPECT_LE(std::max({alpha(image, 0, 0), alpha(image, r, 0), alpha(image, 0, b), alpha(image, r, b)}),
                  8)
            << name;
        EXPECT_GT(share_of_pixels(image, [](const std::uint8_t* p) { return p[3] > 128; }), 0.02)
            << name << " is almost invisible";
    }
}

TEST(ArtAlpha, GlassAndIceAreSeeThroughButTanksAreBoldEnoughToDrawFaint) {
    for (const char* name : {"icebox.bmp", "icewall.bmp"}) {
        const Image image = load_rendered(name);
        const int a = alpha(image, image.width / 2, image.height / 2);
        EXPECT_GT(a, 60) << name;
        EXPECT_LT(a, 230) << name;
    }
    // The game draws the aquarium at alpha 50 and the lantern at 100: faint art would vanish.
    EXPECT_GT(mean_of(load_rendered("aquarium.bmp")).a, 140);
    EXPECT_GT(mean_of(load_rendered("latern.bmp")).a, 110);
}

TEST(ArtAlpha, PoisonBoxLeavesTheMiddleClearForTheLiquid) {
    const Image image = load_rendered("poisonbox.bmp");
    double sum = 0;
    int n = 0;
    for (int y = image.height * 3 / 10; y < image.height * 7 / 10; ++y)
        for (int x = image.width * 3 / 10; x < image.width * 7 / 10; ++x, ++n) sum += alpha(image, x, y);
    EXPECT_LT(sum / n, 80);
    EXPECT_GT(alpha(image, 2, image.height / 2), 200) << "the frame itself should be solid";
}

TEST(ArtAlpha, OverlaysLetTheColourBelowShowThrough) {
    for (const char* name : {"coloredwall.bmp", "coloredquad.bmp"}) {
        const Image image = load_rendered(name);
        EXPECT_GT(share_of_pixels(image, [](const std::uint8_t* p) { return p[3] < 128; }), 0.6) << name;
        // ...but they do draw an outline at the edge.
        EXPECT_GT(alpha(image, 2, image.height / 2), 150) << name;
    }
}

TEST(ArtMapping, WarningSignStaysInTheTriangleTheGameDraws) {
    // Only texture points with y <= x (above the top-left to bottom-right diagonal) reach the screen.
    const Image image = load_rendered("warning.bmp");
    long outside = 0;
    long inside = 0;
    long solid_inside = 0;
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            if (y > x + 1) outside += alpha(image, x, y) > 2;
            if (y < x - 2) {
                ++inside;
                solid_inside += alpha(image, x, y) == 255;
            }
        }
    }
    EXPECT_EQ(outside, 0);
    EXPECT_GT(static_cast<double>(solid_inside) / inside, 0.95);
    // The sign is yellow with a dark border: the middle of the triangle is yellow.
    const std::uint8_t* p = image.at(image.width * 7 / 10, image.height * 2 / 10);
    EXPECT_GT(p[0], 200);
    EXPECT_GT(p[1], 150);
    EXPECT_LT(p[2], 120);
}

TEST(ArtMapping, CastLightFadesFromTheObjectAtTheRightToNothingAtTheLeft) {
    struct Light {
        const char* name;
        int channel; // the strongest colour channel
    };
    for (const Light& light : {Light{"light/red.bmp", 0}, Light{"light/green.bmp", 1},
                               Light{"light/blue.bmp", 2}, Light{"light/purple.bmp", 2}}) {
        SCOPED_TRACE(light.name);
        const Image image = load_rendered(light.name);
        const int right = image.width - 1;
        for (int y = 0; y < image.height; ++y) {
            EXPECT_LE(alpha(image, 0, y), 3);
            EXPECT_GE(alpha(image, right, y), 240);
            for (int x = 1; x < image.width; ++x)
                ASSERT_GE(alpha(image, x, y) + 1, alpha(image, x - 1, y)) << x;
        }
        EXPECT_EQ(alpha(image, image.width / 2, 0), alpha(image, image.width / 2, image.height - 1));
        const std::uint8_t* mid = image.at(image.width * 3 / 4, image.height / 2);
        for (int c = 0; c < 3; ++c) {
            if (c != light.channel) {
                EXPECT_GT(mid[light.channel], mid[c] + 40) << c;
            }
        }
    }
}

TEST(ArtMapping, LiquidBlobsAreBrightInTheMiddleAndFadeToNothing) {
    struct Blob {
        const char* name;
        int channel;
    };
    for (const Blob& blob : {Blob{"water.bmp", 2}, Blob{"poison.bmp", 1}, Blob{"blood.bmp", 0}}) {
        SCOPED_TRACE(blob.name);
        const Image image = load_rendered(blob.name);
        const int c = image.width / 2;
        EXPECT_GE(alpha(image, c, c), 200);
        for (int x = c + 1; x < image.width; ++x) EXPECT_LE(alpha(image, x, c), alpha(image, x - 1, c) + 1);
        EXPECT_LE(alpha(image, image.width - 1, c), 8);
        const std::uint8_t* p = image.at(c + image.width / 6, c);
        for (int k = 0; k < 3; ++k) {
            if (k != blob.channel) {
                EXPECT_GT(p[blob.channel], p[k]) << k;
            }
        }
    }
}

TEST(ArtMapping, MarkerArrowPointsUp) {
    const Image image = load_rendered("effect/greenmarker.bmp");
    auto row_extent = [&](int y) {
        int first = -1;
        int last = -1;
        for (int x = 0; x < image.width; ++x) {
            if (alpha(image, x, y) > 128) {
                if (first < 0) first = x;
                last = x;
            }
        }
        return std::pair{first, last};
    };
    int top = 0;
    while (top < image.height && row_extent(top).first < 0) ++top;
    int bottom = image.height - 1;
    while (bottom > 0 && row_extent(bottom).first < 0) --bottom;
    ASSERT_LT(top, image.height / 4) << "the tip should reach the top";
    const auto [tip_l, tip_r] = row_extent(top);
    EXPECT_LE(tip_r - tip_l, 4);
    EXPECT_LE(std::abs((tip_l + tip_r) / 2 - image.width / 2), 2);
    int widest_row = top;
    for (int y = top; y <= bottom; ++y) {
        const auto [l, r] = row_extent(y);
        const auto [wl, wr] = row_extent(widest_row);
        if (r - l > wr - wl) widest_row = y;
    }
    EXPECT_LT(widest_row, image.height * 2 / 3) << "the head is at the top, the tail below";
}

TEST(ArtMapping, LightningRunsTheFullHeight) {
    const Image image = load_rendered("effect/lightning.bmp");
    int rows = 0;
    for (int y = 0; y < image.height; ++y) {
        bool bright = false;
        for (int x = 0; x < image.width; ++x) bright = bright || alpha(image, x, y) > 200;
        rows += bright;
    }
    EXPECT_GT(rows, image.height * 9 / 10);
}

// The frame's side band is stretched along each side and its corner piece fills the square between two
// bands: the corner's edge column must carry the same colours as the band across its thickness.
TEST(ArtGui, FrameCornersContinueTheirSideBands) {
    for (const std::string dir :
         {"GUI/", "GUI/button/button", "GUI/trackbar/trackbar", "GUI/scrollarea/scrollarea"}) {
        SCOPED_TRACE(dir);
        const Image band = load_rendered(dir + "vertex.bmp");
        const Image corner = load_rendered(dir + "edge.bmp");
        EXPECT_LE(alpha(corner, 0, 0), 10) << "the outer corner is rounded";
        EXPECT_GE(alpha(corner, corner.width - 1, corner.height - 1), 200);
        for (int y = 0; y < band.height; ++y)
            EXPECT_EQ(std::memcmp(band.at(0, y), band.at(band.width - 1, y), 4), 0)
                << "band varies along its length";
        for (int yc = 0; yc < corner.height; ++yc) {
            const double offset = (yc + 0.5) / corner.height;
            const double yb = std::clamp(offset * band.height - 0.5, 0.0, band.height - 1.0);
            const int y0 = static_cast<int>(yb);
            const int y1 = std::min(y0 + 1, band.height - 1);
            const double t = yb - y0;
            for (int c = 0; c < 4; ++c) {
                const double expected = band.at(0, y0)[c] * (1 - t) + band.at(0, y1)[c] * t;
                EXPECT_NEAR(corner.at(corner.width - 1, yc)[c], expected, 40)
                    << "row " << yc << " channel " << c;
            }
        }
    }
}

TEST(ArtGui, TitleBarButtonsAreSolidShapes) {
    // They are drawn at alpha 50 to 200 depending on hover: thin art would disappear.
    for (const char* name : {"GUI/close.bmp", "GUI/maximize.bmp", "GUI/minimize.bmp"}) {
        const Image image = load_rendered(name);
        EXPECT_GT(share_of_pixels(image, [](const std::uint8_t* p) { return p[3] == 255; }), 0.6) << name;
    }
}

TEST(ArtGui, ResizeGripSitsInTheLowerRightCorner) {
    const Image image = load_rendered("GUI/resize.bmp");
    long lower_right = 0;
    long upper_left = 0;
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            if (x + y >= image.width) lower_right += alpha(image, x, y);
            if (x + y < image.width - 2) upper_left += alpha(image, x, y);
        }
    }
    EXPECT_GT(lower_right, 0);
    EXPECT_EQ(upper_left, 0);
}

TEST(ArtColors, SwatchesAreFlatAndLookLikeTheirNames) {
    struct Swatch {
        const char* name;
        bool (*looks_right)(const Mean&);
    };
    const Swatch swatches[] = {
        {"red", [](const Mean& m) { return m.r > 150 && m.r > m.g + 60 && m.r > m.b + 60; }},
        {"green", [](const Mean& m) { return m.g > m.r + 40 && m.g > m.b + 40; }},
        {"blue", [](const Mean& m) { return m.b > m.r + 60 && m.b > m.g + 40; }},
        {"black", [](const Mean& m) { return m.r + m.g + m.b < 150; }},
        {"white",
         [](const Mean& m) {
             return std::min({m.r, m.g, m.b}) > 225;
         }},
        {"lightblue", [](const Mean& m) { return m.b > 200 && m.b > m.r + 30 && m.r > 100; }},
        {"pink", [](const Mean& m) { return m.r > 200 && m.b > m.g && m.g > 100; }},
        {"mudd", [](const Mean& m) { return m.r > m.g && m.g > m.b && m.r < 160 && m.r > 80; }},
        {"yellow", [](const Mean& m) { return m.r > 200 && m.g > 180 && m.b < 120; }},
        {"sky", [](const Mean& m) { return m.b > 230 && m.r > 160 && m.b > m.r; }},
        {"purple", [](const Mean& m) { return m.b > m.g + 60 && m.r > m.g + 30; }},
        {"orange", [](const Mean& m) { return m.r > 200 && m.g > 100 && m.g < 190 && m.b < 100; }},
        {"grass", [](const Mean& m) { return m.g > m.r + 40 && m.g > m.b + 60; }},
        {"bluegrass", [](const Mean& m) { return m.g > m.r + 60 && m.b > m.r + 60; }},
        {"gray",
         [](const Mean& m) {
             return std::max({m.r, m.g, m.b}) - std::min({m.r, m.g, m.b}) < 20;
         }},
    };
    EXPECT_EQ(std::size(swatches), expected_under("colors/").size());
    std::vector<Mean> means;
    for (const Swatch& swatch : swatches) {
        const Image image = load_rendered(std::string("colors/") + swatch.name + ".bmp");
        const Mean m = mean_of(image);
        EXPECT_TRUE(swatch.looks_right(m)) << swatch.name << " is " << m.r << "," << m.g << "," << m.b;
        EXPECT_LT(share_of_pixels(image,
                                  [&](const std::uint8_t* p) {
                                      return std::abs(p[0] - m.r) + std::abs(p[1] - m.g) +
                                                 std::abs(p[2] - m.b) >
                                             45;
                                  }),
                  0.01)
            << swatch.name << " should be a clean swatch";
        for (const Mean& other : means)
            EXPECT_GT(std::abs(other.r - m.r) + std::abs(other.g - m.g) + std::abs(other.b - m.b), 40)
                << swatch.name;
        means.push_back(m);
    }
}

} // namespace
} // namespace artgen
