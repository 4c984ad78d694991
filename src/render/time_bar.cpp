// The time bar over the toolbar: the kept run as a line of ticks, the part up to the world's step filled,
// the knob where the world is, and the caption above it.
#include "render/passes.h"
#include "render/render.h"

void DrawTimeBar(FrameContext& f) {
    const TimeBarPicture& b = f.scene.timeBar;
    if (!b.shown) return;
    const Ink kept = f.ink; // the texts drawn after the bar in the current colours keep theirs
    const uint32_t frame = Rgb(150, 150, 150);
    const uint32_t played = b.knobHeld ? Rgb(255, 200, 0) : Rgb(0, 170, 255);
    const int knob = b.knobX;
    f.plat.DrawBox(static_cast<float>(b.x), static_cast<float>(b.y + b.height / 2 - 2),
                   static_cast<float>(knob), static_cast<float>(b.y + b.height / 2 + 2), played, true);
    f.Box(b.x, b.y + b.height / 2 - 2, b.x + b.width, b.y + b.height / 2 + 2, frame);
    f.plat.DrawBox(static_cast<float>(knob - 3), static_cast<float>(b.y), static_cast<float>(knob + 4),
                   static_cast<float>(b.y + b.height), Rgb(255, 255, 255), true);
    const uint32_t caption = b.dropped ? Rgb(255, 160, 0) : Rgb(200, 200, 200);
    f.Text(b.x, b.y - 18, b.caption, caption);
    f.ink = kept;
}
