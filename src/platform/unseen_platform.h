// A platform for frames nobody will look at: every drawing call is dropped, every question (image and
// text sizes, the clock) and every image operation goes to the real platform. A frame drawn through it
// runs every pass, so whatever the passes keep from frame to frame changes exactly as when the frame is
// drawn, at none of the cost of filling pixels.
#pragma once

#include "platform/platform.h"

class UnseenPlatform : public Platform {
public:
    explicit UnseenPlatform(Platform& real) : real_(real) {}

    bool OpenScreen(int width, int height, bool windowed) override {
        return real_.OpenScreen(width, height, windowed);
    }
    void Clear(uint32_t) override {}
    void Flip() override {}
    bool PumpEvents() override { return real_.PumpEvents(); }
    bool LoadImage(int number, const std::string& nativePath) override {
        return real_.LoadImage(number, nativePath);
    }
    bool CreateBlankImage(int number, int width, int height) override {
        return real_.CreateBlankImage(number, width, height);
    }
    void FreeImage(int number) override { real_.FreeImage(number); }
    bool HasImage(int number) const override { return real_.HasImage(number); }
    int ImageWidth(int number) const override { return real_.ImageWidth(number); }
    int ImageHeight(int number) const override { return real_.ImageHeight(number); }
    bool GrabScreen(int number, int x, int y, int width, int height) override {
        return real_.GrabScreen(number, x, y, width, height);
    }
    void SetBlend(BlendMode) override {}
    void DrawQuad(int, const Quad&, int, bool) override {}
    void DrawLine(float, float, float, float, uint32_t) override {}
    void DrawBox(float, float, float, float, uint32_t, bool) override {}
    void DrawCircle(float, float, float, uint32_t) override {}
    void DrawText(FontId, int, int, const std::string&, uint32_t, uint32_t, bool) override {}
    int TextWidth(FontId font, const std::string& text) override { return real_.TextWidth(font, text); }
    int TextHeight(FontId font, const std::string& text) override { return real_.TextHeight(font, text); }
    InputState SampleInput() override { return real_.SampleInput(); }
    void WarpMouse(int x, int y) override { real_.WarpMouse(x, y); }
    void ShowMessage(const std::string& title, const std::string& text) override {
        real_.ShowMessage(title, text);
    }
    uint32_t Ticks() override { return real_.Ticks(); }
    bool ScreenshotPng(std::string& png) override { return real_.ScreenshotPng(png); }
    void SetClipboardText(const std::string& text) override { real_.SetClipboardText(text); }
    std::string ClipboardText() override { return real_.ClipboardText(); }

private:
    Platform& real_;
};
