// The real platform: SDL2 with SDL2_ttf for text (fonts found by name through fontconfig) and SDL2_image
// for PNG screenshots. A desktop window or full screen, or an off-screen software surface when headless.
#pragma once

#include <SDL.h>
#include <SDL_ttf.h>

#include <list>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/platform.h"

class SdlPlatform : public Platform {
public:
    explicit SdlPlatform(bool headless);
    ~SdlPlatform() override;
    SdlPlatform(const SdlPlatform&) = delete;
    SdlPlatform& operator=(const SdlPlatform&) = delete;

    bool OpenScreen(int width, int height, bool windowed) override;
    void Clear(uint32_t rgb) override;
    void Flip() override;
    bool PumpEvents() override;
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
    void WarpMouse(int x, int y) override;
    void ShowMessage(const std::string& title, const std::string& text) override;
    uint32_t Ticks() override;
    bool SaveScreenshot(const std::string& nativePath) override;

private:
    struct Image {
        SDL_Texture* texture = nullptr;
        int w = 0, h = 0;
    };
    struct CachedText {
        SDL_Texture* texture = nullptr;
        int w = 0, h = 0;
        std::list<std::string>::iterator age;
    };

    Image* ImageAt(int number);
    const Image* ImageAt(int number) const;
    TTF_Font* Font(FontId font);
    CachedText* TextTexture(FontId font, const std::string& text, uint32_t rgb);
    void SetDrawColour(uint32_t rgb);
    void AddTriangle(const SDL_Vertex& a, const SDL_Vertex& b, const SDL_Vertex& c);
    void Present();

    bool headless_;
    bool ttfReady_ = false;
    SDL_Window* window_ = nullptr;
    SDL_Renderer* renderer_ = nullptr;
    SDL_Surface* surface_ = nullptr; // the off-screen surface of headless runs
    SDL_Texture* target_ = nullptr;  // the frame, letterboxed into the window at each flip
    int width_ = 0, height_ = 0;
    std::vector<Image> images_;
    std::vector<SDL_Vertex> geometry_; // the triangles of the quad being drawn (kept to avoid reallocating)
    BlendMode blend_ = BlendMode::Alpha;
    TTF_Font* guiFont_ = nullptr;
    TTF_Font* hudFont_ = nullptr;
    bool fontsTried_ = false;
    std::unordered_map<std::string, CachedText> textCache_;
    std::list<std::string> textAges_;

    InputState input_;
    bool pendingUp_[2] = {false, false};
    std::vector<int> pendingKeyUps_;
    bool closeRequested_ = false;
    bool noDisplay_ = false; // a window was asked for, but there is no display to show it on
    uint64_t nextDeadline_ = 0;
};
