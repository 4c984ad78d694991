#include "platform/sdl_platform.h"

#include <SDL_image.h>
#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cmath>
#include <cstring>
#include <iostream>
#include <thread>

#include "common/geometry.h"
#include "platform/soft_raster.h"

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
    case SDL_SCANCODE_F3:
        return 61;
    case SDL_SCANCODE_F4:
        return 62;
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

// The surface's pixels as ARGB, row after row.
std::vector<Uint32> ArgbTexels(SDL_Surface* s) {
    std::vector<Uint32> out;
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

// The byte offset `chars` UTF-8 characters on from `from` (or the end).
size_t Utf8Advance(const std::string& text, size_t from, int chars) {
    size_t at = from;
    for (int c = 0; c < chars && at < text.size(); ++c) {
        ++at;
        while (at < text.size() && (static_cast<unsigned char>(text[at]) & 0xc0) == 0x80) ++at;
    }
    return at;
}

// How a window's renderer draws: on a graphics card, with OpenGL by a software implementation (Mesa's
// llvmpipe or softpipe, as under Xvfb or on a machine without a graphics driver), or as SDL's own
// software renderer.
enum class Drawing { Card, SoftwareGl, SdlSoftware };

Drawing HowRendererDraws(SDL_Renderer* renderer) {
    SDL_RendererInfo info;
    if (SDL_GetRendererInfo(renderer, &info) != 0) return Drawing::Card;
    if ((info.flags & SDL_RENDERER_SOFTWARE) != 0 || SDL_strcasecmp(info.name, "software") == 0)
        return Drawing::SdlSoftware;
    if (SDL_strncasecmp(info.name, "opengl", 6) != 0 || SDL_GL_GetCurrentContext() == nullptr)
        return Drawing::Card;
    // glGetString(GL_RENDERER) of the renderer's context, current since its creation.
    using GetString = const unsigned char* (*)(unsigned int);
    const auto getString = reinterpret_cast<GetString>(SDL_GL_GetProcAddress("glGetString"));
    constexpr unsigned int kGlRenderer = 0x1F01;
    const unsigned char* name = getString ? getString(kGlRenderer) : nullptr;
    if (!name) return Drawing::Card;
    std::string lower(reinterpret_cast<const char*>(name));
    for (char& ch : lower) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    const bool software = lower.find("llvmpipe") != std::string::npos ||
                          lower.find("softpipe") != std::string::npos ||
                          lower.find("software rasterizer") != std::string::npos;
    return software ? Drawing::SoftwareGl : Drawing::Card;
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
    if (picture_) SDL_DestroyTexture(picture_);
    if (renderer_ && renderer_ != screen_) SDL_DestroyRenderer(renderer_);
    if (screen_) SDL_DestroyRenderer(screen_);
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
    screen_ = SDL_CreateRenderer(window_, -1, SDL_RENDERER_ACCELERATED | SDL_RENDERER_TARGETTEXTURE);
    if (!screen_)
        screen_ = SDL_CreateRenderer(window_, -1, SDL_RENDERER_SOFTWARE | SDL_RENDERER_TARGETTEXTURE);
    if (!screen_) return false;
    SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "1");
    // TUMBLEBOX_DRAW=software or TUMBLEBOX_DRAW=renderer in the environment forces either way.
    const char* forced = SDL_getenv("TUMBLEBOX_DRAW");
    const Drawing drawing = HowRendererDraws(screen_);
    const bool software = forced && SDL_strcasecmp(forced, "software") == 0   ? true
                          : forced && SDL_strcasecmp(forced, "renderer") == 0 ? false
                                                                              : drawing != Drawing::Card;
    if (software) {
        // The frame is drawn by our own rasteriser into a surface, as in headless runs, and shown as one
        // picture at each flip: a renderer without a graphics card spends many times as long on the same
        // triangles. Software OpenGL would still spend milliseconds on that one picture (uploading it and
        // drawing it as a textured square); SDL's software renderer copies it into the window's pixels.
        if (drawing == Drawing::SoftwareGl) {
            SDL_DestroyRenderer(screen_);
            // The window's pixels go straight to the display, not through an OpenGL texture again.
            SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
            screen_ = SDL_CreateRenderer(window_, -1, SDL_RENDERER_SOFTWARE);
            if (!screen_) screen_ = SDL_CreateRenderer(window_, -1, SDL_RENDERER_ACCELERATED);
            if (!screen_) return false;
        }
        surface_ = SDL_CreateRGBSurfaceWithFormat(0, width, height, 32, SDL_PIXELFORMAT_ARGB8888);
        if (!surface_) return false;
        renderer_ = SDL_CreateSoftwareRenderer(surface_);
        if (!renderer_) return false;
        // A window of 32-bit pixels without alpha takes the frame's bytes as they are: the picture is kept in
        // the window's format, so showing it is a plain copy.
        const Uint32 format = SDL_GetWindowPixelFormat(window_) == SDL_PIXELFORMAT_RGB888
                                  ? SDL_PIXELFORMAT_RGB888
                                  : SDL_PIXELFORMAT_ARGB8888;
        picture_ = SDL_CreateTexture(screen_, format, SDL_TEXTUREACCESS_STREAMING, width, height);
        if (!picture_) return false;
        SDL_SetTextureBlendMode(picture_, SDL_BLENDMODE_NONE);
    } else {
        renderer_ = screen_;
        target_ =
            SDL_CreateTexture(renderer_, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_TARGET, width, height);
        if (!target_) return false;
        SDL_SetRenderTarget(renderer_, target_);
    }
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
    SDL_Texture* frame = target_;
    if (picture_) {
        // The frame drawn in software becomes the one picture the window's renderer shows.
        SDL_RenderFlush(renderer_);
        SDL_UpdateTexture(picture_, nullptr, surface_->pixels, surface_->pitch);
        frame = picture_;
    } else {
        SDL_SetRenderTarget(screen_, nullptr);
    }
    int ww = 0, wh = 0;
    SDL_GetRendererOutputSize(screen_, &ww, &wh);
    if (ww == width_ && wh == height_) {
        // The frame fills the window pixel for pixel: one plain copy, nothing to clear or filter.
        SDL_SetTextureScaleMode(frame, SDL_ScaleModeNearest);
        SDL_RenderCopy(screen_, frame, nullptr, nullptr);
    } else {
        SDL_SetTextureScaleMode(frame, SDL_ScaleModeLinear);
        SDL_SetRenderDrawColor(screen_, 0, 0, 0, 255);
        SDL_RenderClear(screen_);
        // Stretch the frame to the window, keeping its proportions.
        double scale = std::min(static_cast<double>(ww) / width_, static_cast<double>(wh) / height_);
        SDL_Rect dst;
        dst.w = static_cast<int>(width_ * scale);
        dst.h = static_cast<int>(height_ * scale);
        dst.x = (ww - dst.w) / 2;
        dst.y = (wh - dst.h) / 2;
        SDL_RenderCopy(screen_, frame, nullptr, &dst);
    }
    SDL_RenderPresent(screen_);
    if (!picture_) SDL_SetRenderTarget(screen_, target_);
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
    // performance counter. The sleep is timed in microseconds, so the wait costs little processor time.
    const uint64_t freq = SDL_GetPerformanceFrequency();
    const uint64_t period = freq / 60;
    uint64_t now = SDL_GetPerformanceCounter();
    if (nextDeadline_ == 0 || now > nextDeadline_ + period) nextDeadline_ = now;
    nextDeadline_ += period;
    while (true) {
        now = SDL_GetPerformanceCounter();
        if (now >= nextDeadline_) break;
        // Sleep to within a tenth of a millisecond of the deadline (a sleep overruns by some tens of
        // microseconds), then wait on the counter.
        const uint64_t leftUs = (nextDeadline_ - now) * 1000000 / freq;
        if (leftUs > 200) std::this_thread::sleep_for(std::chrono::microseconds(leftUs - 100));
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
    std::vector<Uint32> texels = ArgbTexels(s);
    SoftColour mean;
    const bool flat = t && texels.size() == static_cast<size_t>(w) * static_cast<size_t>(h) &&
                      FlatColourOf(texels.data(), texels.size(), mean);
    const SDL_Color colour{mean.r, mean.g, mean.b, mean.a};
    if (!surface_) texels.clear(); // a window draws textures only
    SDL_FreeSurface(s);
    if (!t) return false;
    FreeImage(number);
    if (number >= static_cast<int>(images_.size())) images_.resize(static_cast<size_t>(number) + 1);
    SDL_SetTextureBlendMode(t, SDL_BLENDMODE_BLEND);
    images_[static_cast<size_t>(number)] = {t, flat, colour, {w, h, std::move(texels), {}, -1}};
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
        t, false, {}, {width, height, surface_ ? std::move(pixels) : std::vector<Uint32>{}, {}, -1}};
    imagesChanged_ = true;
    return true;
}

// A copy of the surface's pixels as ARGB, for drawing into the off-screen surface; empty with a window.
std::vector<Uint32> SdlPlatform::TexelsOf(SDL_Surface* s) const {
    return surface_ ? ArgbTexels(s) : std::vector<Uint32>{};
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
    return img ? img->pixels.w : 0;
}

int SdlPlatform::ImageHeight(int number) const {
    const Image* img = ImageAt(number);
    return img ? img->pixels.h : 0;
}

bool SdlPlatform::GrabScreen(int number, int x, int y, int width, int height) {
    if (!renderer_ || width <= 0 || height <= 0) return false;
    if (window_ && !frame_.empty()) {
        // A window draws its frame when it is shown: what was drawn so far goes to the frame's own target
        // first, so the grab holds it (a level picture drawn off the window before the frame).
        for (const Command& c : frame_) Execute(c);
        frame_.clear();
        shown_.clear(); // the next frame is drawn in full
    }
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
    images_[static_cast<size_t>(number)] = {t, false, {}, {width, height, std::move(texels), {}, -1}};
    imagesChanged_ = true;
    return true;
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
    geometry_.clear();

    QuadTriangles(q, static_cast<float>(width_), static_cast<float>(height_), grid_, geometry_);
    if (geometry_.empty()) return;
    if (surface_ && img->pixels.Sampled()) {
        SDL_RenderFlush(renderer_); // what was queued before lies below
        SoftTriangles(Canvas(), img->pixels, geometry_.data(), geometry_.size(), alpha,
                      blend_ == BlendMode::Add);
        return;
    }
    const SDL_Color col{255, 255, 255, static_cast<Uint8>(alpha)};
    RenderGeometry(img->texture, col);
}

// The triangles of geometry_ drawn by the renderer, the image (if any) mapped across each.
void SdlPlatform::RenderGeometry(SDL_Texture* texture, SDL_Color colour) {
    sdlGeometry_.clear();
    for (const SoftVertex& v : geometry_)
        sdlGeometry_.push_back(SDL_Vertex{SDL_FPoint{v.x, v.y}, colour, SDL_FPoint{v.u, v.v}});
    SDL_RenderGeometry(renderer_, texture, sdlGeometry_.data(), static_cast<int>(sdlGeometry_.size()),
                       nullptr, 0);
}

// The off-screen surface as the software rasteriser's canvas.
SoftCanvas SdlPlatform::Canvas() const {
    return SoftCanvas{static_cast<uint32_t*>(surface_->pixels), surface_->w, surface_->h,
                      surface_->pitch / 4};
}

// An upright rectangle, or a convex quad added to the off-screen surface (a light's glow past a body), is
// filled row by row in one pass: each row runs between the two edges it crosses, with the texel position
// exact where it meets them (an edge of the quad is a straight line in the image too) and interpolated
// between. On a rectangle that is the exact mapping; a light's image fades smoothly along its quad, so
// there it is the picture of the grid of triangles other quads take, at a fraction of the cost. False
// when the quad is not for this path.
bool SdlPlatform::DrawQuadRows(Image& img, const Quad& q, int alpha) {
    if (!surface_ || !img.pixels.Sampled()) return false;
    SDL_RenderFlush(renderer_); // what was queued before lies below
    return SoftQuadRows(Canvas(), img.pixels, q, alpha, blend_ == BlendMode::Add);
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
    SoftVertex p[8];
    const int corners = triangle ? 3 : 4;
    for (int i = 0; i < corners; ++i) {
        if (!std::isfinite(q.x[static_cast<size_t>(i)]) || !std::isfinite(q.y[static_cast<size_t>(i)]))
            return;
        p[i] = SoftVertex{q.x[static_cast<size_t>(i)], q.y[static_cast<size_t>(i)], 0, 0};
    }
    const int n = ClipToRect(p, corners, static_cast<float>(width_), static_cast<float>(height_));
    if (n < 3) return;
    if (surface_) {
        SDL_RenderFlush(renderer_); // what was queued before lies below
        SoftFillSpans(Canvas(), p, n, SoftColour{colour.r, colour.g, colour.b, colour.a},
                      blend_ == BlendMode::Add);
        return;
    }
    geometry_.clear();
    for (int i = 1; i + 1 < n; ++i) {
        geometry_.push_back(p[0]);
        geometry_.push_back(p[i]);
        geometry_.push_back(p[i + 1]);
    }
    SDL_SetRenderDrawBlendMode(renderer_, blend_ == BlendMode::Add ? SDL_BLENDMODE_ADD : SDL_BLENDMODE_BLEND);
    RenderGeometry(nullptr, colour);
    SDL_SetRenderDrawBlendMode(renderer_, SDL_BLENDMODE_BLEND);
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
    for (LiveButton& b : buttons_) b.Sampled(); // the previous sample has been taken
    input_.left = buttons_[0].held;
    input_.right = buttons_[1].held;
    for (int k : pendingKeyUps_) {
        input_.down[static_cast<size_t>(k)] = false;
        input_.released[static_cast<size_t>(k)] = true;
    }
    pendingKeyUps_.clear();
    if (headless_) return input_;

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
                buttons_[b].Press();
                (b == 0 ? input_.left : input_.right) = true;
            }
            break;
        case SDL_MOUSEBUTTONUP:
            if (e.button.button == SDL_BUTTON_LEFT || e.button.button == SDL_BUTTON_RIGHT) {
                int b = e.button.button == SDL_BUTTON_LEFT ? 0 : 1;
                buttons_[b].Release();
                (b == 0 ? input_.left : input_.right) = buttons_[b].held;
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

// Without a display (headless runs) the clipboard is kept in memory.
void SdlPlatform::SetClipboardText(const std::string& text) {
    clipboard_ = text;
    if (!headless_ && !noDisplay_) SDL_SetClipboardText(text.c_str());
}

std::string SdlPlatform::ClipboardText() {
    if (headless_ || noDisplay_ || !SDL_HasClipboardText()) return clipboard_;
    char* text = SDL_GetClipboardText();
    if (text == nullptr) return clipboard_;
    std::string out(text);
    SDL_free(text);
    return out;
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
