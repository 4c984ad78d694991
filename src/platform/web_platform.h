// The platform of the WebAssembly build: every frame is drawn by the software rasteriser into a buffer
// of pixels, which the browser build presents on a 2D canvas; text comes from stb_truetype and images
// from stb_image. Built headless (the node program) it draws the same pixels and presents none.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/soft_raster.h"

struct WebFont;

class WebPlatform : public Platform {
public:
    // `fontFolders`: where to look for the fonts, in order (each ends in '/').
    WebPlatform(bool headless, std::vector<std::string> fontFolders);
    ~WebPlatform() override;
    WebPlatform(const WebPlatform&) = delete;
    WebPlatform& operator=(const WebPlatform&) = delete;

    bool OpenScreen(int width, int height, bool windowed) override;
    void Clear(uint32_t rgb) override;
    void Flip() override;
    bool PumpEvents() override { return false; }
    bool LoadImage(int number, const std::string& nativePath) override;
    bool CreateBlankImage(int number, int width, int height) override;
    void FreeImage(int number) override;
    bool HasImage(int number) const override;
    int ImageWidth(int number) const override;
    int ImageHeight(int number) const override;
    bool GrabScreen(int number, int x, int y, int width, int height) override;
    void SetBlend(BlendMode mode) override { blend_ = mode; }
    void DrawQuad(int image, const Quad& corners, int alpha, bool cullCounterClockwise) override;
    void DrawLine(float x1, float y1, float x2, float y2, uint32_t rgb) override;
    void DrawBox(float x1, float y1, float x2, float y2, uint32_t rgb, bool filled) override;
    void DrawCircle(float cx, float cy, float radius, uint32_t rgb) override;
    void DrawText(FontId font, int x, int y, const std::string& text, uint32_t front, uint32_t back,
                  bool withBackground) override;
    int TextWidth(FontId font, const std::string& text) override;
    int TextHeight(FontId font, const std::string& text) override;
    InputState SampleInput() override;
    void WarpMouse(int x, int y) override {
        input_.mouseX = x;
        input_.mouseY = y;
    }
    void ShowMessage(const std::string& title, const std::string& text) override;
    uint32_t Ticks() override;
    bool ScreenshotPng(std::string& png) override;
    // The browser's clipboard is read only in answer to a paste event: the text is kept in memory, and
    // what is copied is offered to the page (Module.copyText) to put on the system clipboard.
    void SetClipboardText(const std::string& text) override;
    std::string ClipboardText() override { return clipboard_; }

    // The browser's events, fed in as they arrive (screen coordinates already in frame pixels).
    void MouseMoved(int x, int y);
    // The pointer left the canvas: it stays where it was last seen, but off the screen's edges, so that
    // nothing scrolls while it is away (at the page's buttons, say).
    void MouseLeft();
    void MouseButton(int button, bool down); // 0 left, 1 right
    void Wheel(int notches);
    void KeyChanged(int scan, bool down);
    void Typed(const std::string& text);

    // The last finished frame as RGBA bytes, row by row (what a canvas's ImageData holds).
    const uint8_t* FrameRgba() const { return reinterpret_cast<const uint8_t*>(pixels_.data()); }
    int Width() const { return width_; }
    int Height() const { return height_; }
    // Frames drawn since the start (a frame that changed nothing on the screen is still counted).
    int64_t Frames() const { return frames_; }

private:
    struct Image {
        SoftImage soft;
        bool present = false;
        bool flat = false;
        SoftColour colour; // the one colour of a flat image
    };
    Image* ImageAt(int number);
    const Image* ImageAt(int number) const;
    Image& NewImage(int number);
    WebFont* Font(FontId font);
    void FillRect(int x0, int y0, int x1, int y1, uint32_t pixel); // half-open, clipped here
    void Plot(int x, int y, uint32_t pixel) {
        if (x >= 0 && y >= 0 && x < width_ && y < height_)
            pixels_[static_cast<size_t>(y) * static_cast<size_t>(width_) + static_cast<size_t>(x)] = pixel;
    }
    void FillConvex(const Quad& q, bool triangle, SoftColour colour);

    std::string clipboard_;
    bool headless_ = false;
    std::vector<std::string> fontFolders_;
    int width_ = 0, height_ = 0;
    std::vector<uint32_t> pixels_; // R, G, B, A bytes (0xAABBGGRR words), opaque
    std::vector<Image> images_;
    BlendMode blend_ = BlendMode::Alpha;
    std::vector<SoftVertex> grid_, triangles_;
    bool fontsTried_ = false;
    std::unique_ptr<WebFont> guiFont_, hudFont_;
    InputState input_;
    LiveButton buttons_[2]; // left, right
    std::vector<int> pendingKeyUps_;
    std::array<bool, kKeyCount> keyPressedThisFrame_{};
    int64_t frames_ = 0;
};

// The PC scan code of a key by its DOM `code` ("KeyA", "Digit1", "ControlLeft", "F1"...), or -1.
int ScanCodeFromDomCode(const std::string& code);
