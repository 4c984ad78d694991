// Where each family of images lives among the platform's image numbers.
#pragma once

constexpr int kEffectBase = 50;
constexpr int kLightBase = 100;
constexpr int kCustomBase = 200;
constexpr int kMaxCustomImages = 50; // 200..249; the GUI images start at 250
constexpr int kGuiBase = 250;
constexpr int kGuiOwnBase = kGuiBase + 24; // first number of the images the GUI makes itself
constexpr int kScreenImage = 22;           // blank sprite of the screen's size
