// Showing the notices of level scripts and of the level reader.
#include <algorithm>

#include "platform/platform.h"
#include "triggers/triggers.h"

namespace {

constexpr int kNoticeLines = 12; // distinct notices shown at once, the newest ones
constexpr int kNoticeTop = 40;   // below the frames-per-second count
constexpr int kFadeFrames = 30;  // a notice dims over its last half second

int Channel(int c, int32_t duration) {
    const int full = std::clamp(c, 0, 255);
    return duration >= kFadeFrames ? full : full * std::max(duration, 1) / kFadeFrames;
}

bool SameNotice(const Notice& a, const Notice& b) {
    return a.text == b.text && a.red == b.red && a.green == b.green && a.blue == b.blue;
}

} // namespace

void AgeNotices(World& w) {
    for (Notice& n : w.notices) --n.duration;
    std::erase_if(w.notices, [](const Notice& n) { return n.duration <= 0; });
}

void DrawNotices(const World& w, int screenWidth, Platform& plat) {
    const std::vector<Notice>& all = w.notices;
    // The newest notices first; a notice posted again while the same one shows takes one line.
    std::vector<const Notice*> shown;
    for (auto it = all.rbegin(); it != all.rend() && static_cast<int>(shown.size()) < kNoticeLines; ++it) {
        bool repeated =
            std::any_of(shown.begin(), shown.end(), [&](const Notice* n) { return SameNotice(*n, *it); });
        if (!repeated) shown.push_back(&*it);
    }
    int y = kNoticeTop;
    for (auto it = shown.rbegin(); it != shown.rend(); ++it) { // oldest on top
        const Notice& n = **it;
        const int width = plat.TextWidth(FontId::Hud, n.text);
        const int x = (screenWidth - width) / 2;
        const uint32_t colour =
            Rgb(Channel(n.red, n.duration), Channel(n.green, n.duration), Channel(n.blue, n.duration));
        plat.DrawText(FontId::Hud, x + 1, y + 1, n.text, Rgb(0, 0, 0), 0, false); // shadow
        plat.DrawText(FontId::Hud, x, y, n.text, colour, 0, false);
        y += std::max(plat.TextHeight(FontId::Hud, n.text), 16) + 2;
    }
}
