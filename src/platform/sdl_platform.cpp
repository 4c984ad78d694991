#include "platform/sdl_platform.h"

#include <SDL_image.h>
#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <iostream>

namespace {

constexpr size_t kTextCacheSize = 600;

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

void SdlPlatform::Clear(uint32_t rgb) {
    if (!renderer_) return;
    SDL_SetRenderDrawBlendMode(renderer_, SDL_BLENDMODE_NONE);
    SetDrawColour(rgb);
    SDL_RenderClear(renderer_);
    SDL_SetRenderDrawBlendMode(renderer_, SDL_BLENDMODE_BLEND);
}

void SdlPlatform::Present() {
    if (!window_) return;
    SDL_SetRenderTarget(renderer_, nullptr);
    SDL_SetRenderDrawColor(renderer_, 0, 0, 0, 255);
    SDL_RenderClear(renderer_);
    int ww = 0, wh = 0;
    SDL_GetRendererOutputSize(renderer_, &ww, &wh);
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
    Present();
    if (headless_) return;
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
        uint64_t leftMs = (nextDeadline_ - now) * 1000 / freq;
        if (leftMs > 2) SDL_Delay(static_cast<Uint32>(leftMs - 2));
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
    SDL_FreeSurface(s);
    if (!t) return false;
    FreeImage(number);
    if (number >= static_cast<int>(images_.size())) images_.resize(static_cast<size_t>(number) + 1);
    SDL_SetTextureBlendMode(t, SDL_BLENDMODE_BLEND);
    images_[static_cast<size_t>(number)] = {t, w, h};
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
    images_[static_cast<size_t>(number)] = {t, width, height};
    return true;
}

void SdlPlatform::FreeImage(int number) {
    Image* img = ImageAt(number);
    if (!img) return;
    SDL_DestroyTexture(img->texture);
    *img = {};
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
    SDL_FreeSurface(s);
    if (!t) return false;
    FreeImage(number);
    if (number >= static_cast<int>(images_.size())) images_.resize(static_cast<size_t>(number) + 1);
    SDL_SetTextureBlendMode(t, SDL_BLENDMODE_BLEND);
    images_[static_cast<size_t>(number)] = {t, width, height};
    return true;
}

namespace {

// Triangles reaching further than this beyond the surface are clipped first: the software rasteriser
// overflows on coordinates in the millions (a ground boundary far off screen, a light ray grazing a body).
constexpr float kGuardBand = 4096;

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

} // namespace

void SdlPlatform::AddTriangle(const SDL_Vertex& a, const SDL_Vertex& b, const SDL_Vertex& c) {
    const float lox = -kGuardBand, hix = static_cast<float>(width_) + kGuardBand;
    const float loy = -kGuardBand, hiy = static_cast<float>(height_) + kGuardBand;
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
    SDL_Vertex q[8];
    int n = 3;
    n = ClipPolygon(p, n, q, true, hix, 1);
    n = ClipPolygon(q, n, p, true, lox, -1);
    n = ClipPolygon(p, n, q, false, hiy, 1);
    n = ClipPolygon(q, n, p, false, loy, -1);
    for (int i = 1; i + 1 < n; ++i) {
        geometry_.push_back(p[0]);
        geometry_.push_back(p[i]);
        geometry_.push_back(p[i + 1]);
    }
}

void SdlPlatform::DrawQuad(int image, const Quad& q, int alpha, bool cullCounterClockwise) {
    Image* img = ImageAt(image);
    if (!img || !renderer_) return;
    if (cullCounterClockwise && !QuadIsClockwise(q)) return;
    alpha = std::clamp(alpha, 0, 255);
    if (alpha == 0) return;
    SDL_BlendMode mode = blend_ == BlendMode::Add ? SDL_BLENDMODE_ADD : SDL_BLENDMODE_BLEND;
    if (SDL_SetTextureBlendMode(img->texture, mode) != 0)
        SDL_SetTextureBlendMode(img->texture, SDL_BLENDMODE_BLEND);
    const SDL_Color col{255, 255, 255, static_cast<Uint8>(alpha)};
    geometry_.clear();

    if (q.x[2] == q.x[3] && q.y[2] == q.y[3]) {
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
        SDL_Vertex grid[9 * 9];
        for (int j = 0; j <= n; ++j) {
            float v = static_cast<float>(j) / n;
            for (int i = 0; i <= n; ++i) {
                float u = static_cast<float>(i) / n;
                float x =
                    (1 - u) * (1 - v) * q.x[0] + u * (1 - v) * q.x[1] + u * v * q.x[2] + (1 - u) * v * q.x[3];
                float y =
                    (1 - u) * (1 - v) * q.y[0] + u * (1 - v) * q.y[1] + u * v * q.y[2] + (1 - u) * v * q.y[3];
                grid[j * (n + 1) + i] = SDL_Vertex{SDL_FPoint{x, y}, col, SDL_FPoint{u, v}};
            }
        }
        for (int j = 0; j < n; ++j) {
            for (int i = 0; i < n; ++i) {
                const SDL_Vertex& a = grid[j * (n + 1) + i];
                const SDL_Vertex& b = grid[j * (n + 1) + i + 1];
                const SDL_Vertex& c = grid[(j + 1) * (n + 1) + i + 1];
                const SDL_Vertex& d = grid[(j + 1) * (n + 1) + i];
                AddTriangle(a, b, c);
                AddTriangle(a, c, d);
            }
        }
    }
    if (!geometry_.empty())
        SDL_RenderGeometry(renderer_, img->texture, geometry_.data(), static_cast<int>(geometry_.size()),
                           nullptr, 0);
}

void SdlPlatform::DrawLine(float x1, float y1, float x2, float y2, uint32_t rgb) {
    if (!renderer_) return;
    SetDrawColour(rgb);
    SDL_RenderDrawLineF(renderer_, x1, y1, x2, y2);
}

void SdlPlatform::DrawBox(float x1, float y1, float x2, float y2, uint32_t rgb, bool filled) {
    if (!renderer_) return;
    SetDrawColour(rgb);
    SDL_FRect r{std::min(x1, x2), std::min(y1, y2), std::fabs(x2 - x1), std::fabs(y2 - y1)};
    if (filled)
        SDL_RenderFillRectF(renderer_, &r);
    else
        SDL_RenderDrawRectF(renderer_, &r);
}

void SdlPlatform::DrawCircle(float cx, float cy, float radius, uint32_t rgb) {
    if (!renderer_ || !(radius > 0) || radius > 100000) return;
    SetDrawColour(rgb);
    int segments = std::clamp(static_cast<int>(radius), 12, 96);
    SDL_FPoint pts[97];
    for (int i = 0; i <= segments; ++i) {
        double a = 2 * M_PI * i / segments;
        pts[i] = SDL_FPoint{cx + static_cast<float>(std::cos(a) * radius),
                            cy + static_cast<float>(std::sin(a) * radius)};
    }
    SDL_RenderDrawLinesF(renderer_, pts, segments + 1);
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

void SdlPlatform::DrawText(FontId font, int x, int y, const std::string& text, uint32_t front, uint32_t back,
                           bool withBackground) {
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
    if (f && !text.empty()) TTF_SizeUTF8(f, text.c_str(), &w, &h);
    return w;
}

int SdlPlatform::TextHeight(FontId font, const std::string& text) {
    TTF_Font* f = Font(font);
    if (!f) return 0;
    int w = 0, h = 0;
    if (!text.empty()) TTF_SizeUTF8(f, text.c_str(), &w, &h);
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

bool SdlPlatform::SaveScreenshot(const std::string& nativePath) {
    if (!renderer_) return false;
    SDL_Surface* s = SDL_CreateRGBSurfaceWithFormat(0, width_, height_, 32, SDL_PIXELFORMAT_ARGB8888);
    if (!s) return false;
    bool ok = SDL_RenderReadPixels(renderer_, nullptr, SDL_PIXELFORMAT_ARGB8888, s->pixels, s->pitch) == 0;
    if (ok) {
        // The picture is opaque whatever alpha the drawing left in the frame.
        SDL_Surface* rgb = SDL_ConvertSurfaceFormat(s, SDL_PIXELFORMAT_RGB24, 0);
        ok = rgb && IMG_SavePNG(rgb, nativePath.c_str()) == 0;
        if (rgb) SDL_FreeSurface(rgb);
    }
    SDL_FreeSurface(s);
    return ok;
}
