// Pieces shared by the window, widget and drawing files of the toolkit.
#pragma once

#include "gui/gui.h"

// Kinds of widget a press can start on.
enum PressKind { kPressNone = 0, kPressButton, kPressImage, kPressTrackbar, kPressScrollArea };

// True when (mx, my) lies strictly inside the window's rectangle grown by the hit margin.
bool WindowContains(const Gui& gui, const Window& win, int mx, int my);
// Side of a square title-bar or resize image; kFallbackButtonSize when the image is missing.
int ButtonImageSize(Platform& plat, int image);
// Input of the hovered window's widgets: buttons, images, trackbars, scroll areas.
void WidgetInput(Gui& gui, Window& win);
// Draws the widgets of a window: buttons, images, trackbars, labels, scroll areas.
void DrawWidgets(const Gui& gui, const Window& win, bool hovered, Platform& plat);
// A nine-part panel: the fill over the rectangle, the corner image outside each corner turned to face
// outward, and the side image as a band b wide along each side, its top edge facing outward.
void DrawPanel(Platform& plat, float x, float y, float w, float h, int fill, int corner, int side, float b,
               int alpha);
// Widens a window whose title does not fit (see TitleRoom), moving it left when it would leave the screen.
void KeepTitleRoom(const GuiSettings& s, Platform& plat, Window& w);
