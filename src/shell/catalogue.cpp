#include "shell/catalogue.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "common/text.h"
#include "platform/platform.h"

namespace {

struct ColourName {
    const char* name;
    int number;
};

constexpr ColourName kColours[] = {
    {"red", 28},       {"green", 29},  {"blue", 30},  {"black", 31},     {"white", 32},
    {"lightblue", 33}, {"pink", 34},   {"mudd", 35},  {"yellow", 36},    {"sky", 37},
    {"purple", 38},    {"orange", 39}, {"grass", 40}, {"bluegrass", 41}, {"gray", 42},
};

std::vector<ImageSpec> BuildFixedImages() {
    std::vector<ImageSpec> v = {
        {0, "bmps\\player.bmp", "", 255, true},
        {1, "bmps\\box.bmp", "box", 255, true},
        {2, "bmps\\pin.bmp", "", 255, true},
        {3, "bmps\\default.bmp", "", 255, true},
        {4, "bmps\\wall.bmp", "wall", 255, true},
        {5, "bmps\\player2.bmp", "", 255, true},
        {6, "bmps\\box2.bmp", "box2", 255, true},
        {7, "bmps\\strap.bmp", "strap", 255, true},
        {10, "bmps\\menu\\start.bmp", "start", 255, true},
        {11, "bmps\\menu\\settings.bmp", "settings", 255, true},
        {12, "bmps\\menu\\quit.bmp", "quit", 255, true},
        {13, "bmps\\aquarium.bmp", "aquarium", 50, true},
        {8, "bmps\\halfspace.bmp", "", 100, true},
        {9, "bmps\\halfspaceline.bmp", "", 255, true},
        {16, "bmps\\poisonbox.bmp", "", 255, true},
        {14, "bmps\\water.bmp", "", 255, true},
        {15, "bmps\\poison.bmp", "", 255, true},
        {17, "bmps\\blood.bmp", "", 255, true},
        {18, "bmps\\fisch.bmp", "", 255, true},
        {19, "bmps\\latern.bmp", "latern", 100, true},
        {20, "bmps\\quad.bmp", "quad", 255, true},
        {21, "bmps\\region.bmp", "region", 255, true},
        {kScreenImage, nullptr, "", 255, false},
        {23, "bmps\\warning.bmp", "", 255, true},
        {24, "bmps\\Icons\\Halfspace.bmp", "", 255, false},
        {25, "bmps\\Icons\\Circle.bmp", "", 255, false},
        {26, "bmps\\Icons\\Bind.bmp", "", 255, false},
        {27, "bmps\\Icons\\Waterspace.bmp", "", 255, false},
        {28, "bmps\\colors\\red.bmp", "", 255, false},
        {29, "bmps\\colors\\green.bmp", "", 255, false},
        {30, "bmps\\colors\\blue.bmp", "", 255, false},
        {31, "bmps\\colors\\black.bmp", "", 255, false},
        {32, "bmps\\colors\\white.bmp", "", 255, false},
        {33, "bmps\\colors\\lightblue.bmp", "", 255, false},
        {34, "bmps\\colors\\pink.bmp", "", 255, false},
        {35, "bmps\\colors\\mudd.bmp", "", 255, false},
        {36, "bmps\\colors\\yellow.bmp", "", 255, false},
        {37, "bmps\\colors\\sky.bmp", "", 255, false},
        {38, "bmps\\colors\\purple.bmp", "", 255, false},
        {39, "bmps\\colors\\orange.bmp", "", 255, false},
        {40, "bmps\\colors\\grass.bmp", "", 255, false},
        {41, "bmps\\colors\\bluegrass.bmp", "", 255, false},
        {42, "bmps\\colors\\gray.bmp", "", 255, false},
        {43, "bmps\\icewall.bmp", "icewall", 255, true},
        {44, "bmps\\icebox.bmp", "icebox", 255, true},
        {45, "bmps\\barrel.bmp", "barrel", 255, true},
        {46, "bmps\\firecave.bmp", "firecave", 255, true},
        {47, "bmps\\Icons\\portal.bmp", "", 255, false},
        {48, "bmps\\coloredwall.bmp", "", 255, false},
        {49, "bmps\\coloredquad.bmp", "", 255, false},
        // lights
        {kLightBase + 0, "bmps\\light\\green.bmp", "", 255, false},
        {kLightBase + 1, "bmps\\light\\red.bmp", "", 255, false},
        {kLightBase + 2, "bmps\\light\\blue.bmp", "", 255, false},
        {kLightBase + 3, "bmps\\light\\purple.bmp", "", 255, false},
        {kLightBase + 4, "bmps\\light\\source.bmp", "", 255, false},
        // GUI
        {kGuiBase + 0, "bmps\\GUI\\fill.bmp", "", 255, false},
        {kGuiBase + 1, "bmps\\GUI\\close.bmp", "", 255, false},
        {kGuiBase + 2, "bmps\\GUI\\minimize.bmp", "", 255, false},
        {kGuiBase + 3, "bmps\\GUI\\edge.bmp", "", 255, false},
        {kGuiBase + 4, "bmps\\GUI\\vertex.bmp", "", 255, false},
        {kGuiBase + 5, "bmps\\GUI\\resize.bmp", "", 255, false},
        {kGuiBase + 6, nullptr, "", 255, false},
        {kGuiBase + 7, "bmps\\GUI\\button\\buttonfill.bmp", "", 255, false},
        {kGuiBase + 8, "bmps\\GUI\\button\\buttonedge.bmp", "", 255, false},
        {kGuiBase + 9, "bmps\\GUI\\button\\buttonvertex.bmp", "", 255, false},
        {kGuiBase + 10, "bmps\\GUI\\maximize.bmp", "", 255, false},
        {kGuiBase + 11, "bmps\\GUI\\nobmp.bmp", "", 255, false},
        {kGuiBase + 12, "bmps\\GUI\\trackbar\\trackbarfill.bmp", "", 255, false},
        {kGuiBase + 13, "bmps\\GUI\\trackbar\\trackbaredge.bmp", "", 255, false},
        {kGuiBase + 14, "bmps\\GUI\\trackbar\\trackbarvertex.bmp", "", 255, false},
        {kGuiBase + 15, "bmps\\GUI\\trackbar\\trackbarline.bmp", "", 255, false},
        {kGuiBase + 16, "bmps\\GUI\\trackbar\\trackbarbar.bmp", "", 255, false},
        {kGuiBase + 17, "bmps\\GUI\\scrollarea\\scrollareafill.bmp", "", 255, false},
        {kGuiBase + 18, "bmps\\GUI\\scrollarea\\scrollareaedge.bmp", "", 255, false},
        {kGuiBase + 19, "bmps\\GUI\\scrollarea\\scrollareavertex.bmp", "", 255, false},
        {kGuiBase + 20, "bmps\\GUI\\scrollarea\\scrollarealine.bmp", "", 255, false},
        {kGuiBase + 21, "bmps\\GUI\\scrollarea\\scrollareabar.bmp", "", 255, false},
        {kGuiBase + 22, "bmps\\GUI\\scrollarea\\scrollareaselected.bmp", "", 255, false},
        // effects
        {kEffectBase + 0, "bmps\\effect\\flame.bmp", "", 255, false},
        {kEffectBase + 1, "bmps\\effect\\explosion.bmp", "", 255, false},
        {kEffectBase + 2, "bmps\\effect\\drop.bmp", "", 255, false},
        {kEffectBase + 3, "bmps\\effect\\rock.bmp", "", 255, false},
        {kEffectBase + 4, "bmps\\effect\\shock.bmp", "", 255, false},
        {kEffectBase + 5, "bmps\\effect\\blink.bmp", "", 255, false},
        {kEffectBase + 6, "bmps\\effect\\background.bmp", "", 255, false},
        {kEffectBase + 7, nullptr, "", 255, false},
        {kEffectBase + 8, "bmps\\effect\\dust.bmp", "", 255, false},
        {kEffectBase + 9, "bmps\\effect\\metal.bmp", "", 255, false},
        {kEffectBase + 10, "bmps\\effect\\raindrop.bmp", "", 255, false},
        {kEffectBase + 11, "bmps\\effect\\bubble.bmp", "", 255, false},
        {kEffectBase + 12, "bmps\\effect\\blue.bmp", "", 255, false},
        {kEffectBase + 13, "bmps\\effect\\flash.bmp", "", 255, false},
        {kEffectBase + 14, "bmps\\effect\\lightning.bmp", "", 255, false},
        {kEffectBase + 15, "bmps\\effect\\snowflake.bmp", "", 255, false},
        {kEffectBase + 16, "bmps\\effect\\red.bmp", "", 255, false},
        {kEffectBase + 17, "bmps\\effect\\greenmarker.bmp", "", 255, false},
        {kEffectBase + 18, "bmps\\effect\\portal1.bmp", "", 255, false},
        {kEffectBase + 19, "bmps\\effect\\portal2.bmp", "", 255, false},
    };
    return v;
}

} // namespace

const std::vector<ImageSpec>& FixedImages() {
    static const std::vector<ImageSpec> images = BuildFixedImages();
    return images;
}

void LoadCatalogueImage(Images& img, Platform& plat, const std::string& storedPath, int number, int alpha,
                        const std::string& name) {
    plat.LoadImage(number, NativePath(storedPath)); // a missing file leaves the number without an image
    img.catalogue.push_back({name, static_cast<int16_t>(number), static_cast<int16_t>(alpha)});
}

std::string CustomImageName(const std::string& file) {
    std::string name = file.substr(0, file.size() >= 4 ? file.size() - 4 : 0);
    for (char& c : name) {
        if (c == '(') c = '[';
        if (c == ')') c = ']';
        if (c == ',') c = ';';
    }
    // A line break would end the record early; a blanked-record mark would hide it whole.
    if (name.find_first_of("\r\n") != std::string::npos || name.find("--DELETE--") != std::string::npos)
        return {};
    return name;
}

void LoadCustomImages(Images& img, Platform& plat, int first) {
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::directory_iterator it(NativePath("bmps\\custom"), ec);
    if (ec) return;
    std::vector<std::string> files;
    for (; it != fs::directory_iterator(); it.increment(ec)) {
        if (ec) break;
        std::string name = it->path().filename().string();
        if (name.size() < 4) continue;
        std::string ext = name.substr(name.size() - 4);
        for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        std::error_code fe;
        if (ext != ".bmp" || !it->is_regular_file(fe)) continue;
        files.push_back(name);
    }
    std::sort(files.begin(), files.end());
    int number = first;
    for (const std::string& file : files) {
        if (number >= first + kMaxCustomImages) break; // the next numbers belong to the GUI
        std::string name = CustomImageName(file);
        // Only the renaming can make two custom names equal ("a (1).bmp" and "a [1].bmp").
        bool taken = std::any_of(img.custom.begin(), img.custom.end(), [&](const CustomImage& c) {
            return img.catalogue[static_cast<size_t>(c.entry)].name == name;
        });
        if (name.empty() || taken) {
            img.leftOutCustom.push_back(file);
            continue;
        }
        std::string stored = "bmps\\custom\\" + file;
        if (!plat.LoadImage(number, NativePath(stored))) continue; // unreadable: not a placeable object
        img.catalogue.push_back({name, static_cast<int16_t>(number), 255});
        CustomImage c;
        c.halfHeight = static_cast<int16_t>(plat.ImageHeight(number) / 2);
        c.halfWidth = static_cast<int16_t>(plat.ImageWidth(number) / 2);
        c.entry = static_cast<int32_t>(img.catalogue.size() - 1);
        img.custom.push_back(c);
        ++number;
    }
}

std::string LeftOutCustomNotice(const Images& img) {
    std::string s = "custom images left out (name taken or unusable):";
    for (const std::string& file : img.leftOutCustom) s += " " + file;
    return s;
}

void LoadAllImages(Images& img, Platform& plat, int screenWidth, int screenHeight) {
    bool customDone = false;
    for (const ImageSpec& s : FixedImages()) {
        if (!customDone && s.number == kLightBase) {
            LoadCustomImages(img, plat, kCustomBase);
            customDone = true;
        }
        if (s.path == nullptr) {
            int w = 1, h = 1;
            if (s.number == kScreenImage) w = screenWidth, h = screenHeight;
            if (s.number == kEffectBase + 7) w = 4, h = 1;
            plat.CreateBlankImage(s.number, w, h);
        } else if (s.named) {
            LoadCatalogueImage(img, plat, s.path, s.number, s.alpha, s.name);
        } else {
            plat.LoadImage(s.number, NativePath(s.path));
        }
    }
    img.screenWidth = static_cast<int16_t>(screenWidth);
    img.screenHeight = static_cast<int16_t>(screenHeight);
}

int FindImage(Images& img, const std::string& name) {
    img.currentAlpha = 255;
    if (name.empty()) return -1;
    for (const CatalogueEntry& e : img.catalogue) {
        if (e.name == name) {
            img.currentAlpha = e.alpha;
            return e.number;
        }
    }
    return -1;
}

int ColourImage(const std::string& name, Rng& rng) {
    if (name == "random") return 28 + Random(rng, 14);
    for (const auto& c : kColours)
        if (name == c.name) return c.number;
    return 33;
}
