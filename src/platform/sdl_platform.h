// The real platform: SDL2 with SDL2_ttf for text (fonts found by name through fontconfig) and SDL2_image
// for PNG screenshots. A desktop window or full screen, or an off-screen software surface when headless. A
// window without a graphics card is drawn into such a surface too and shown as one picture a frame.
#pragma once

#include <SDL.h>
#include <SDL_ttf.h>

#include <list>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/platform.h"
#include "platform/soft_raster.h"

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
    void WarpMouse(int x, int y) override;
    void ShowMessage(const std::string& title, const std::string& text) override;
    uint32_t Ticks() override;
    bool ScreenshotPng(std::string& png) override;
    void SetClipboardText(const std::string& text) override;
    std::string ClipboardText() override;

private:
    // A drawing call of a window's frame. The frame is kept until its flip: one the same as the frame on
    // the screen (an idle editor) is not drawn again.
    struct Command {
        enum class Kind : uint8_t { Clear, Blend, Quad, Line, Box, Circle, Text };
        Kind kind = Kind::Clear;
        int image = 0, alpha = 0, x = 0, y = 0;
        bool flag = false;
        BlendMode blend = BlendMode::Alpha;
        FontId font = FontId::Gui;
        uint32_t rgb = 0, back = 0;
        std::array<float, 8> at{}; // quad corners (x then y), or line ends, box corners, circle
        std::string text;
        bool operator==(const Command&) const = default;
    };

    struct Image {
        SDL_Texture* texture = nullptr;
        // An image of one colour (within a few levels) is drawn as that colour: no texture to sample,
        // no subdivision.
        bool flat = false;
        SDL_Color colour{0, 0, 0, 0};
        // Its size, and for the software rasteriser a copy of its pixels (ARGB).
        SoftImage pixels;
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
    bool DrawRectQuad(Image& img, const Quad& q, int alpha);
    bool DrawQuadRows(Image& img, const Quad& q, int alpha);
    void FillConvex(const Quad& q, bool triangle, SDL_Color colour);
    void RenderGeometry(SDL_Texture* texture, SDL_Color colour);
    SoftCanvas Canvas() const;
    std::vector<Uint32> TexelsOf(SDL_Surface* s) const;
    void Present();
    void Execute(const Command& c);
    void DoClear(uint32_t rgb);
    void DoQuad(int image, const Quad& corners, int alpha, bool cullCounterClockwise);
    void DoLine(float x1, float y1, float x2, float y2, uint32_t rgb);
    bool ClipLine(float& x1, float& y1, float& x2, float& y2) const;
    void DoBox(float x1, float y1, float x2, float y2, uint32_t rgb, bool filled);
    void DoCircle(float cx, float cy, float radius, uint32_t rgb);
    void DoText(FontId font, int x, int y, const std::string& text, uint32_t front, uint32_t back,
                bool withBackground);

    bool headless_;
    bool ttfReady_ = false;
    SDL_Window* window_ = nullptr;
    SDL_Renderer* screen_ = nullptr;   // the window's renderer
    SDL_Renderer* renderer_ = nullptr; // the renderer the frame is drawn with (screen_, or the surface's)
    SDL_Surface* surface_ =
        nullptr; // the frame drawn in software: headless, or a window without a graphics card
    SDL_Texture* target_ = nullptr;  // the frame drawn by screen_, letterboxed into the window at each flip
    SDL_Texture* picture_ = nullptr; // the window's copy of the surface's frame
    int width_ = 0, height_ = 0;
    std::vector<Image> images_;
    std::vector<SoftVertex> geometry_; // the triangles of the quad being drawn (kept to avoid reallocating)
    std::vector<SoftVertex> grid_;     // the corners of its pieces
    std::vector<SDL_Vertex> sdlGeometry_; // the triangles as the renderer takes them
    BlendMode blend_ = BlendMode::Alpha;
    TTF_Font* guiFont_ = nullptr;
    TTF_Font* hudFont_ = nullptr;
    bool fontsTried_ = false;
    std::unordered_map<std::string, CachedText> textCache_;
    std::list<std::string> textAges_;
    std::unordered_map<std::string, int> longWidths_;                  // widths of long texts
    std::unordered_map<std::string, std::pair<size_t, int>> longCuts_; // where they start to show

    std::vector<Command> frame_; // this frame's calls (windows only)
    std::vector<Command> shown_; // those of the frame on the screen
    bool imagesChanged_ = true;  // an image changed since the frame on the screen was drawn
    bool exposed_ = false;       // the window needs the frame shown again

    InputState input_;
    LiveButton buttons_[2]; // left, right
    std::vector<int> pendingKeyUps_;
    bool closeRequested_ = false;
    std::string clipboard_;  // kept here without a display
    bool noDisplay_ = false; // a window was asked for, but there is no display to show it on
    uint64_t nextDeadline_ = 0;
};
