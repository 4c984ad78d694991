#include "platform/sdl_platform.h"

#include <SDL_image.h>
#ifdef __SSE2__
#include <emmintrin.h>
#endif
#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <iostream>

#include "common/geometry.h"

namespace {

constexpr size_t kTextCacheSize = 600;
// Texts longer than this many bytes are measured against the surface's width before they are drawn.
constexpr size_t kLongText = 200;
// How many measurements of long texts are kept.
constexpr size_t kLongTextMemory = 64;

int PcScanCode(SDL_Scancode s) {
    if (s >= SDL_SCANCODE_1 && s <= SDL_SCANCODE_9) return 2 + (s - SDL_SCANCODE_1);
    switch (s) {
    case SDL_SCANCODE_ESCAPE:
        return 1;
    case SDL_SCANCODE_0:
        return 11;
    case SDL_SCANCODE_MINUS:
        return 12;
    case SDL_SCANCODE_EQUALS:
        return 13;
    case SDL_SCANCODE_BACKSPACE:
        return 14;
    case SDL_SCANCODE_TAB:
        return 15;
    case SDL_SCANCODE_Q:
        return 16;
    case SDL_SCANCODE_W:
        return 17;
    case SDL_SCANCODE_E:
        return 18;
    case SDL_SCANCODE_R:
        return 19;
    case SDL_SCANCODE_T:
        return 20;
    case SDL_SCANCODE_Y:
        return 21;
    case SDL_SCANCODE_U:
        return 22;
    case SDL_SCANCODE_I:
        return 23;
    case SDL_SCANCODE_O:
        return 24;
    case SDL_SCANCODE_P:
        return 25;
    case SDL_SCANCODE_RETURN:
        return 28;
    case SDL_SCANCODE_LCTRL:
        return 29;
    case SDL_SCANCODE_A:
        return 30;
    case SDL_SCANCODE_S:
        return 31;
    case SDL_SCANCODE_D:
        return 32;
    case SDL_SCANCODE_F:
        return 33;
    case SDL_SCANCODE_G:
        return 34;
    case SDL_SCANCODE_H:
        return 35;
    case SDL_SCANCODE_J:
        return 36;
    case SDL_SCANCODE_K:
        return 37;
    case SDL_SCANCODE_L:
        return 38;
    case SDL_SCANCODE_LSHIFT:
        return 42;
    case SDL_SCANCODE_Z:
        return 44;
    case SDL_SCANCODE_X:
        return 45;
    case SDL_SCANCODE_C:
        return 46;
    case SDL_SCANCODE_V:
        return 47;
    case SDL_SCANCODE_B:
        return 48;
    case SDL_SCANCODE_N:
        return 49;
    case SDL_SCANCODE_M:
        return 50;
    case SDL_SCANCODE_RSHIFT:
        return 54;
    case SDL_SCANCODE_SPACE:
        return 57;
    case SDL_SCANCODE_F1:
        return 59;
    case SDL_SCANCODE_F2:
        return 60;
    case SDL_SCANCODE_RCTRL:
        return 157;
    case SDL_SCANCODE_HOME:
        return 199;
    case SDL_SCANCODE_UP:
        return 200;
    case SDL_SCANCODE_LEFT:
        return 203;
    case SDL_SCANCODE_RIGHT:
        return 205;
    case SDL_SCANCODE_DOWN:
        return 208;
    case SDL_SCANCODE_DELETE:
        return 211;
    default:
        return -1;
    }
}

// Finds a font file by family name; empty when fontconfig only offers a substitute.
std::string FindFontFile(const char* family, const char* style) {
    std::string result;
    FcPattern* pat = FcPatternCreate();
    FcPatternAddString(pat, FC_FAMILY, reinterpret_cast<const FcChar8*>(family));
    if (style) FcPatternAddString(pat, FC_STYLE, reinterpret_cast<const FcChar8*>(style));
    FcConfigSubstitute(nullptr, pat, FcMatchPattern);
    FcDefaultSubstitute(pat);
    FcResult res = FcResultNoMatch;
    FcPattern* match = FcFontMatch(nullptr, pat, &res);
    if (match) {
        FcChar8* got = nullptr;
        FcChar8* file = nullptr;
        if (FcPatternGetString(match, FC_FAMILY, 0, &got) == FcResultMatch &&
            FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch &&
            SDL_strcasecmp(reinterpret_cast<const char*>(got), family) == 0)
            result = reinterpret_cast<const char*>(file);
        FcPatternDestroy(match);
    }
    FcPatternDestroy(pat);
    return result;
}

// The largest point size whose line height fits in `cell` pixels.
TTF_Font* OpenFontWithCellHeight(const std::string& file, int cell) {
    for (int size = cell; size >= 8; --size) {
        TTF_Font* f = TTF_OpenFont(file.c_str(), size);
        if (!f) return nullptr;
        if (TTF_FontHeight(f) <= cell || size == 8) return f;
        TTF_CloseFont(f);
    }
    return nullptr;
}

// How far (in levels of each channel) the pixels of an image may lie from their mean for the image to be
// drawn as one colour.
constexpr int kFlatTolerance = 8;

// The mean colour of a surface whose pixels all lie within kFlatTolerance of it; false otherwise.
bool FlatColour(SDL_Surface* surface, SDL_Color& out) {
    SDL_Surface* s = SDL_ConvertSurfaceFormat(surface, SDL_PIXELFORMAT_ARGB8888, 0);
    if (!s) return false;
    const auto pixel = [&](int x, int y) {
        return static_cast<const Uint32*>(static_cast<const void*>(static_cast<const Uint8*>(s->pixels) +
                                                                   static_cast<ptrdiff_t>(y) * s->pitch))[x];
    };
    uint64_t sum[4] = {0, 0, 0, 0};
    for (int y = 0; y < s->h; ++y)
        for (int x = 0; x < s->w; ++x)
            for (int c = 0; c < 4; ++c) sum[c] += (pixel(x, y) >> (8 * c)) & 255;
    const uint64_t count = std::max<uint64_t>(static_cast<uint64_t>(s->w) * static_cast<uint64_t>(s->h), 1);
    int mean[4];
    for (int c = 0; c < 4; ++c) mean[c] = static_cast<int>((sum[c] + count / 2) / count);
    bool flat = true;
    for (int y = 0; y < s->h && flat; ++y)
        for (int x = 0; x < s->w && flat; ++x)
            for (int c = 0; c < 4; ++c)
                if (std::abs(static_cast<int>((pixel(x, y) >> (8 * c)) & 255) - mean[c]) > kFlatTolerance)
                    flat = false;
    SDL_FreeSurface(s);
    out = SDL_Color{static_cast<Uint8>(mean[2]), static_cast<Uint8>(mean[1]), static_cast<Uint8>(mean[0]),
                    static_cast<Uint8>(mean[3])};
    return flat;
}

// A texel position or step in 16.16 fixed point, rounded to the nearest and kept within +-2^40 (a row of
// steps cannot overflow); one that is not a number gives 0.
int64_t FixedTexel(float at) {
    constexpr float kLimit = 1099511627776.0f; // 2^40
    const float scaled = at * 65536.0f;
    if (!(scaled > -kLimit)) return scaled < 0 ? -static_cast<int64_t>(kLimit) : 0;
    return static_cast<int64_t>(scaled < kLimit ? scaled + (scaled < 0 ? -0.5f : 0.5f) : kLimit);
}

// A row's first texel position: a pixel centre that falls exactly on a texel's edge (as in pictures
// drawn pixel for pixel) takes the texel after it all along the row, however the steps round.
int64_t FixedStart(float at) {
    return FixedTexel(at) + 16;
}

// The smallest whole number not below f, for f well within the range of int (no library call).
int CeilSmall(float f) {
    const int i = static_cast<int>(f);
    return i + (f > static_cast<float>(i) ? 1 : 0);
}

// Each colour channel of d raised by that of p, up to 255.
Uint32 AddSaturated(Uint32 d, Uint32 p) {
#ifdef __SSE2__
    return static_cast<Uint32>(_mm_cvtsi128_si32(
        _mm_adds_epu8(_mm_cvtsi32_si128(static_cast<int>(d)), _mm_cvtsi32_si128(static_cast<int>(p)))));
#else
    const Uint32 r = std::min<Uint32>(((d >> 16) & 255) + ((p >> 16) & 255), 255);
    const Uint32 g = std::min<Uint32>(((d >> 8) & 255) + ((p >> 8) & 255), 255);
    const Uint32 b = std::min<Uint32>((d & 255) + (p & 255), 255);
    return (d & 0xff000000u) | r << 16 | g << 8 | b;
#endif
}

// An image sampled by 16.16 fixed-point texel positions, brought inside the image (the nearest texel).
struct TexelWalk {
    const Uint32* texels;
    size_t stride;
    int64_t lastU, lastV; // the last texel column and row, in fixed point, with every fraction bit set
    Uint32 At(int64_t u, int64_t v) const {
        const size_t tx = static_cast<size_t>(std::clamp<int64_t>(u, 0, lastU) >> 16);
        const size_t ty = static_cast<size_t>(std::clamp<int64_t>(v, 0, lastV) >> 16);
        return texels[ty * stride + tx];
    }
};

// What each texel of an image adds at this alpha in the Add mode (lights draw thousands of quads at one
// alpha, so it is worked out once).
template <typename Image> void PrepareGlow(Image& img, int alpha) {
    if (img.glowAlpha == alpha) return;
    img.glow.resize(img.texels.size());
    for (size_t i = 0; i < img.texels.size(); ++i) {
        const Uint32 s = img.texels[i];
        const Uint32 sa = ((s >> 24) * static_cast<Uint32>(alpha) + 127) / 255;
        const Uint32 a = sa + (sa >> 7);
        img.glow[i] = ((((s >> 16) & 255) * a) >> 8) << 16 | ((((s >> 8) & 255) * a) >> 8) << 8 |
                      (((s & 255) * a) >> 8);
    }
    img.glowAlpha = alpha;
}

template <typename Image> TexelWalk Walk(const Image& img, bool add) {
    return TexelWalk{add ? img.glow.data() : img.texels.data(), static_cast<size_t>(img.w),
                     (static_cast<int64_t>(img.w) << 16) - 1, (static_cast<int64_t>(img.h) << 16) - 1};
}

// Pixels xa to xb (excluded) of a row: the texel at (u, v), stepping by (du, dv), added channel by channel
// up to 255 (`add`, texels already weighed by alpha) or blended over the pixel with the texel's alpha
// times `alpha`.
void BlendSpan(Uint32* row, int xa, int xb, int64_t u, int64_t v, int64_t du, int64_t dv,
               const TexelWalk& img, bool add, int alpha) {
    int x = xa;
    if (add) {
        for (; x < xb; ++x, u += du, v += dv) {
            const Uint32 p = img.At(u, v);
            if (p != 0) row[x] = AddSaturated(row[x], p);
        }
        return;
    }
    for (; x < xb; ++x, u += du, v += dv) {
        const Uint32 s = img.At(u, v);
        const Uint32 sa = ((s >> 24) * static_cast<Uint32>(alpha) + 127) / 255;
        if (sa == 0) continue;
        const Uint32 a = sa + (sa >> 7), keep = 256 - a;
        const Uint32 d = row[x];
        const Uint32 rb = (((d & 0xff00ffu) * keep + (s & 0xff00ffu) * a) >> 8) & 0xff00ffu;
        const Uint32 g = (((d & 0xff00u) * keep + (s & 0xff00u) * a) >> 8) & 0xff00u;
        row[x] = (d & 0xff000000u) | rb | g;
    }
}

// The byte offset `chars` UTF-8 characters on from `from` (or the end).
size_t Utf8Advance(const std::string& text, size_t from, int chars) {
    size_t at = from;
    for (int c = 0; c < chars && at < text.size(); ++c) {
        ++at;
        while (at < text.size() && (static_cast<unsigned char>(text[at]) & 0xc0) == 0x80) ++at;
    }
    return at;
}

SDL_Color ColourOf(uint32_t rgb) {
    return SDL_Color{static_cast<Uint8>(RedOf(rgb)), static_cast<Uint8>(GreenOf(rgb)),
                     static_cast<Uint8>(BlueOf(rgb)), 255};
}

} // namespace

SdlPlatform::SdlPlatform(bool headless) : headless_(headless) {
    Uint32 flags = SDL_INIT_TIMER;
    if (!headless_) flags |= SDL_INIT_VIDEO;
    if (SDL_Init(flags) != 0) std::cerr << "tumblebox: SDL could not start: " << SDL_GetError() << "\n";
    ttfReady_ = TTF_Init() == 0;
    IMG_Init(IMG_INIT_PNG);
    input_.mouseX = 0;
    input_.mouseY = 0;
}

SdlPlatform::~SdlPlatform() {
    for (auto& [key, t] : textCache_) SDL_DestroyTexture(t.texture);
    for (auto& img : images_)
        if (img.texture) SDL_DestroyTexture(img.texture);
    if (guiFont_) TTF_CloseFont(guiFont_);
    if (hudFont_) TTF_CloseFont(hudFont_);
    if (target_) SDL_DestroyTexture(target_);
    if (renderer_) SDL_DestroyRenderer(renderer_);
    if (surface_) SDL_FreeSurface(surface_);
    if (window_) SDL_DestroyWindow(window_);
    if (ttfReady_) TTF_Quit();
    IMG_Quit();
    SDL_Quit();
}

bool SdlPlatform::OpenScreen(int width, int height, bool windowed) {
    width_ = width;
    height_ = height;
    if (headless_) {
        surface_ = SDL_CreateRGBSurfaceWithFormat(0, width, height, 32, SDL_PIXELFORMAT_ARGB8888);
        if (!surface_) return false;
        renderer_ = SDL_CreateSoftwareRenderer(surface_);
        return renderer_ != nullptr;
    }
    // Without a usable display SDL may fall back to a driver that draws nowhere: a program that asked for a
    // window must not run invisibly.
    const char* driver = SDL_WasInit(SDL_INIT_VIDEO) ? SDL_GetCurrentVideoDriver() : nullptr;
    if (driver == nullptr || SDL_strcasecmp(driver, "offscreen") == 0 ||
        SDL_strcasecmp(driver, "dummy") == 0 || SDL_strcasecmp(driver, "evdev") == 0) {
        noDisplay_ = true;
        return false;
    }
    Uint32 wflags = windowed ? (SDL_WINDOW_RESIZABLE | SDL_WINDOW_MAXIMIZED) : SDL_WINDOW_FULLSCREEN;
    window_ =
        SDL_CreateWindow("Tumblebox", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, width, height, wflags);
    if (!window_) return false;
    renderer_ = SDL_CreateRenderer(window_, -1, SDL_RENDERER_ACCELERATED | SDL_RENDERER_TARGETTEXTURE);
    if (!renderer_)
        renderer_ = SDL_CreateRenderer(window_, -1, SDL_RENDERER_SOFTWARE | SDL_RENDERER_TARGETTEXTURE);
    if (!renderer_) return false;
    SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "1");
    target_ = SDL_CreateTexture(renderer_, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_TARGET, width, height);
    if (!target_) return false;
    SDL_SetRenderTarget(renderer_, target_);
    SDL_StartTextInput();
    int mx = 0, my = 0;
    SDL_GetMouseState(&mx, &my);
    input_.mouseX = width / 2;
    input_.mouseY = height / 2;
    return true;
}

void SdlPlatform::SetDrawColour(uint32_t rgb) {
    SDL_SetRenderDrawColor(renderer_, static_cast<Uint8>(RedOf(rgb)), static_cast<Uint8>(GreenOf(rgb)),
                           static_cast<Uint8>(BlueOf(rgb)), 255);
}

// Windows: each call joins the frame, drawn at the flip (unless the same frame is on the screen already).
// The off-screen surface draws at once.
void SdlPlatform::Clear(uint32_t rgb) {
    Command c;
    c.kind = Command::Kind::Clear;
    c.rgb = rgb;
    if (window_)
        frame_.push_back(std::move(c));
    else
        DoClear(rgb);
}

void SdlPlatform::SetBlend(BlendMode mode) {
    if (!window_) {
        blend_ = mode;
        return;
    }
    Command c;
    c.kind = Command::Kind::Blend;
    c.blend = mode;
    frame_.push_back(std::move(c));
}

void SdlPlatform::DrawQuad(int image, const Quad& q, int alpha, bool cullCounterClockwise) {
    if (!window_) return DoQuad(image, q, alpha, cullCounterClockwise);
    Command c;
    c.kind = Command::Kind::Quad;
    c.image = image;
    c.alpha = alpha;
    c.flag = cullCounterClockwise;
    c.at = {q.x[0], q.x[1], q.x[2], q.x[3], q.y[0], q.y[1], q.y[2], q.y[3]};
    frame_.push_back(std::move(c));
}

void SdlPlatform::DrawLine(float x1, float y1, float x2, float y2, uint32_t rgb) {
    if (!window_) return DoLine(x1, y1, x2, y2, rgb);
    Command c;
    c.kind = Command::Kind::Line;
    c.rgb = rgb;
    c.at = {x1, y1, x2, y2, 0, 0, 0, 0};
    frame_.push_back(std::move(c));
}

void SdlPlatform::DrawBox(float x1, float y1, float x2, float y2, uint32_t rgb, bool filled) {
    if (!window_) return DoBox(x1, y1, x2, y2, rgb, filled);
    Command c;
    c.kind = Command::Kind::Box;
    c.rgb = rgb;
    c.flag = filled;
    c.at = {x1, y1, x2, y2, 0, 0, 0, 0};
    frame_.push_back(std::move(c));
}

void SdlPlatform::DrawCircle(float cx, float cy, float radius, uint32_t rgb) {
    if (!window_) return DoCircle(cx, cy, radius, rgb);
    Command c;
    c.kind = Command::Kind::Circle;
    c.rgb = rgb;
    c.at = {cx, cy, radius, 0, 0, 0, 0, 0};
    frame_.push_back(std::move(c));
}

void SdlPlatform::DrawText(FontId font, int x, int y, const std::string& text, uint32_t front, uint32_t back,
                           bool withBackground) {
    if (!window_) return DoText(font, x, y, text, front, back, withBackground);
    Command c;
    c.kind = Command::Kind::Text;
    c.font = font;
    c.x = x;
    c.y = y;
    c.text = text;
    c.rgb = front;
    c.back = back;
    c.flag = withBackground;
    frame_.push_back(std::move(c));
}

void SdlPlatform::Execute(const Command& c) {
    switch (c.kind) {
    case Command::Kind::Clear:
        DoClear(c.rgb);
        break;
    case Command::Kind::Blend:
        blend_ = c.blend;
        break;
    case Command::Kind::Quad: {
        Quad q;
        q.x = {c.at[0], c.at[1], c.at[2], c.at[3]};
        q.y = {c.at[4], c.at[5], c.at[6], c.at[7]};
        DoQuad(c.image, q, c.alpha, c.flag);
        break;
    }
    case Command::Kind::Line:
        DoLine(c.at[0], c.at[1], c.at[2], c.at[3], c.rgb);
        break;
    case Command::Kind::Box:
        DoBox(c.at[0], c.at[1], c.at[2], c.at[3], c.rgb, c.flag);
        break;
    case Command::Kind::Circle:
        DoCircle(c.at[0], c.at[1], c.at[2], c.rgb);
        break;
    case Command::Kind::Text:
        DoText(c.font, c.x, c.y, c.text, c.rgb, c.back, c.flag);
        break;
    }
}

void SdlPlatform::DoClear(uint32_t rgb) {
    if (!renderer_) return;
    SDL_SetRenderDrawBlendMode(renderer_, SDL_BLENDMODE_NONE);
    SetDrawColour(rgb);
    SDL_RenderClear(renderer_);
    SDL_SetRenderDrawBlendMode(renderer_, SDL_BLENDMODE_BLEND);
}

void SdlPlatform::Present() {
    if (!window_) return;
    SDL_SetRenderTarget(renderer_, nullptr);
    int ww = 0, wh = 0;
    SDL_GetRendererOutputSize(renderer_, &ww, &wh);
    if (ww == width_ && wh == height_) {
        // The frame fills the window pixel for pixel: one plain copy, nothing to clear or filter.
        SDL_SetTextureScaleMode(target_, SDL_ScaleModeNearest);
        SDL_RenderCopy(renderer_, target_, nullptr, nullptr);
        SDL_RenderPresent(renderer_);
        SDL_SetRenderTarget(renderer_, target_);
        return;
    }
    SDL_SetTextureScaleMode(target_, SDL_ScaleModeLinear);
    SDL_SetRenderDrawColor(renderer_, 0, 0, 0, 255);
    SDL_RenderClear(renderer_);
    // Stretch the frame to the window, keeping its proportions.
    double scale = std::min(static_cast<double>(ww) / width_, static_cast<double>(wh) / height_);
    SDL_Rect dst;
    dst.w = static_cast<int>(width_ * scale);
    dst.h = static_cast<int>(height_ * scale);
    dst.x = (ww - dst.w) / 2;
    dst.y = (wh - dst.h) / 2;
    SDL_RenderCopy(renderer_, target_, nullptr, &dst);
    SDL_RenderPresent(renderer_);
    SDL_SetRenderTarget(renderer_, target_);
}

void SdlPlatform::Flip() {
    if (!renderer_) return;
    if (headless_) return;
    if (imagesChanged_ || frame_ != shown_) {
        for (const Command& c : frame_) Execute(c);
        std::swap(frame_, shown_);
        imagesChanged_ = false;
        Present();
    } else if (exposed_) {
        Present();
    }
    exposed_ = false;
    frame_.clear();
    // Absolute deadlines at 60 frames per second: sleep to just before the deadline, then wait on the
    // performance counter.
    const uint64_t freq = SDL_GetPerformanceFrequency();
    const uint64_t period = freq / 60;
    uint64_t now = SDL_GetPerformanceCounter();
    if (nextDeadline_ == 0 || now > nextDeadline_ + period) nextDeadline_ = now;
    nextDeadline_ += period;
    while (true) {
        now = SDL_GetPerformanceCounter();
        if (now >= nextDeadline_) break;
        // Sleep to within a millisecond of the deadline, then wait on the counter.
        uint64_t leftUs = (nextDeadline_ - now) * 1000000 / freq;
        if (leftUs > 1500) SDL_Delay(static_cast<Uint32>((leftUs - 1000) / 1000));
    }
}

bool SdlPlatform::PumpEvents() {
    return closeRequested_;
}

SdlPlatform::Image* SdlPlatform::ImageAt(int number) {
    if (number < 0 || number >= static_cast<int>(images_.size())) return nullptr;
    Image& img = images_[static_cast<size_t>(number)];
    return img.texture ? &img : nullptr;
}

const SdlPlatform::Image* SdlPlatform::ImageAt(int number) const {
    if (number < 0 || number >= static_cast<int>(images_.size())) return nullptr;
    const Image& img = images_[static_cast<size_t>(number)];
    return img.texture ? &img : nullptr;
}

bool SdlPlatform::LoadImage(int number, const std::string& nativePath) {
    if (!renderer_ || number < 0 || number > 1000000) return false;
    SDL_Surface* s = SDL_LoadBMP(nativePath.c_str());
    if (!s) return false;
    SDL_Texture* t = SDL_CreateTextureFromSurface(renderer_, s);
    int w = s->w, h = s->h;
    SDL_Color colour{0, 0, 0, 0};
    const bool flat = t && FlatColour(s, colour);
    std::vector<Uint32> texels = TexelsOf(s);
    SDL_FreeSurface(s);
    if (!t) return false;
    FreeImage(number);
    if (number >= static_cast<int>(images_.size())) images_.resize(static_cast<size_t>(number) + 1);
    SDL_SetTextureBlendMode(t, SDL_BLENDMODE_BLEND);
    images_[static_cast<size_t>(number)] = {t, w, h, flat, colour, std::move(texels)};
    imagesChanged_ = true;
    return true;
}

bool SdlPlatform::CreateBlankImage(int number, int width, int height) {
    if (!renderer_ || number < 0 || number > 1000000 || width <= 0 || height <= 0) return false;
    SDL_Texture* t =
        SDL_CreateTexture(renderer_, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STATIC, width, height);
    if (!t) return false;
    std::vector<Uint32> pixels(static_cast<size_t>(width) * static_cast<size_t>(height), 0);
    SDL_UpdateTexture(t, nullptr, pixels.data(), width * 4);
    SDL_SetTextureBlendMode(t, SDL_BLENDMODE_BLEND);
    FreeImage(number);
    if (number >= static_cast<int>(images_.size())) images_.resize(static_cast<size_t>(number) + 1);
    images_[static_cast<size_t>(number)] = {
        t, width, height, false, {}, surface_ ? std::move(pixels) : std::vector<Uint32>{}};
    imagesChanged_ = true;
    return true;
}

// A copy of the surface's pixels as ARGB, for drawing into the off-screen surface; empty with a window.
std::vector<Uint32> SdlPlatform::TexelsOf(SDL_Surface* s) const {
    std::vector<Uint32> out;
    if (!surface_) return out;
    SDL_Surface* argb = SDL_ConvertSurfaceFormat(s, SDL_PIXELFORMAT_ARGB8888, 0);
    if (!argb) return out;
    out.resize(static_cast<size_t>(argb->w) * static_cast<size_t>(argb->h));
    for (int y = 0; y < argb->h; ++y)
        std::memcpy(out.data() + static_cast<size_t>(y) * static_cast<size_t>(argb->w),
                    static_cast<const Uint8*>(argb->pixels) + static_cast<ptrdiff_t>(y) * argb->pitch,
                    static_cast<size_t>(argb->w) * 4);
    SDL_FreeSurface(argb);
    return out;
}

void SdlPlatform::FreeImage(int number) {
    Image* img = ImageAt(number);
    if (!img) return;
    SDL_DestroyTexture(img->texture);
    *img = {};
    imagesChanged_ = true;
}

bool SdlPlatform::HasImage(int number) const {
    return ImageAt(number) != nullptr;
}

int SdlPlatform::ImageWidth(int number) const {
    const Image* img = ImageAt(number);
    return img ? img->w : 0;
}

int SdlPlatform::ImageHeight(int number) const {
    const Image* img = ImageAt(number);
    return img ? img->h : 0;
}

bool SdlPlatform::GrabScreen(int number, int x, int y, int width, int height) {
    if (!renderer_ || width <= 0 || height <= 0) return false;
    SDL_Rect r{x, y, width, height};
    SDL_Surface* s = SDL_CreateRGBSurfaceWithFormat(0, width, height, 32, SDL_PIXELFORMAT_ARGB8888);
    if (!s) return false;
    bool ok = SDL_RenderReadPixels(renderer_, &r, SDL_PIXELFORMAT_ARGB8888, s->pixels, s->pitch) == 0;
    SDL_Texture* t = ok ? SDL_CreateTextureFromSurface(renderer_, s) : nullptr;
    std::vector<Uint32> texels = t ? TexelsOf(s) : std::vector<Uint32>{};
    SDL_FreeSurface(s);
    if (!t) return false;
    FreeImage(number);
    if (number >= static_cast<int>(images_.size())) images_.resize(static_cast<size_t>(number) + 1);
    SDL_SetTextureBlendMode(t, SDL_BLENDMODE_BLEND);
    images_[static_cast<size_t>(number)] = {t, width, height, false, {}, std::move(texels)};
    imagesChanged_ = true;
    return true;
}

namespace {

// Every triangle is clipped to the surface before it is drawn: what lies beyond it costs nothing (the
// software rasteriser works through a triangle's whole bounding box, and overflows on coordinates in the
// millions, as a ground boundary far off screen or a light ray grazing a body has).

SDL_Vertex Between(const SDL_Vertex& a, const SDL_Vertex& b, float t) {
    SDL_Vertex v = a;
    v.position.x = a.position.x + (b.position.x - a.position.x) * t;
    v.position.y = a.position.y + (b.position.y - a.position.y) * t;
    v.tex_coord.x = a.tex_coord.x + (b.tex_coord.x - a.tex_coord.x) * t;
    v.tex_coord.y = a.tex_coord.y + (b.tex_coord.y - a.tex_coord.y) * t;
    return v;
}

// Keeps the part of the polygon where sign * (coordinate - limit) <= 0 (Sutherland-Hodgman, one edge).
int ClipPolygon(const SDL_Vertex* in, int n, SDL_Vertex* out, bool onX, float limit, float sign) {
    int m = 0;
    for (int i = 0; i < n; ++i) {
        const SDL_Vertex& a = in[i];
        const SDL_Vertex& b = in[(i + 1) % n];
        float da = sign * ((onX ? a.position.x : a.position.y) - limit);
        float db = sign * ((onX ? b.position.x : b.position.y) - limit);
        if (da <= 0) out[m++] = a;
        if ((da < 0 && db > 0) || (da > 0 && db < 0)) out[m++] = Between(a, b, da / (da - db));
    }
    return m;
}

// True when the quad's corners turn the same way at each corner (a convex quad; a flat one counts).
bool IsConvex(const Quad& q) {
    int positive = 0, negative = 0;
    for (size_t i = 0; i < 4; ++i) {
        const size_t j = (i + 1) % 4, k = (i + 2) % 4;
        const float cross = (q.x[j] - q.x[i]) * (q.y[k] - q.y[j]) - (q.y[j] - q.y[i]) * (q.x[k] - q.x[j]);
        if (cross > 0) ++positive;
        if (cross < 0) ++negative;
    }
    return positive == 0 || negative == 0;
}

// A quad two of whose opposite edges cross (a bow tie, as the fill of a half-plane whose boundary leaves
// the screen through its bottom or side makes) covers two triangles meeting where they cross: the image
// drawn across it sweeps from one of the crossing edges to the other. False when no opposite edges cross.
bool SplitCrossed(const Quad& q, Quad& first, Quad& second) {
    auto triangle = [](Quad& out, float ax, float ay, float bx, float by, float cx, float cy) {
        out.x = {ax, bx, cx, cx};
        out.y = {ay, by, cy, cy};
    };
    // Edges a0-a1 and b0-b1 (corner indices); on a crossing, x, y is the point.
    auto cross = [&](size_t a0, size_t a1, size_t b0, size_t b1, float& x, float& y) {
        const float rx = q.x[a1] - q.x[a0], ry = q.y[a1] - q.y[a0];
        const float sx = q.x[b1] - q.x[b0], sy = q.y[b1] - q.y[b0];
        const float den = rx * sy - ry * sx;
        if (den == 0) return false;
        const float ex = q.x[b0] - q.x[a0], ey = q.y[b0] - q.y[a0];
        const float t = (ex * sy - ey * sx) / den, u = (ex * ry - ey * rx) / den;
        if (!(t > 0 && t < 1 && u > 0 && u < 1)) return false;
        x = q.x[a0] + t * rx;
        y = q.y[a0] + t * ry;
        return true;
    };
    float x = 0, y = 0;
    if (cross(0, 1, 3, 2, x, y)) {
        triangle(first, q.x[0], q.y[0], x, y, q.x[3], q.y[3]);
        triangle(second, x, y, q.x[1], q.y[1], q.x[2], q.y[2]);
        return true;
    }
    if (cross(1, 2, 0, 3, x, y)) {
        triangle(first, q.x[0], q.y[0], q.x[1], q.y[1], x, y);
        triangle(second, x, y, q.x[2], q.y[2], q.x[3], q.y[3]);
        return true;
    }
    return false;
}

// Clips a polygon of up to 4 corners to the rectangle [0, w] x [0, h]; returns the corner count (up to 8).
int ClipToRect(SDL_Vertex (&p)[8], int n, float w, float h) {
    SDL_Vertex q[8];
    n = ClipPolygon(p, n, q, true, w, 1);
    n = ClipPolygon(q, n, p, true, 0, -1);
    n = ClipPolygon(p, n, q, false, h, 1);
    return ClipPolygon(q, n, p, false, 0, -1);
}

} // namespace

void SdlPlatform::AddTriangle(const SDL_Vertex& a, const SDL_Vertex& b, const SDL_Vertex& c) {
    const float lox = 0, hix = static_cast<float>(width_);
    const float loy = 0, hiy = static_cast<float>(height_);
    auto inside = [&](const SDL_Vertex& v) {
        return v.position.x >= lox && v.position.x <= hix && v.position.y >= loy && v.position.y <= hiy;
    };
    if (inside(a) && inside(b) && inside(c)) {
        geometry_.push_back(a);
        geometry_.push_back(b);
        geometry_.push_back(c);
        return;
    }
    for (const SDL_Vertex* v : {&a, &b, &c})
        if (!std::isfinite(v->position.x) || !std::isfinite(v->position.y)) return;
    // Each of the four edges adds at most one vertex.
    SDL_Vertex p[8] = {a, b, c};
    int n = ClipToRect(p, 3, hix, hiy);
    for (int i = 1; i + 1 < n; ++i) {
        geometry_.push_back(p[0]);
        geometry_.push_back(p[i]);
        geometry_.push_back(p[i + 1]);
    }
}

void SdlPlatform::DoQuad(int image, const Quad& q, int alpha, bool cullCounterClockwise) {
    Image* img = ImageAt(image);
    if (!img || !renderer_) return;
    if (cullCounterClockwise && !QuadIsClockwise(q)) return;
    alpha = std::clamp(alpha, 0, 255);
    if (alpha == 0) return;
    // Nothing of a quad wholly beside the surface shows (nor of one with a corner that is not a number).
    const auto [minx, maxx] = std::minmax({q.x[0], q.x[1], q.x[2], q.x[3]});
    const auto [miny, maxy] = std::minmax({q.y[0], q.y[1], q.y[2], q.y[3]});
    if (!(maxx >= 0 && minx <= static_cast<float>(width_) && maxy >= 0 &&
          miny <= static_cast<float>(height_)))
        return;
    const bool triangle = q.x[2] == q.x[3] && q.y[2] == q.y[3];
    if (img->flat) {
        SDL_Color c = img->colour;
        c.a = static_cast<Uint8>((c.a * alpha + 127) / 255);
        if (triangle || IsConvex(q)) {
            if (c.a != 0) FillConvex(q, triangle, c);
            return;
        }
        Quad lobe1, lobe2;
        if (SplitCrossed(q, lobe1, lobe2)) {
            if (c.a != 0) {
                FillConvex(lobe1, true, c);
                FillConvex(lobe2, true, c);
            }
            return;
        }
    }
    SDL_BlendMode mode = blend_ == BlendMode::Add ? SDL_BLENDMODE_ADD : SDL_BLENDMODE_BLEND;
    if (SDL_SetTextureBlendMode(img->texture, mode) != 0)
        SDL_SetTextureBlendMode(img->texture, SDL_BLENDMODE_BLEND);
    if (!triangle && DrawQuadRows(*img, q, alpha)) return;
    if (!triangle && DrawRectQuad(*img, q, alpha)) return;
    const SDL_Color col{255, 255, 255, static_cast<Uint8>(alpha)};
    geometry_.clear();

    if (triangle) {
        // A triangle given as a quad whose last corner repeats the third: the image's half above its
        // top-left to bottom-right diagonal, mapped onto the triangle.
        AddTriangle(SDL_Vertex{{q.x[0], q.y[0]}, col, {0, 0}}, SDL_Vertex{{q.x[1], q.y[1]}, col, {1, 0}},
                    SDL_Vertex{{q.x[2], q.y[2]}, col, {1, 1}});
    } else {
        // The image is mapped bilinearly across the four corners, on a grid of n x n cells, each cell two
        // triangles. The bilinear map departs from two flat triangles by at most |d| / 4 pixels (d: how far
        // the quad is from a parallelogram), and from the grid by |d| / (4 n^2): n is chosen to keep that
        // within half a pixel, so a parallelogram takes two triangles and a squashed body shows no crease.
        float dx = (q.x[0] + q.x[2]) - (q.x[1] + q.x[3]);
        float dy = (q.y[0] + q.y[2]) - (q.y[1] + q.y[3]);
        float twist = std::sqrt(dx * dx + dy * dy);
        int n =
            std::isfinite(twist) ? std::clamp(static_cast<int>(std::ceil(std::sqrt(twist / 2))), 1, 8) : 1;
        // A long thin quad lying slanted is cut into pieces along its length as well: the rasteriser
        // works through each triangle's bounding box, which for a slanted band is far larger than the band.
        auto length = [&](size_t a, size_t b) { return std::hypot(q.x[b] - q.x[a], q.y[b] - q.y[a]); };
        const float across = std::max(length(0, 1), length(3, 2)),
                    down = std::max(length(0, 3), length(1, 2));
        auto pieces = [&](float along, float wide) {
            const float piece = std::max(16.0f, 4 * wide);
            return std::isfinite(along / piece)
                       ? std::clamp(static_cast<int>(std::ceil(along / piece)), n, 64)
                       : n;
        };
        const int nu = pieces(across, down), nv = pieces(down, across);
        grid_.resize(static_cast<size_t>((nu + 1) * (nv + 1)));
        auto at = [&](int i, int j) -> SDL_Vertex& { return grid_[static_cast<size_t>(j * (nu + 1) + i)]; };
        for (int j = 0; j <= nv; ++j) {
            float v = static_cast<float>(j) / nv;
            for (int i = 0; i <= nu; ++i) {
                float u = static_cast<float>(i) / nu;
                float x =
                    (1 - u) * (1 - v) * q.x[0] + u * (1 - v) * q.x[1] + u * v * q.x[2] + (1 - u) * v * q.x[3];
                float y =
                    (1 - u) * (1 - v) * q.y[0] + u * (1 - v) * q.y[1] + u * v * q.y[2] + (1 - u) * v * q.y[3];
                at(i, j) = SDL_Vertex{SDL_FPoint{x, y}, col, SDL_FPoint{u, v}};
            }
        }
        for (int j = 0; j < nv; ++j) {
            for (int i = 0; i < nu; ++i) {
                AddTriangle(at(i, j), at(i + 1, j), at(i + 1, j + 1));
                AddTriangle(at(i, j), at(i + 1, j + 1), at(i, j + 1));
            }
        }
    }
    if (geometry_.empty()) return;
    if (surface_ && img->texels.size() == static_cast<size_t>(img->w) * static_cast<size_t>(img->h))
        DrawTriangles(*img, alpha);
    else
        SDL_RenderGeometry(renderer_, img->texture, geometry_.data(), static_cast<int>(geometry_.size()),
                           nullptr, 0);
}

// The triangles of geometry_ (inside the surface) drawn straight into the off-screen surface's pixels:
// the image mapped affinely across each, sampled at pixel centres, modulated by alpha and blended as the
// renderer blends. Shared edges are filled once (a pixel belongs to the triangle its centre lies in, left
// and top edges included).
//
// Texel positions step along a row in 16.16 fixed point and are brought inside the image as whole
// numbers: a light pass fills a couple of million pixels a frame.
void SdlPlatform::DrawTriangles(Image& img, int alpha) {
    SDL_RenderFlush(renderer_); // what was queued before lies below
    const bool add = blend_ == BlendMode::Add;
    if (add) PrepareGlow(img, alpha);
    const float tw = static_cast<float>(img.w), th = static_cast<float>(img.h);
    const TexelWalk walk = Walk(img, add);
    for (size_t t = 0; t + 2 < geometry_.size(); t += 3) {
        const SDL_Vertex* v = &geometry_[t];
        const float x0 = v[0].position.x, y0 = v[0].position.y;
        const float dx1 = v[1].position.x - x0, dy1 = v[1].position.y - y0;
        const float dx2 = v[2].position.x - x0, dy2 = v[2].position.y - y0;
        const float area = dx1 * dy2 - dx2 * dy1;
        if (!(std::fabs(area) > 1e-6f)) continue;
        // The texel position's change per pixel across and down.
        const float du1 = (v[1].tex_coord.x - v[0].tex_coord.x) * tw,
                    du2 = (v[2].tex_coord.x - v[0].tex_coord.x) * tw;
        const float dv1 = (v[1].tex_coord.y - v[0].tex_coord.y) * th,
                    dv2 = (v[2].tex_coord.y - v[0].tex_coord.y) * th;
        const float dudx = (du1 * dy2 - du2 * dy1) / area, dudy = (du2 * dx1 - du1 * dx2) / area;
        const float dvdx = (dv1 * dy2 - dv2 * dy1) / area, dvdy = (dv2 * dx1 - dv1 * dx2) / area;
        const int64_t stepU = FixedTexel(dudx), stepV = FixedTexel(dvdx);
        const float u0 = v[0].tex_coord.x * tw, v0 = v[0].tex_coord.y * th;
        const float top = std::min({y0, v[1].position.y, v[2].position.y});
        const float bottom = std::max({y0, v[1].position.y, v[2].position.y});
        // The clipped corners lie on the surface, so these are small whole numbers.
        const int ya = std::max(0, CeilSmall(top - 0.5f));
        const int yb = std::min(surface_->h, CeilSmall(bottom - 0.5f));
        float slope[3]; // each edge's change in x per row
        for (int i = 0; i < 3; ++i) {
            const SDL_FPoint& p = v[i].position;
            const SDL_FPoint& q = v[(i + 1) % 3].position;
            slope[i] = p.y == q.y ? 0 : (q.x - p.x) / (q.y - p.y);
        }
        for (int y = ya; y < yb; ++y) {
            const float yc = static_cast<float>(y) + 0.5f;
            float left = static_cast<float>(surface_->w), right = 0;
            for (int i = 0; i < 3; ++i) {
                const SDL_FPoint& p = v[i].position;
                const SDL_FPoint& q = v[(i + 1) % 3].position;
                if ((p.y <= yc) == (q.y <= yc)) continue;
                const float x = p.x + (yc - p.y) * slope[i];
                left = std::min(left, x);
                right = std::max(right, x);
            }
            const int xa = std::max(0, CeilSmall(left - 0.5f));
            const int xb = std::min(surface_->w, CeilSmall(right - 0.5f));
            if (xa >= xb) continue;
            Uint32* row = static_cast<Uint32*>(static_cast<void*>(
                static_cast<Uint8*>(surface_->pixels) + static_cast<ptrdiff_t>(y) * surface_->pitch));
            const float xc = static_cast<float>(xa) + 0.5f;
            int64_t u = FixedStart(u0 + dudx * (xc - x0) + dudy * (yc - y0));
            int64_t w = FixedStart(v0 + dvdx * (xc - x0) + dvdy * (yc - y0));
            BlendSpan(row, xa, xb, u, w, stepU, stepV, walk, add, alpha);
        }
    }
}

// An upright rectangle, or a convex quad added to the off-screen surface (a light's glow past a body), is
// filled row by row in one pass: each row runs between the two edges it crosses, with the texel position
// exact where it meets them (an edge of the quad is a straight line in the image too) and interpolated
// between. On a rectangle that is the exact mapping; a light's image fades smoothly along its quad, so
// there it is the picture of the grid of triangles other quads take, at a fraction of the cost. False
// when the quad is not for this path.
bool SdlPlatform::DrawQuadRows(Image& img, const Quad& q, int alpha) {
    if (!surface_ || img.texels.size() != static_cast<size_t>(img.w) * static_cast<size_t>(img.h))
        return false;
    const bool add = blend_ == BlendMode::Add;
    const bool upright = q.y[0] == q.y[1] && q.y[2] == q.y[3] && q.x[0] == q.x[3] && q.x[1] == q.x[2];
    if (!upright && !(add && IsConvex(q))) return false;
    constexpr float kNear = 1e6f; // corners further out are clipped by the triangle path
    for (size_t i = 0; i < 4; ++i)
        if (!(std::fabs(q.x[i]) < kNear && std::fabs(q.y[i]) < kNear)) return false;
    SDL_RenderFlush(renderer_); // what was queued before lies below
    if (add) PrepareGlow(img, alpha);
    const TexelWalk walk = Walk(img, add);
    const float tw = static_cast<float>(img.w), th = static_cast<float>(img.h);
    const std::array<float, 4> cornerU{0, tw, tw, 0}, cornerV{0, 0, th, th};
    const auto [top, bottom] = std::minmax({q.y[0], q.y[1], q.y[2], q.y[3]});
    const int ya = std::max(0, CeilSmall(top - 0.5f));
    const int yb = std::min(surface_->h, CeilSmall(bottom - 0.5f));
    for (int y = ya; y < yb; ++y) {
        const float yc = static_cast<float>(y) + 0.5f;
        float left = 0, right = 0, leftU = 0, leftV = 0, rightU = 0, rightV = 0;
        bool any = false;
        for (size_t i = 0; i < 4; ++i) {
            const size_t j = (i + 1) % 4;
            if ((q.y[i] <= yc) == (q.y[j] <= yc)) continue; // the edge does not cross this row
            const float k = (yc - q.y[i]) / (q.y[j] - q.y[i]);
            const float x = q.x[i] + k * (q.x[j] - q.x[i]);
            const float u = cornerU[i] + k * (cornerU[j] - cornerU[i]);
            const float v = cornerV[i] + k * (cornerV[j] - cornerV[i]);
            if (!any || x < left) left = x, leftU = u, leftV = v;
            if (!any || x > right) right = x, rightU = u, rightV = v;
            any = true;
        }
        const int xa = std::max(0, CeilSmall(left - 0.5f));
        const int xb = std::min(surface_->w, CeilSmall(right - 0.5f));
        if (xa >= xb) continue;
        const float span = right - left;
        const float dudx = span > 0 ? (rightU - leftU) / span : 0,
                    dvdx = span > 0 ? (rightV - leftV) / span : 0;
        const float from = static_cast<float>(xa) + 0.5f - left;
        Uint32* row = static_cast<Uint32*>(static_cast<void*>(static_cast<Uint8*>(surface_->pixels) +
                                                              static_cast<ptrdiff_t>(y) * surface_->pitch));
        BlendSpan(row, xa, xb, FixedStart(leftU + dudx * from), FixedStart(leftV + dvdx * from),
                  FixedTexel(dudx), FixedTexel(dvdx), walk, add, alpha);
    }
    return true;
}

// An upright rectangle whose corners keep the image's orientation (mirrored or not) is copied as a
// rectangle: no triangles, and the copy is clipped to the surface.
bool SdlPlatform::DrawRectQuad(Image& img, const Quad& q, int alpha) {
    if (!(q.y[0] == q.y[1] && q.y[2] == q.y[3] && q.x[0] == q.x[3] && q.x[1] == q.x[2])) return false;
    if (q.x[0] == q.x[1] || q.y[0] == q.y[3]) return true; // no area
    const SDL_FRect dst{std::min(q.x[0], q.x[1]), std::min(q.y[0], q.y[3]), std::fabs(q.x[1] - q.x[0]),
                        std::fabs(q.y[3] - q.y[0])};
    const int flip = (q.x[1] < q.x[0] ? SDL_FLIP_HORIZONTAL : 0) | (q.y[3] < q.y[0] ? SDL_FLIP_VERTICAL : 0);
    SDL_SetTextureAlphaMod(img.texture, static_cast<Uint8>(alpha));
    if (flip == 0)
        SDL_RenderCopyF(renderer_, img.texture, nullptr, &dst);
    else
        SDL_RenderCopyExF(renderer_, img.texture, nullptr, &dst, 0, nullptr,
                          static_cast<SDL_RendererFlip>(flip));
    SDL_SetTextureAlphaMod(img.texture, 255);
    return true;
}

// A convex quad (or a triangle given as a quad) of one colour: clipped to the surface and filled, without
// a texture and without subdivision.
void SdlPlatform::FillConvex(const Quad& q, bool triangle, SDL_Color colour) {
    SDL_Vertex p[8];
    const int corners = triangle ? 3 : 4;
    for (int i = 0; i < corners; ++i) {
        if (!std::isfinite(q.x[static_cast<size_t>(i)]) || !std::isfinite(q.y[static_cast<size_t>(i)]))
            return;
        p[i] = SDL_Vertex{{q.x[static_cast<size_t>(i)], q.y[static_cast<size_t>(i)]}, colour, {0, 0}};
    }
    const int n = ClipToRect(p, corners, static_cast<float>(width_), static_cast<float>(height_));
    if (n < 3) return;
    if (surface_) {
        SDL_FPoint points[8];
        for (int i = 0; i < n; ++i) points[i] = p[i].position;
        FillSpans(points, n, colour);
        return;
    }
    geometry_.clear();
    for (int i = 1; i + 1 < n; ++i) {
        geometry_.push_back(p[0]);
        geometry_.push_back(p[i]);
        geometry_.push_back(p[i + 1]);
    }
    SDL_SetRenderDrawBlendMode(renderer_, blend_ == BlendMode::Add ? SDL_BLENDMODE_ADD : SDL_BLENDMODE_BLEND);
    SDL_RenderGeometry(renderer_, nullptr, geometry_.data(), static_cast<int>(geometry_.size()), nullptr, 0);
    SDL_SetRenderDrawBlendMode(renderer_, SDL_BLENDMODE_BLEND);
}

// Fills a convex polygon inside the off-screen surface straight into its pixels, row by row: a pixel is
// inside when its centre is (left and top edges included). Blends as the renderer does, to within a level.
void SdlPlatform::FillSpans(const SDL_FPoint* p, int n, SDL_Color colour) {
    SDL_RenderFlush(renderer_); // what was queued before lies below
    float top = p[0].y, bottom = p[0].y;
    for (int i = 1; i < n; ++i) {
        top = std::min(top, p[i].y);
        bottom = std::max(bottom, p[i].y);
    }
    const int y0 = std::max(0, static_cast<int>(std::ceil(top - 0.5f)));
    const int y1 = std::min(surface_->h, static_cast<int>(std::ceil(bottom - 0.5f)));
    const bool add = blend_ == BlendMode::Add;
    // Alpha on a scale of 256, so that the blend of two channels at once never carries into the next.
    const Uint32 a = colour.a + (colour.a >> 7), keep = 256 - a;
    const Uint32 rb = (static_cast<Uint32>(colour.r) << 16 | colour.b) * a;
    const Uint32 g = (static_cast<Uint32>(colour.g) << 8) * a;
    const Uint32 addR = (colour.r * a) >> 8, addG = (colour.g * a) >> 8, addB = (colour.b * a) >> 8;
    for (int y = y0; y < y1; ++y) {
        const float yc = static_cast<float>(y) + 0.5f;
        float left = static_cast<float>(surface_->w), right = 0;
        for (int i = 0; i < n; ++i) {
            const SDL_FPoint& u = p[i];
            const SDL_FPoint& v = p[(i + 1) % n];
            if ((u.y <= yc) == (v.y <= yc)) continue; // the edge does not cross this row
            const float x = u.x + (yc - u.y) / (v.y - u.y) * (v.x - u.x);
            left = std::min(left, x);
            right = std::max(right, x);
        }
        const int x0 = std::max(0, static_cast<int>(std::ceil(left - 0.5f)));
        const int x1 = std::min(surface_->w, static_cast<int>(std::ceil(right - 0.5f)));
        Uint32* row = static_cast<Uint32*>(static_cast<void*>(static_cast<Uint8*>(surface_->pixels) +
                                                              static_cast<ptrdiff_t>(y) * surface_->pitch));
        int x = x0;
#ifdef __SSE2__
        // Four pixels at a time; the alpha channel is kept (added 0, or multiplied by 256 / 256).
        if (add) {
            const __m128i plus = _mm_set1_epi32(static_cast<int>(addR << 16 | addG << 8 | addB));
            for (; x + 4 <= x1; x += 4) {
                __m128i* at = reinterpret_cast<__m128i*>(row + x);
                _mm_storeu_si128(at, _mm_adds_epu8(_mm_loadu_si128(at), plus));
            }
        } else {
            const __m128i zero = _mm_setzero_si128();
            const __m128i factor = _mm_set_epi16(256, static_cast<short>(keep), static_cast<short>(keep),
                                                 static_cast<short>(keep), 256, static_cast<short>(keep),
                                                 static_cast<short>(keep), static_cast<short>(keep));
            const short cr = static_cast<short>(colour.r * a), cg = static_cast<short>(colour.g * a),
                        cb = static_cast<short>(colour.b * a);
            const __m128i offset = _mm_set_epi16(0, cr, cg, cb, 0, cr, cg, cb);
            for (; x + 4 <= x1; x += 4) {
                __m128i* at = reinterpret_cast<__m128i*>(row + x);
                const __m128i d = _mm_loadu_si128(at);
                __m128i lo = _mm_unpacklo_epi8(d, zero), hi = _mm_unpackhi_epi8(d, zero);
                lo = _mm_srli_epi16(_mm_add_epi16(_mm_mullo_epi16(lo, factor), offset), 8);
                hi = _mm_srli_epi16(_mm_add_epi16(_mm_mullo_epi16(hi, factor), offset), 8);
                _mm_storeu_si128(at, _mm_packus_epi16(lo, hi));
            }
        }
#endif
        if (add) {
            const Uint32 plus = addR << 16 | addG << 8 | addB;
            for (; x < x1; ++x) row[x] = AddSaturated(row[x], plus);
        } else {
            for (; x < x1; ++x) {
                const Uint32 d = row[x];
                const Uint32 outRb = (((d & 0xff00ffu) * keep + rb) >> 8) & 0xff00ffu;
                const Uint32 outG = (((d & 0xff00u) * keep + g) >> 8) & 0xff00u;
                row[x] = (d & 0xff000000u) | outRb | outG;
            }
        }
    }
}

// The part of the segment within a pixel of the screen (false when none): the library plots a line
// point by point, so a segment of a far object must never reach it whole.
bool SdlPlatform::ClipLine(float& x1, float& y1, float& x2, float& y2) const {
    double t0 = 0, t1 = 1;
    if (!ClipSegment(x1, y1, x2, y2, -1, -1, width_ + 1.0, height_ + 1.0, t0, t1)) return false;
    const double ax = x1, ay = y1, dx = static_cast<double>(x2) - x1, dy = static_cast<double>(y2) - y1;
    if (t1 < 1) {
        x2 = static_cast<float>(ax + dx * t1);
        y2 = static_cast<float>(ay + dy * t1);
    }
    if (t0 > 0) {
        x1 = static_cast<float>(ax + dx * t0);
        y1 = static_cast<float>(ay + dy * t0);
    }
    return true;
}

void SdlPlatform::DoLine(float x1, float y1, float x2, float y2, uint32_t rgb) {
    if (!renderer_ || !ClipLine(x1, y1, x2, y2)) return;
    SetDrawColour(rgb);
    SDL_RenderDrawLineF(renderer_, x1, y1, x2, y2);
}

void SdlPlatform::DoBox(float x1, float y1, float x2, float y2, uint32_t rgb, bool filled) {
    if (!renderer_) return;
    const float left = std::min(x1, x2), right = std::max(x1, x2);
    const float top = std::min(y1, y2), bottom = std::max(y1, y2);
    if (!(right >= -1 && left <= static_cast<float>(width_) + 1 && bottom >= -1 &&
          top <= static_cast<float>(height_) + 1))
        return; // beside the screen (or not a number)
    const bool onScreen = left >= -1 && top >= -1 && right <= static_cast<float>(width_) + 1 &&
                          bottom <= static_cast<float>(height_) + 1;
    if (!filled && !onScreen) {
        // Four lines, each clipped: the sides of a box larger than the screen are never plotted whole. They
        // run as the library's outline does, through the last pixel inside the box.
        DoLine(left, top, right - 1, top, rgb);
        DoLine(right - 1, top, right - 1, bottom - 1, rgb);
        DoLine(right - 1, bottom - 1, left, bottom - 1, rgb);
        DoLine(left, bottom - 1, left, top, rgb);
        return;
    }
    SetDrawColour(rgb);
    if (!filled) {
        const SDL_FRect r{left, top, right - left, bottom - top};
        SDL_RenderDrawRectF(renderer_, &r);
        return;
    }
    const float l = std::max(left, -1.0f), t = std::max(top, -1.0f);
    const float r = std::min(right, static_cast<float>(width_) + 1),
                b = std::min(bottom, static_cast<float>(height_) + 1);
    const SDL_FRect rect{l, t, r - l, b - t};
    SDL_RenderFillRectF(renderer_, &rect);
}

void SdlPlatform::DoCircle(float cx, float cy, float radius, uint32_t rgb) {
    if (!renderer_ || !(radius > 0) || radius > 100000) return;
    const float w = static_cast<float>(width_), h = static_cast<float>(height_);
    if (!(cx + radius >= -1 && cx - radius <= w + 1 && cy + radius >= -1 && cy - radius <= h + 1)) return;
    int segments = std::clamp(static_cast<int>(radius), 12, 96);
    float px = cx + radius, py = cy;
    for (int i = 1; i <= segments; ++i) {
        const double a = 2 * M_PI * i / segments;
        const float qx = cx + static_cast<float>(std::cos(a) * radius);
        const float qy = cy + static_cast<float>(std::sin(a) * radius);
        DoLine(px, py, qx, qy, rgb);
        px = qx;
        py = qy;
    }
}

TTF_Font* SdlPlatform::Font(FontId font) {
    if (!fontsTried_ && ttfReady_) {
        fontsTried_ = true;
        FcInit();
        std::string gui = FindFontFile("Arial Rounded MT Bold", nullptr);
        if (gui.empty()) gui = FindFontFile("Quicksand", "Bold");
        if (gui.empty()) gui = FindFontFile("DejaVu Sans", "Bold");
        std::string hud = FindFontFile("DejaVu Sans", "Bold");
        if (hud.empty()) hud = gui;
        // The GUI font is "size 20" as a cell height: the line of text is at most 20 pixels high.
        if (!gui.empty()) guiFont_ = OpenFontWithCellHeight(gui, 20);
        if (!hud.empty()) hudFont_ = TTF_OpenFont(hud.c_str(), 14);
        if (!guiFont_) guiFont_ = hudFont_;
        if (!hudFont_) hudFont_ = guiFont_;
        if (!guiFont_) std::cerr << "tumblebox: no font found; text is not drawn\n";
    }
    return font == FontId::Gui ? guiFont_ : hudFont_;
}

SdlPlatform::CachedText* SdlPlatform::TextTexture(FontId font, const std::string& text, uint32_t rgb) {
    TTF_Font* f = Font(font);
    if (!f || text.empty() || !renderer_) return nullptr;
    std::string key = std::to_string(static_cast<int>(font)) + ":" + std::to_string(rgb) + ":" + text;
    auto it = textCache_.find(key);
    if (it != textCache_.end()) {
        textAges_.splice(textAges_.begin(), textAges_, it->second.age);
        return &it->second;
    }
    SDL_Surface* s = TTF_RenderUTF8_Blended(f, text.c_str(), ColourOf(rgb));
    if (!s) return nullptr;
    SDL_Texture* t = SDL_CreateTextureFromSurface(renderer_, s);
    int w = s->w, h = s->h;
    SDL_FreeSurface(s);
    if (!t) return nullptr;
    if (textCache_.size() >= kTextCacheSize) {
        const std::string& oldest = textAges_.back();
        auto old = textCache_.find(oldest);
        if (old != textCache_.end()) {
            SDL_DestroyTexture(old->second.texture);
            textCache_.erase(old);
        }
        textAges_.pop_back();
    }
    textAges_.push_front(key);
    CachedText& c = textCache_[key];
    c = {t, w, h, textAges_.begin()};
    return &c;
}

void SdlPlatform::DoText(FontId font, int x, int y, const std::string& text, uint32_t front, uint32_t back,
                         bool withBackground) {
    // Wholly beside the surface: no glyph is wider than 64 pixels.
    if (x >= width_ || y >= height_ || y < -1000 || x + 64 * static_cast<int64_t>(text.size()) < 0) return;
    TTF_Font* f = Font(font);
    if (!f) return;
    // A text reaching beyond the surface's sides is cut to the characters that show (and one more), so a
    // long one costs no more than a screen's width of glyphs.
    if (text.size() > kLongText) {
        if (x < 0) {
            // Where the first character that shows starts: measured once for each text and place.
            const std::string key =
                std::to_string(static_cast<int>(font)) + ":" + std::to_string(x) + ":" + text;
            auto it = longCuts_.find(key);
            if (it == longCuts_.end()) {
                int extent = 0, count = 0;
                if (TTF_MeasureUTF8(f, text.c_str(), -x, &extent, &count) != 0) extent = count = 0;
                if (longCuts_.size() >= kLongTextMemory) longCuts_.clear();
                it = longCuts_.emplace(key, std::make_pair(Utf8Advance(text, 0, count), extent)).first;
            }
            const auto [begin, extent] = it->second;
            if (begin > 0) {
                if (begin < text.size())
                    DoText(font, x + extent, y, text.substr(begin), front, back, withBackground);
                return;
            }
        }
        // Every character moves the pen on by a pixel at least: no more than this many reach the right edge.
        const size_t end = Utf8Advance(text, 0, width_ - std::max(x, 0) + 1);
        if (end < text.size()) {
            DoText(font, x, y, text.substr(0, end), front, back, withBackground);
            return;
        }
    }
    CachedText* t = TextTexture(font, text, front);
    if (!t) return;
    SDL_Rect dst{x, y, t->w, t->h};
    if (withBackground) {
        SetDrawColour(back);
        SDL_RenderFillRect(renderer_, &dst);
    }
    SDL_RenderCopy(renderer_, t->texture, nullptr, &dst);
}

int SdlPlatform::TextWidth(FontId font, const std::string& text) {
    TTF_Font* f = Font(font);
    int w = 0, h = 0;
    if (!f || text.empty()) return 0;
    if (text.size() <= kLongText) {
        TTF_SizeUTF8(f, text.c_str(), &w, &h);
        return w;
    }
    // Long texts are laid out once: callers ask for their width every frame.
    const std::string key = std::to_string(static_cast<int>(font)) + ":" + text;
    auto it = longWidths_.find(key);
    if (it != longWidths_.end()) return it->second;
    TTF_SizeUTF8(f, text.c_str(), &w, &h);
    if (longWidths_.size() >= kLongTextMemory) longWidths_.clear();
    longWidths_.emplace(key, w);
    return w;
}

int SdlPlatform::TextHeight(FontId font, const std::string& text) {
    TTF_Font* f = Font(font);
    if (!f) return 0;
    int w = 0, h = 0;
    // One line's height does not depend on its length: a long text is measured by its beginning.
    if (!text.empty())
        TTF_SizeUTF8(f,
                     text.size() <= kLongText ? text.c_str()
                                              : text.substr(0, Utf8Advance(text, 0, kLongText)).c_str(),
                     &w, &h);
    return text.empty() ? TTF_FontHeight(f) : h;
}

InputState SdlPlatform::SampleInput() {
    input_.wheel = 0;
    input_.released.fill(false);
    input_.typed.clear();
    // Releases that came in the same frame as their press are seen one frame later.
    if (pendingUp_[0]) input_.left = false;
    if (pendingUp_[1]) input_.right = false;
    pendingUp_[0] = pendingUp_[1] = false;
    for (int k : pendingKeyUps_) {
        input_.down[static_cast<size_t>(k)] = false;
        input_.released[static_cast<size_t>(k)] = true;
    }
    pendingKeyUps_.clear();
    if (headless_) return input_;

    bool pressed[2] = {false, false};
    std::array<bool, kKeyCount> keyPressed{};
    SDL_Event e;
    while (SDL_PollEvent(&e)) {
        switch (e.type) {
        case SDL_QUIT:
            closeRequested_ = true;
            break;
        case SDL_WINDOWEVENT:
            if (e.window.event == SDL_WINDOWEVENT_CLOSE) closeRequested_ = true;
            if (e.window.event == SDL_WINDOWEVENT_EXPOSED || e.window.event == SDL_WINDOWEVENT_SIZE_CHANGED)
                exposed_ = true;
            break;
        case SDL_MOUSEMOTION: {
            // Window pixels to frame pixels, through the letterbox of Present.
            int ww = 0, wh = 0;
            SDL_GetWindowSize(window_, &ww, &wh);
            double scale = std::min(static_cast<double>(ww) / width_, static_cast<double>(wh) / height_);
            double ox = (ww - width_ * scale) / 2, oy = (wh - height_ * scale) / 2;
            if (scale > 0) {
                input_.mouseX = static_cast<int>(std::floor((e.motion.x - ox) / scale));
                input_.mouseY = static_cast<int>(std::floor((e.motion.y - oy) / scale));
            }
            break;
        }
        case SDL_MOUSEBUTTONDOWN:
            if (e.button.button == SDL_BUTTON_LEFT || e.button.button == SDL_BUTTON_RIGHT) {
                int b = e.button.button == SDL_BUTTON_LEFT ? 0 : 1;
                (b == 0 ? input_.left : input_.right) = true;
                pressed[b] = true;
                pendingUp_[b] = false;
            }
            break;
        case SDL_MOUSEBUTTONUP:
            if (e.button.button == SDL_BUTTON_LEFT || e.button.button == SDL_BUTTON_RIGHT) {
                int b = e.button.button == SDL_BUTTON_LEFT ? 0 : 1;
                if (pressed[b])
                    pendingUp_[b] = true;
                else
                    (b == 0 ? input_.left : input_.right) = false;
            }
            break;
        case SDL_MOUSEWHEEL:
            input_.wheel += (e.wheel.direction == SDL_MOUSEWHEEL_FLIPPED) ? -e.wheel.y : e.wheel.y;
            break;
        case SDL_KEYDOWN: {
            int k = PcScanCode(e.key.keysym.scancode);
            if (k >= 0 && !e.key.repeat) {
                input_.down[static_cast<size_t>(k)] = true;
                keyPressed[static_cast<size_t>(k)] = true;
            }
            break;
        }
        case SDL_KEYUP: {
            int k = PcScanCode(e.key.keysym.scancode);
            if (k < 0) break;
            if (keyPressed[static_cast<size_t>(k)]) {
                pendingKeyUps_.push_back(k);
            } else if (input_.down[static_cast<size_t>(k)]) {
                input_.down[static_cast<size_t>(k)] = false;
                input_.released[static_cast<size_t>(k)] = true;
            }
            break;
        }
        case SDL_TEXTINPUT:
            input_.typed += e.text.text;
            break;
        default:
            break;
        }
    }
    return input_;
}

void SdlPlatform::WarpMouse(int x, int y) {
    input_.mouseX = x;
    input_.mouseY = y;
}

void SdlPlatform::ShowMessage(const std::string& title, const std::string& text) {
    if (headless_ || noDisplay_ ||
        SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, title.c_str(), text.c_str(), window_) != 0)
        std::cerr << title << ": " << text << "\n";
}

uint32_t SdlPlatform::Ticks() {
    using namespace std::chrono;
    return static_cast<uint32_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

namespace {

// An SDL stream that appends what is written to a string.
SDL_RWops* StringWriter(std::string& out) {
    SDL_RWops* rw = SDL_AllocRW();
    if (!rw) return nullptr;
    rw->type = SDL_RWOPS_UNKNOWN;
    rw->hidden.unknown.data1 = &out;
    rw->size = [](SDL_RWops* c) {
        return static_cast<Sint64>(static_cast<std::string*>(c->hidden.unknown.data1)->size());
    };
    rw->seek = [](SDL_RWops* c, Sint64 offset, int whence) -> Sint64 {
        const Sint64 size = static_cast<Sint64>(static_cast<std::string*>(c->hidden.unknown.data1)->size());
        // Only where the stream already is can be asked for: it is written from start to end.
        return (whence == RW_SEEK_CUR || whence == RW_SEEK_END) && offset == 0 ? size : -1;
    };
    rw->read = [](SDL_RWops*, void*, size_t, size_t) -> size_t { return 0; };
    rw->write = [](SDL_RWops* c, const void* p, size_t size, size_t n) -> size_t {
        static_cast<std::string*>(c->hidden.unknown.data1)->append(static_cast<const char*>(p), size * n);
        return n;
    };
    rw->close = [](SDL_RWops* c) {
        SDL_FreeRW(c);
        return 0;
    };
    return rw;
}

} // namespace

bool SdlPlatform::ScreenshotPng(std::string& png) {
    png.clear();
    if (!renderer_) return false;
    SDL_Surface* s = SDL_CreateRGBSurfaceWithFormat(0, width_, height_, 32, SDL_PIXELFORMAT_ARGB8888);
    if (!s) return false;
    bool ok = SDL_RenderReadPixels(renderer_, nullptr, SDL_PIXELFORMAT_ARGB8888, s->pixels, s->pitch) == 0;
    if (ok) {
        // The picture is opaque whatever alpha the drawing left in the frame.
        SDL_Surface* rgb = SDL_ConvertSurfaceFormat(s, SDL_PIXELFORMAT_RGB24, 0);
        SDL_RWops* out = rgb ? StringWriter(png) : nullptr;
        ok = out && IMG_SavePNG_RW(rgb, out, 1) == 0 && !png.empty();
        if (rgb) SDL_FreeSurface(rgb);
    }
    SDL_FreeSurface(s);
    return ok;
}
