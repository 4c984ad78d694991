#include "platform/web_platform.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>
#include <unordered_map>

#include "common/geometry.h"

#if defined(__clang__)
#pragma clang diagnostic push
#pragma clang diagnostic ignored "-Weverything"
#elif defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wall"
#pragma GCC diagnostic ignored "-Wextra"
#pragma GCC diagnostic ignored "-Wshadow"
#pragma GCC diagnostic ignored "-Wpedantic"
#endif
#define STB_TRUETYPE_IMPLEMENTATION
#define STBTT_STATIC
#include <stb_truetype.h>
#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_BMP
#define STBI_ONLY_PNG
#define STBI_NO_STDIO
#include <stb_image.h>
#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STBIW_ONLY_PNG
#include <stb_image_write.h>
#if defined(__clang__)
#pragma clang diagnostic pop
#elif defined(__GNUC__)
#pragma GCC diagnostic pop
#endif

#ifdef __EMSCRIPTEN__
#include <emscripten.h>
#endif

struct WebGlyph {
    int w = 0, h = 0, left = 0, top = 0; // bitmap size and its offset from the pen on the baseline
    int advance = 0;
    std::vector<uint8_t> coverage;
};

struct WebFont {
    std::vector<unsigned char> data;
    stbtt_fontinfo info{};
    float scale = 0;
    int ascent = 0, height = 0;
    std::unordered_map<int, WebGlyph> glyphs;

    const WebGlyph& Glyph(int codepoint) {
        auto it = glyphs.find(codepoint);
        if (it != glyphs.end()) return it->second;
        WebGlyph g;
        int advance = 0, bearing = 0;
        stbtt_GetCodepointHMetrics(&info, codepoint, &advance, &bearing);
        g.advance = static_cast<int>(std::lround(advance * scale));
        int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
        stbtt_GetCodepointBitmapBox(&info, codepoint, scale, scale, &x0, &y0, &x1, &y1);
        g.w = std::max(0, x1 - x0);
        g.h = std::max(0, y1 - y0);
        g.left = x0;
        g.top = y0;
        g.coverage.assign(static_cast<size_t>(g.w) * static_cast<size_t>(g.h), 0);
        if (g.w > 0 && g.h > 0)
            stbtt_MakeCodepointBitmap(&info, g.coverage.data(), g.w, g.h, g.w, scale, scale, codepoint);
        return glyphs.emplace(codepoint, std::move(g)).first->second;
    }
};

namespace {

std::unique_ptr<WebFont> OpenFont(const std::string& file, float pixels) {
    std::ifstream in(file, std::ios::binary);
    if (!in) return nullptr;
    auto f = std::make_unique<WebFont>();
    f->data.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (f->data.empty() ||
        !stbtt_InitFont(&f->info, f->data.data(), stbtt_GetFontOffsetForIndex(f->data.data(), 0)))
        return nullptr;
    f->scale = stbtt_ScaleForMappingEmToPixels(&f->info, pixels);
    int ascent = 0, descent = 0, gap = 0;
    stbtt_GetFontVMetrics(&f->info, &ascent, &descent, &gap);
    f->ascent = static_cast<int>(std::ceil(ascent * f->scale));
    f->height = f->ascent + static_cast<int>(std::ceil(-descent * f->scale));
    return f;
}

// The largest pixel size whose line height fits in `cell` pixels.
std::unique_ptr<WebFont> OpenFontWithCellHeight(const std::string& file, int cell) {
    for (int size = cell; size >= 8; --size) {
        auto f = OpenFont(file, static_cast<float>(size));
        if (!f) return nullptr;
        if (f->height <= cell || size == 8) return f;
    }
    return nullptr;
}

// The next code point of UTF-8 text (a stray byte stands for itself).
int NextCodepoint(const std::string& s, size_t& at) {
    const auto byte = [&](size_t i) { return static_cast<unsigned char>(s[i]); };
    unsigned char c = byte(at++);
    int extra = c >= 0xf0 ? 3 : c >= 0xe0 ? 2 : c >= 0xc0 ? 1 : 0;
    int cp = extra == 3 ? c & 7 : extra == 2 ? c & 15 : extra == 1 ? c & 31 : c;
    for (; extra > 0 && at < s.size() && (byte(at) & 0xc0) == 0x80; --extra)
        cp = (cp << 6) | (byte(at++) & 63);
    return cp;
}

// The pixels and the images' texels are kept in a canvas's byte order, R, G, B, A: on a little-endian machine
// the word 0xAABBGGRR. The rasteriser treats red and blue alike, so only the colours coming in (here) and
// the picture going out (ScreenshotPng) know the order, and a frame goes to the canvas as it lies.
uint32_t Pixel(uint32_t rgb) {
    return 0xff000000u | static_cast<uint32_t>(BlueOf(rgb)) << 16 | static_cast<uint32_t>(GreenOf(rgb)) << 8 |
           static_cast<uint32_t>(RedOf(rgb));
}

uint32_t Blend(uint32_t d, uint32_t pixel, unsigned a) {
    const unsigned keep = 256 - a;
    const uint32_t rb = (((d & 0xff00ffu) * keep + (pixel & 0xff00ffu) * a) >> 8) & 0xff00ffu;
    const uint32_t g = (((d & 0xff00u) * keep + (pixel & 0xff00u) * a) >> 8) & 0xff00u;
    return (d & 0xff000000u) | rb | g;
}

} // namespace

WebPlatform::WebPlatform(bool headless, std::vector<std::string> fontFolders)
    : headless_(headless), fontFolders_(std::move(fontFolders)) {}

WebPlatform::~WebPlatform() = default;

bool WebPlatform::OpenScreen(int width, int height, bool) {
    if (width <= 0 || height <= 0 || width > 16384 || height > 16384) return false;
    width_ = width;
    height_ = height;
    pixels_.assign(static_cast<size_t>(width) * static_cast<size_t>(height), 0xff000000u);
    // Until the pointer first crosses the canvas it stands at the centre, as on the desktop: at the corner
    // it would scroll the camera away before the player has touched anything.
    input_.mouseX = width / 2;
    input_.mouseY = height / 2;
    return true;
}

void WebPlatform::Clear(uint32_t rgb) {
    // Two pixels a store (the page's build has no vector registers).
    const uint64_t two = Pixel(rgb) * 0x100000001ull;
    const size_t pairs = pixels_.size() / 2;
    for (size_t i = 0; i < pairs; ++i) std::memcpy(pixels_.data() + 2 * i, &two, sizeof two);
    if (pixels_.size() % 2 != 0) pixels_.back() = Pixel(rgb);
}

void WebPlatform::Flip() {
    ++frames_;
}

// ---- Images ----------------------------------------------------------------------------------------------

WebPlatform::Image* WebPlatform::ImageAt(int number) {
    if (number < 0 || number >= static_cast<int>(images_.size())) return nullptr;
    Image& img = images_[static_cast<size_t>(number)];
    return img.present ? &img : nullptr;
}

const WebPlatform::Image* WebPlatform::ImageAt(int number) const {
    if (number < 0 || number >= static_cast<int>(images_.size())) return nullptr;
    const Image& img = images_[static_cast<size_t>(number)];
    return img.present ? &img : nullptr;
}

WebPlatform::Image& WebPlatform::NewImage(int number) {
    if (number >= static_cast<int>(images_.size())) images_.resize(static_cast<size_t>(number) + 1);
    Image& img = images_[static_cast<size_t>(number)];
    img = Image{};
    img.present = true;
    return img;
}

bool WebPlatform::LoadImage(int number, const std::string& nativePath) {
    if (number < 0 || number > 1000000) return false;
    std::ifstream in(nativePath, std::ios::binary);
    if (!in) return false;
    std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    int w = 0, h = 0, channels = 0;
    stbi_uc* data = stbi_load_from_memory(bytes.data(), static_cast<int>(bytes.size()), &w, &h, &channels, 4);
    if (!data) return false;
    Image& img = NewImage(number);
    img.soft.w = w;
    img.soft.h = h;
    img.soft.texels.resize(static_cast<size_t>(w) * static_cast<size_t>(h));
    for (size_t i = 0; i < img.soft.texels.size(); ++i) {
        const stbi_uc* p = data + i * 4;
        img.soft.texels[i] = static_cast<uint32_t>(p[3]) << 24 | static_cast<uint32_t>(p[2]) << 16 |
                             static_cast<uint32_t>(p[1]) << 8 | p[0];
    }
    stbi_image_free(data);
    img.flat = FlatColourOf(img.soft.texels.data(), img.soft.texels.size(), img.colour);
    return true;
}

bool WebPlatform::CreateBlankImage(int number, int width, int height) {
    if (number < 0 || number > 1000000 || width <= 0 || height <= 0 || width > 16384 || height > 16384)
        return false;
    Image& img = NewImage(number);
    img.soft.w = width;
    img.soft.h = height;
    img.soft.texels.assign(static_cast<size_t>(width) * static_cast<size_t>(height), 0);
    return true;
}

void WebPlatform::FreeImage(int number) {
    if (Image* img = ImageAt(number)) *img = Image{};
}

bool WebPlatform::HasImage(int number) const {
    return ImageAt(number) != nullptr;
}

int WebPlatform::ImageWidth(int number) const {
    const Image* img = ImageAt(number);
    return img ? img->soft.w : 0;
}

int WebPlatform::ImageHeight(int number) const {
    const Image* img = ImageAt(number);
    return img ? img->soft.h : 0;
}

bool WebPlatform::GrabScreen(int number, int x, int y, int width, int height) {
    if (width_ == 0 || width <= 0 || height <= 0 || width > 16384 || height > 16384) return false;
    if (!CreateBlankImage(number, width, height)) return false;
    Image& img = images_[static_cast<size_t>(number)];
    for (int row = 0; row < height; ++row) {
        const int sy = y + row;
        if (sy < 0 || sy >= height_) continue;
        for (int col = 0; col < width; ++col) {
            const int sx = x + col;
            if (sx < 0 || sx >= width_) continue;
            img.soft
                .texels[static_cast<size_t>(row) * static_cast<size_t>(width) + static_cast<size_t>(col)] =
                pixels_[static_cast<size_t>(sy) * static_cast<size_t>(width_) + static_cast<size_t>(sx)] |
                0xff000000u;
        }
    }
    return true;
}

// ---- Drawing ---------------------------------------------------------------------------------------------

void WebPlatform::FillConvex(const Quad& q, bool triangle, SoftColour colour) {
    SoftVertex p[8];
    const int corners = triangle ? 3 : 4;
    for (int i = 0; i < corners; ++i) {
        if (!std::isfinite(q.x[static_cast<size_t>(i)]) || !std::isfinite(q.y[static_cast<size_t>(i)]))
            return;
        p[i] = SoftVertex{q.x[static_cast<size_t>(i)], q.y[static_cast<size_t>(i)], 0, 0};
    }
    const int n = ClipToRect(p, corners, static_cast<float>(width_), static_cast<float>(height_));
    if (n < 3) return;
    SoftFillSpans(SoftCanvas{pixels_.data(), width_, height_, width_}, p, n, colour,
                  blend_ == BlendMode::Add);
}

void WebPlatform::DrawQuad(int image, const Quad& q, int alpha, bool cullCounterClockwise) {
    Image* img = ImageAt(image);
    if (!img || width_ == 0) return;
    if (cullCounterClockwise && !QuadIsClockwise(q)) return;
    alpha = std::clamp(alpha, 0, 255);
    if (alpha == 0) return;
    const auto [minx, maxx] = std::minmax({q.x[0], q.x[1], q.x[2], q.x[3]});
    const auto [miny, maxy] = std::minmax({q.y[0], q.y[1], q.y[2], q.y[3]});
    if (!(maxx >= 0 && minx <= static_cast<float>(width_) && maxy >= 0 &&
          miny <= static_cast<float>(height_)))
        return;
    const bool triangle = q.x[2] == q.x[3] && q.y[2] == q.y[3];
    const bool add = blend_ == BlendMode::Add;
    if (img->flat) {
        SoftColour c = img->colour;
        c.a = static_cast<uint8_t>((c.a * alpha + 127) / 255);
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
    const SoftCanvas canvas{pixels_.data(), width_, height_, width_};
    if (!triangle && SoftQuadRows(canvas, img->soft, q, alpha, add)) return;
    triangles_.clear();
    QuadTriangles(q, static_cast<float>(width_), static_cast<float>(height_), grid_, triangles_);
    if (triangles_.empty()) return;
    if (add) PrepareGlow(img->soft, alpha);
    SoftTriangles(canvas, img->soft, triangles_.data(), triangles_.size(), alpha, add);
}

void WebPlatform::DrawLine(float x1, float y1, float x2, float y2, uint32_t rgb) {
    double t0 = 0, t1 = 1;
    if (width_ == 0 || !ClipSegment(x1, y1, x2, y2, -1, -1, width_ + 1.0, height_ + 1.0, t0, t1)) return;
    const double dx = static_cast<double>(x2) - x1, dy = static_cast<double>(y2) - y1;
    int ax = static_cast<int>(std::floor(x1 + dx * t0)), ay = static_cast<int>(std::floor(y1 + dy * t0));
    const int bx = static_cast<int>(std::floor(x1 + dx * t1)),
              by = static_cast<int>(std::floor(y1 + dy * t1));
    // Bresenham, both ends plotted.
    const uint32_t c = Pixel(rgb);
    const int sx = ax < bx ? 1 : -1, sy = ay < by ? 1 : -1;
    const int ex = std::abs(bx - ax), ey = -std::abs(by - ay);
    int err = ex + ey;
    while (true) {
        Plot(ax, ay, c);
        if (ax == bx && ay == by) break;
        const int e2 = 2 * err;
        if (e2 >= ey) {
            err += ey;
            ax += sx;
        }
        if (e2 <= ex) {
            err += ex;
            ay += sy;
        }
    }
}

void WebPlatform::FillRect(int x0, int y0, int x1, int y1, uint32_t pixel) {
    x0 = std::max(x0, 0);
    y0 = std::max(y0, 0);
    x1 = std::min(x1, width_);
    y1 = std::min(y1, height_);
    for (int y = y0; y < y1; ++y) {
        uint32_t* row = pixels_.data() + static_cast<size_t>(y) * static_cast<size_t>(width_);
        std::fill(row + x0, row + std::max(x0, x1), pixel);
    }
}

void WebPlatform::DrawBox(float x1, float y1, float x2, float y2, uint32_t rgb, bool filled) {
    const float left = std::min(x1, x2), right = std::max(x1, x2);
    const float top = std::min(y1, y2), bottom = std::max(y1, y2);
    if (width_ == 0 || !(right >= -1 && left <= static_cast<float>(width_) + 1 && bottom >= -1 &&
                         top <= static_cast<float>(height_) + 1))
        return; // beside the screen (or not a number)
    const auto clampi = [](float v) { return static_cast<int>(std::clamp(v, -2.0f, 20000.0f)); };
    const int l = clampi(std::round(left)), t = clampi(std::round(top));
    const int r = clampi(std::round(right)), b = clampi(std::round(bottom));
    const uint32_t c = Pixel(rgb);
    if (filled) return FillRect(l, t, r, b, c);
    if (r <= l || b <= t) return;
    FillRect(l, t, r, t + 1, c);
    FillRect(l, b - 1, r, b, c);
    FillRect(l, t, l + 1, b, c);
    FillRect(r - 1, t, r, b, c);
}

void WebPlatform::DrawCircle(float cx, float cy, float radius, uint32_t rgb) {
    if (!(radius > 0) || radius > 100000) return;
    const float w = static_cast<float>(width_), h = static_cast<float>(height_);
    if (!(cx + radius >= -1 && cx - radius <= w + 1 && cy + radius >= -1 && cy - radius <= h + 1)) return;
    const int segments = std::clamp(static_cast<int>(radius), 12, 96);
    float px = cx + radius, py = cy;
    for (int i = 1; i <= segments; ++i) {
        const double a = 2 * M_PI * i / segments;
        const float qx = cx + static_cast<float>(std::cos(a) * radius);
        const float qy = cy + static_cast<float>(std::sin(a) * radius);
        DrawLine(px, py, qx, qy, rgb);
        px = qx;
        py = qy;
    }
}

// ---- Text ------------------------------------------------------------------------------------------------

WebFont* WebPlatform::Font(FontId font) {
    if (!fontsTried_) {
        fontsTried_ = true;
        auto find = [&](const char* name) {
            for (const std::string& folder : fontFolders_) {
                std::ifstream probe(folder + name, std::ios::binary);
                if (probe) return folder + name;
            }
            return std::string();
        };
        std::string gui = find("Quicksand-Bold.ttf");
        std::string hud = find("DejaVuSans-Bold.ttf");
        if (gui.empty()) gui = hud;
        if (hud.empty()) hud = gui;
        // The GUI font is "size 20" as a cell height: the line of text is at most 20 pixels high.
        if (!gui.empty()) guiFont_ = OpenFontWithCellHeight(gui, 20);
        if (!hud.empty()) hudFont_ = OpenFont(hud, 14);
        if (!guiFont_ && !hudFont_) std::cerr << "tumblebox: no font found; text is not drawn\n";
    }
    WebFont* f = font == FontId::Gui ? guiFont_.get() : hudFont_.get();
    return f ? f : (guiFont_ ? guiFont_.get() : hudFont_.get());
}

void WebPlatform::DrawText(FontId font, int x, int y, const std::string& text, uint32_t front, uint32_t back,
                           bool withBackground) {
    WebFont* f = Font(font);
    if (!f || text.empty() || width_ == 0 || x >= width_ || y >= height_ || y < -1000) return;
    if (withBackground) FillRect(x, y, x + TextWidth(font, text), y + f->height, Pixel(back));
    const uint32_t colour = Pixel(front);
    const int baseline = y + f->ascent;
    int pen = x;
    for (size_t at = 0; at < text.size() && pen < width_;) {
        const WebGlyph& g = f->Glyph(NextCodepoint(text, at));
        const int gx = pen + g.left, gy = baseline + g.top;
        if (gx + g.w > 0)
            for (int row = std::max(0, -gy); row < g.h && gy + row < height_; ++row) {
                uint32_t* line = pixels_.data() + static_cast<size_t>(gy + row) * static_cast<size_t>(width_);
                const uint8_t* cover =
                    g.coverage.data() + static_cast<size_t>(row) * static_cast<size_t>(g.w);
                for (int col = std::max(0, -gx); col < g.w && gx + col < width_; ++col)
                    if (cover[col] != 0)
                        line[gx + col] = Blend(line[gx + col], colour, cover[col] + (cover[col] >> 7));
            }
        pen += g.advance;
    }
}

int WebPlatform::TextWidth(FontId font, const std::string& text) {
    WebFont* f = Font(font);
    if (!f) return 0;
    int w = 0;
    for (size_t at = 0; at < text.size();) w += f->Glyph(NextCodepoint(text, at)).advance;
    return w;
}

int WebPlatform::TextHeight(FontId font, const std::string&) {
    WebFont* f = Font(font);
    return f ? f->height : 0;
}

// ---- Input -----------------------------------------------------------------------------------------------

InputState WebPlatform::SampleInput() {
    InputState sample = input_;
    input_.wheel = 0;
    input_.released.fill(false);
    input_.typed.clear();
    for (LiveButton& b : buttons_) b.Sampled();
    input_.left = buttons_[0].held;
    input_.right = buttons_[1].held;
    for (int k : pendingKeyUps_) {
        input_.down[static_cast<size_t>(k)] = false;
        input_.released[static_cast<size_t>(k)] = true;
    }
    pendingKeyUps_.clear();
    keyPressedThisFrame_.fill(false);
    return sample;
}

void WebPlatform::MouseMoved(int x, int y) {
    input_.mouseX = x;
    input_.mouseY = y;
}

void WebPlatform::MouseLeft() {
    input_.mouseX = std::clamp(input_.mouseX, 1, std::max(1, width_ - 2));
    input_.mouseY = std::clamp(input_.mouseY, 1, std::max(1, height_ - 2));
}

void WebPlatform::MouseButton(int button, bool down) {
    if (button < 0 || button > 1) return;
    LiveButton& b = buttons_[button];
    down ? b.Press() : b.Release();
    (button == 0 ? input_.left : input_.right) = b.held;
}

void WebPlatform::Wheel(int notches) {
    input_.wheel += notches;
}

void WebPlatform::KeyChanged(int scan, bool down) {
    if (scan < 0 || scan >= kKeyCount) return;
    const auto k = static_cast<size_t>(scan);
    if (down) {
        input_.down[k] = true;
        keyPressedThisFrame_[k] = true;
    } else if (keyPressedThisFrame_[k]) {
        pendingKeyUps_.push_back(scan);
    } else if (input_.down[k]) {
        input_.down[k] = false;
        input_.released[k] = true;
    }
}

void WebPlatform::Typed(const std::string& text) {
    input_.typed += text;
}

void WebPlatform::SetClipboardText(const std::string& text) {
    clipboard_ = text;
#ifdef __EMSCRIPTEN__
    if (!headless_)
        EM_ASM(
            {
                if (Module.copyText) Module.copyText(UTF8ToString($0));
            },
            text.c_str());
#endif
}

void WebPlatform::ShowMessage(const std::string& title, const std::string& text) {
    std::cerr << title << ": " << text << "\n";
#ifdef __EMSCRIPTEN__
    if (!headless_)
        EM_ASM(
            {
                if (Module.showMessage) Module.showMessage(UTF8ToString($0), UTF8ToString($1));
            },
            title.c_str(), text.c_str());
#endif
}

uint32_t WebPlatform::Ticks() {
    using namespace std::chrono;
    return static_cast<uint32_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

bool WebPlatform::ScreenshotPng(std::string& png) {
    png.clear();
    if (width_ == 0) return false;
    std::vector<uint8_t> rgb(static_cast<size_t>(width_) * static_cast<size_t>(height_) * 3);
    for (size_t i = 0; i < pixels_.size(); ++i) {
        rgb[i * 3] = static_cast<uint8_t>(pixels_[i]);
        rgb[i * 3 + 1] = static_cast<uint8_t>(pixels_[i] >> 8);
        rgb[i * 3 + 2] = static_cast<uint8_t>(pixels_[i] >> 16);
    }
    auto append = [](void* context, void* data, int size) {
        static_cast<std::string*>(context)->append(static_cast<const char*>(data), static_cast<size_t>(size));
    };
    return stbi_write_png_to_func(append, &png, width_, height_, 3, rgb.data(), width_ * 3) != 0 &&
           !png.empty();
}

int ScanCodeFromDomCode(const std::string& code) {
    if (code.size() == 4 && code.compare(0, 3, "Key") == 0) return ScanCodeFromName(code.substr(3));
    if (code.size() == 6 && code.compare(0, 5, "Digit") == 0) return ScanCodeFromName(code.substr(5));
    static const std::pair<const char*, const char*> kNames[] = {{"ControlLeft", "LeftControl"},
                                                                 {"ControlRight", "RightControl"},
                                                                 {"ShiftLeft", "LeftShift"},
                                                                 {"ShiftRight", "RightShift"},
                                                                 {"Enter", "Return"},
                                                                 {"ArrowUp", "Up"},
                                                                 {"ArrowDown", "Down"},
                                                                 {"ArrowLeft", "Left"},
                                                                 {"ArrowRight", "Right"},
                                                                 {"NumpadEnter", "Return"}};
    for (const auto& [dom, name] : kNames)
        if (code == dom) return ScanCodeFromName(name);
    return ScanCodeFromName(code); // Escape, Space, F1 to F4, Delete, Backspace, Tab, Home
}
