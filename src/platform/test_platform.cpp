#include "platform/test_platform.h"

#include <cstdlib>
#include <fstream>

bool ReadBmpSize(const std::string& nativePath, int& width, int& height) {
    std::ifstream in(nativePath, std::ios::binary);
    if (!in) return false;
    unsigned char h[26] = {};
    in.read(reinterpret_cast<char*>(h), sizeof h);
    if (in.gcount() < 26 || h[0] != 'B' || h[1] != 'M') return false;
    auto le32 = [&](int o) {
        return static_cast<int32_t>(static_cast<uint32_t>(h[o]) | (static_cast<uint32_t>(h[o + 1]) << 8) |
                                    (static_cast<uint32_t>(h[o + 2]) << 16) |
                                    (static_cast<uint32_t>(h[o + 3]) << 24));
    };
    width = le32(18);
    height = std::abs(le32(22));
    return width > 0 && height > 0;
}

bool TestPlatform::OpenScreen(int width, int height, bool win) {
    if (!screenOpens) return false;
    screenWidth = width;
    screenHeight = height;
    windowed = win;
    return true;
}

void TestPlatform::Clear(uint32_t rgb) {
    DrawCall c;
    c.kind = DrawCall::Kind::Clear;
    c.rgb = rgb;
    calls.push_back(c);
}

void TestPlatform::Flip() {
    DrawCall c;
    c.kind = DrawCall::Kind::Flip;
    calls.push_back(c);
    lastFrame.swap(calls);
    calls.clear();
    ++flips;
    ticks += ticksPerFrame;
}

bool TestPlatform::LoadImage(int number, const std::string& nativePath) {
    int w = 0, h = 0;
    if (!ReadBmpSize(nativePath, w, h)) return false;
    images_[number] = {w, h};
    return true;
}

bool TestPlatform::CreateBlankImage(int number, int width, int height) {
    if (width <= 0 || height <= 0) return false;
    images_[number] = {width, height};
    return true;
}

int TestPlatform::ImageWidth(int number) const {
    auto it = images_.find(number);
    return it == images_.end() ? 0 : it->second.w;
}

int TestPlatform::ImageHeight(int number) const {
    auto it = images_.find(number);
    return it == images_.end() ? 0 : it->second.h;
}

bool TestPlatform::GrabScreen(int number, int, int, int width, int height) {
    return CreateBlankImage(number, width, height);
}

void TestPlatform::SetBlend(BlendMode mode) {
    DrawCall c;
    c.kind = DrawCall::Kind::Blend;
    c.blend = mode;
    calls.push_back(c);
}

void TestPlatform::DrawQuad(int image, const Quad& corners, int alpha, bool cullCounterClockwise) {
    DrawCall c;
    c.kind = DrawCall::Kind::Quad;
    c.image = image;
    c.quad = corners;
    c.alpha = alpha;
    c.cull = cullCounterClockwise;
    calls.push_back(c);
}

void TestPlatform::DrawLine(float x1, float y1, float x2, float y2, uint32_t rgb) {
    DrawCall c;
    c.kind = DrawCall::Kind::Line;
    c.x1 = x1, c.y1 = y1, c.x2 = x2, c.y2 = y2, c.rgb = rgb;
    calls.push_back(c);
}

void TestPlatform::DrawBox(float x1, float y1, float x2, float y2, uint32_t rgb, bool filled) {
    DrawCall c;
    c.kind = DrawCall::Kind::Box;
    c.x1 = x1, c.y1 = y1, c.x2 = x2, c.y2 = y2, c.rgb = rgb, c.filled = filled;
    calls.push_back(c);
}

void TestPlatform::DrawCircle(float cx, float cy, float radius, uint32_t rgb) {
    DrawCall c;
    c.kind = DrawCall::Kind::Circle;
    c.x1 = cx, c.y1 = cy, c.x2 = radius, c.rgb = rgb;
    calls.push_back(c);
}

void TestPlatform::DrawText(FontId font, int x, int y, const std::string& text, uint32_t front, uint32_t back,
                            bool withBackground) {
    DrawCall c;
    c.kind = DrawCall::Kind::Text;
    c.font = font;
    c.x1 = static_cast<float>(x), c.y1 = static_cast<float>(y);
    c.text = text, c.rgb = front, c.back = back, c.filled = withBackground;
    calls.push_back(c);
}

int TestPlatform::TextWidth(FontId, const std::string& text) {
    return static_cast<int>(text.size()) * textCharWidth;
}

int TestPlatform::TextHeight(FontId, const std::string&) {
    return textLineHeight;
}

InputState TestPlatform::SampleInput() {
    InputState s = input;
    input.wheel = 0;
    input.released.fill(false);
    input.typed.clear();
    return s;
}

std::vector<DrawCall> TestPlatform::CallsOf(DrawCall::Kind kind, const std::vector<DrawCall>& from) const {
    std::vector<DrawCall> out;
    for (const auto& c : from)
        if (c.kind == kind) out.push_back(c);
    return out;
}

bool TestPlatform::FrameHasText(const std::string& text) const {
    for (const auto& c : lastFrame)
        if (c.kind == DrawCall::Kind::Text && c.text == text) return true;
    return false;
}
