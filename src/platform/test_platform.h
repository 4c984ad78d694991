// A platform without a screen: records every draw call and message box and serves input that tests set.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "platform/platform.h"

struct DrawCall {
    enum class Kind { Clear, Flip, Blend, Quad, Line, Box, Circle, Text };
    Kind kind = Kind::Clear;
    int image = -1;
    Quad quad;
    int alpha = 255;
    bool cull = false;
    BlendMode blend = BlendMode::Alpha;
    float x1 = 0, y1 = 0, x2 = 0, y2 = 0; // line ends, box corners, circle centre (x1, y1) and radius (x2)
    uint32_t rgb = 0;
    uint32_t back = 0;
    bool filled = false; // boxes; for text: drawn with a background
    FontId font = FontId::Hud;
    std::string text;
};

class TestPlatform : public Platform {
public:
    // What the next SampleInput returns. The wheel, the released keys and the typed text are cleared
    // after each sample; positions and held buttons stay.
    InputState input;
    std::vector<DrawCall> calls; // draw calls since the last Flip (cleared by Flip when keepFrames is off)
    std::vector<DrawCall> lastFrame;                           // the draw calls of the last flipped frame
    std::vector<std::pair<std::string, std::string>> messages; // (title, text) of every message box
    bool screenOpens = true;
    std::string screenshot; // the bytes ScreenshotPng gives; none: it fails
    bool closeRequested = false;
    uint32_t ticks = 0;
    uint32_t ticksPerFrame = 16;
    int screenWidth = 0, screenHeight = 0;
    bool windowed = false;
    int flips = 0;
    int textCharWidth = 9; // width of one character of text, pixels
    int textLineHeight = 20;

    // Image sizes: LoadImage reads them from the BMP header when the file exists.
    void SetImageSize(int number, int width, int height) { images_[number] = {width, height}; }

    bool OpenScreen(int width, int height, bool windowed) override;
    void Clear(uint32_t rgb) override;
    void Flip() override;
    bool PumpEvents() override { return closeRequested; }
    bool LoadImage(int number, const std::string& nativePath) override;
    bool CreateBlankImage(int number, int width, int height) override;
    void FreeImage(int number) override { images_.erase(number); }
    bool HasImage(int number) const override { return images_.count(number) != 0; }
    int ImageWidth(int number) const override;
    int ImageHeight(int number) const override;
    bool GrabScreen(int number, int x, int y, int width, int height) override;
    void SetBlend(BlendMode mode) override;
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
        input.mouseX = x;
        input.mouseY = y;
    }
    void ShowMessage(const std::string& title, const std::string& text) override {
        messages.emplace_back(title, text);
    }
    uint32_t Ticks() override { return ticks; }
    bool ScreenshotPng(std::string& png) override {
        png = screenshot;
        return !screenshot.empty();
    }
    std::string clipboard; // the system clipboard
    void SetClipboardText(const std::string& text) override { clipboard = text; }
    std::string ClipboardText() override { return clipboard; }

    // Helpers for tests.
    size_t ImageCount() const { return images_.size(); }
    std::vector<DrawCall> CallsOf(DrawCall::Kind kind, const std::vector<DrawCall>& from) const;
    bool FrameHasText(const std::string& text) const; // in the last flipped frame

private:
    struct Size {
        int w = 0, h = 0;
    };
    std::map<int, Size> images_;
};

// Reads the width and height of a BMP file; false when it is not a readable BMP.
bool ReadBmpSize(const std::string& nativePath, int& width, int& height);
