// The one interface between the program and its host: surface, images and textured quads, 2D drawing,
// input sampled once per frame, message boxes, the tick count and screen grabs. Everything else (files,
// threads, random numbers) uses the standard library directly.
#pragma once

#include <array>
#include <cstdint>
#include <string>

// Colours are packed as red + green * 256 + blue * 65536.
constexpr uint32_t Rgb(int r, int g, int b) {
    return static_cast<uint32_t>(r & 255) | (static_cast<uint32_t>(g & 255) << 8) |
           (static_cast<uint32_t>(b & 255) << 16);
}
constexpr int RedOf(uint32_t c) {
    return static_cast<int>(c & 255);
}
constexpr int GreenOf(uint32_t c) {
    return static_cast<int>((c >> 8) & 255);
}
constexpr int BlueOf(uint32_t c) {
    return static_cast<int>((c >> 16) & 255);
}

// PC scan codes of the keys the program reads.
namespace Key {
constexpr int Escape = 1;
constexpr int Backspace = 14;
constexpr int LeftControl = 29;
constexpr int LeftShift = 42;
constexpr int Space = 57;
constexpr int F1 = 59;
constexpr int F2 = 60;
constexpr int F3 = 61;
constexpr int F4 = 62;
constexpr int N = 49;
constexpr int R = 19;
constexpr int Y = 21;
constexpr int Z = 44;
constexpr int Tab = 15;
constexpr int Return = 28;
constexpr int RightShift = 54;
constexpr int RightControl = 157;
constexpr int Home = 199;
constexpr int Up = 200;
constexpr int Left = 203;
constexpr int Right = 205;
constexpr int Down = 208;
constexpr int Delete = 211;
} // namespace Key

constexpr int kKeyCount = 256;

// The input of one frame. Every query within a frame reads the same sample.
struct InputState {
    int mouseX = 0;
    int mouseY = 0;
    bool left = false;  // button 1 down
    bool right = false; // button 2 down
    int wheel = 0;      // notches away from the user are positive
    std::array<bool, kKeyCount> down{};
    std::array<bool, kKeyCount> released{}; // released since the previous sample
    std::string typed;                      // characters typed since the previous sample
    // Worked out by the frame loop once a frame (WorkOutEdges), not by the platform:
    std::array<bool, kKeyCount> pressed{}; // down now and not in the previous frame
    bool keyboardTaken = false;            // a window holds the keyboard: no key acts elsewhere
};

// A mouse button as a window's events move it. However quickly it is let go (a tap, a synthetic click), the
// frames see it down in two samples: a click on a button of the interface is a press held for a frame and
// then let go, and a press seen in one frame only would be lost.
struct LiveButton {
    bool held = false;
    bool releasePending = false;
    int samplesHeld = 0;
    void Press() {
        held = true;
        releasePending = false;
        samplesHeld = 0;
    }
    void Release() {
        if (held && samplesHeld < 2)
            releasePending = true;
        else
            held = false;
    }
    // A sample of the input has been taken.
    void Sampled() {
        if (held) ++samplesHeld;
        if (releasePending && samplesHeld >= 2) held = releasePending = false;
    }
};

// The frame's edges from the platform's input: `pressed` against the keys down in the previous frame
// (`before`, updated here); the keyboard is free.
void WorkOutEdges(InputState& in, std::array<bool, kKeyCount>& before);

// A modifier counts as held while it is down, and also in the frame in which it is let go together with
// the key it modifies (a quick Ctrl+S, as fast typists and scripted keystrokes give, comes down in one
// frame and is let go, both keys at once, in the next).
bool ControlHeld(const InputState& in);
bool ShiftHeld(const InputState& in);

// The character a scan code stands for in key-released events ("a".."z", "0".."9", " "), or 0.
char ScanCodeChar(int scan);
// Scan code of a key name of the scripted-input format (Escape, Space, F1 to F4, Delete, LeftControl,
// RightControl, LeftShift, RightShift, Backspace, Return, Tab, Home, Up, Down, Left, Right, A..Z, 0..9), or
// -1.
int ScanCodeFromName(const std::string& name);
std::string ScanCodeName(int scan);

enum class BlendMode { Alpha, Add };
enum class FontId { Gui, Hud };

// Four free screen corners of a textured quad: top-left, top-right, bottom-right, bottom-left of the image.
struct Quad {
    std::array<float, 4> x{};
    std::array<float, 4> y{};
};

// An axis-aligned quad of w x h at (x, y), turned by deg degrees (clockwise on screen) about its centre.
Quad RectQuad(float x, float y, float w, float h, float deg = 0);
// True when the corners run clockwise on the screen (y grows downwards).
bool QuadIsClockwise(const Quad& q);

class Platform {
public:
    virtual ~Platform() = default;

    // Surface. OpenScreen reports failure; Flip paces the loop (except in headless runs).
    virtual bool OpenScreen(int width, int height, bool windowed) = 0;
    virtual void Clear(uint32_t rgb) = 0;
    virtual void Flip() = 0;
    // Drains the window events; true when the window was asked to close.
    virtual bool PumpEvents() = 0;

    // Images, addressed by number. A missing file leaves its number without an image.
    virtual bool LoadImage(int number, const std::string& nativePath) = 0;
    virtual bool CreateBlankImage(int number, int width, int height) = 0;
    virtual void FreeImage(int number) = 0;
    virtual bool HasImage(int number) const = 0;
    virtual int ImageWidth(int number) const = 0; // 0 when there is no image
    virtual int ImageHeight(int number) const = 0;
    // Copies a rectangle of the back buffer into image `number`.
    virtual bool GrabScreen(int number, int x, int y, int width, int height) = 0;

    // Textured quads. With cullCounterClockwise, a quad whose corners do not run clockwise is not drawn
    // (for shapes drawn twice with opposite windings so that exactly one shows).
    virtual void SetBlend(BlendMode mode) = 0;
    virtual void DrawQuad(int image, const Quad& corners, int alpha, bool cullCounterClockwise = false) = 0;

    // Flat 2D drawing.
    virtual void DrawLine(float x1, float y1, float x2, float y2, uint32_t rgb) = 0;
    virtual void DrawBox(float x1, float y1, float x2, float y2, uint32_t rgb, bool filled) = 0;
    virtual void DrawCircle(float cx, float cy, float radius, uint32_t rgb) = 0;
    // Text with its top-left at (x, y); with a background it fills the text's box with `back` first.
    virtual void DrawText(FontId font, int x, int y, const std::string& text, uint32_t front, uint32_t back,
                          bool withBackground) = 0;
    virtual int TextWidth(FontId font, const std::string& text) = 0;
    virtual int TextHeight(FontId font, const std::string& text) = 0;

    // Input, sampled once per frame.
    virtual InputState SampleInput() = 0;
    // Moves the pointer (used by headless runs to start at the screen centre).
    virtual void WarpMouse(int x, int y) = 0;

    virtual void ShowMessage(const std::string& title, const std::string& text) = 0;
    virtual uint32_t Ticks() = 0;

    // The last finished frame encoded as a PNG file's bytes; false when the platform cannot read it.
    virtual bool ScreenshotPng(std::string& png) = 0;

    // The system clipboard, as text. A platform that cannot reach one keeps the text in memory.
    virtual void SetClipboardText(const std::string& text) = 0;
    virtual std::string ClipboardText() = 0;
};
