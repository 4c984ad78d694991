// The game loads bitmaps with SDL_LoadBMP: it must see our alpha channel, pixel for pixel.
#include "image.hpp"
#include "test_support.hpp"

#include <SDL.h>
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <memory>

namespace artgen {
namespace {

struct FreeSurface {
    void operator()(SDL_Surface* s) const { SDL_FreeSurface(s); }
};
using Surface = std::unique_ptr<SDL_Surface, FreeSurface>;

Surface load(const std::filesystem::path& path) {
    return Surface(SDL_LoadBMP(path.c_str()));
}

std::array<Uint8, 4> rgba_at(const SDL_Surface* s, int x, int y) {
    const auto* row = static_cast<const Uint8*>(s->pixels) + static_cast<std::ptrdiff_t>(y) * s->pitch;
    Uint32 pixel = 0;
    std::memcpy(&pixel, row + x * s->format->BytesPerPixel, sizeof pixel);
    std::array<Uint8, 4> c{};
    SDL_GetRGBA(pixel, s->format, &c[0], &c[1], &c[2], &c[3]);
    return c;
}

TEST(SdlLoad, EveryChannelOfAnEncodedBitmapRoundTrips) {
    Image image(17, 9); // odd width, more than one row
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            std::uint8_t* p = image.at(x, y);
            p[0] = static_cast<std::uint8_t>(x * 15);
            p[1] = static_cast<std::uint8_t>(y * 28);
            p[2] = static_cast<std::uint8_t>(255 - x * 15);
            p[3] = static_cast<std::uint8_t>((x + y * image.width) * 255 / (image.width * image.height - 1));
        }
    }
    testing::TempDir dir;
    write_file(dir.path() / "t.bmp", encode_bmp(image));
    const Surface s = load(dir.path() / "t.bmp");
    ASSERT_TRUE(s) << SDL_GetError();
    ASSERT_EQ(s->w, image.width);
    ASSERT_EQ(s->h, image.height);
    ASSERT_NE(s->format->Amask, 0u) << "SDL dropped the alpha channel";
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            const auto c = rgba_at(s.get(), x, y);
            const std::uint8_t* p = image.at(x, y);
            ASSERT_EQ(c[0], p[0]) << x << "," << y;
            ASSERT_EQ(c[1], p[1]) << x << "," << y;
            ASSERT_EQ(c[2], p[2]) << x << "," << y;
            ASSERT_EQ(c[3], p[3]) << x << "," << y;
        }
    }
}

TEST(SdlLoad, EveryRenderedBitmapLoadsWithItsAlpha) {
    for (const std::string& name : testing::expected_images()) {
        SCOPED_TRACE(name);
        const Surface s = load(std::filesystem::path(ARTGEN_BMPS_DIR) / name);
        ASSERT_TRUE(s) << SDL_GetError();
        EXPECT_NE(s->format->Amask, 0u);
        const Image ours = testing::load_rendered(name);
        ASSERT_EQ(s->w, ours.width);
        ASSERT_EQ(s->h, ours.height);
        const int x = ours.width / 2;
        const int y = ours.height / 2;
        EXPECT_EQ(rgba_at(s.get(), x, y)[3], ours.at(x, y)[3]);
    }
}

} // namespace
} // namespace artgen
