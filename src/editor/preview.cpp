// The Load Level window's previews: the folder it lists, and for the selected level a small picture drawn
// by the renderer with the camera the file stores, and its counts, or "cannot be read". Files are read on a
// worker thread, one at a time, and each picture is kept until its file changes.
#include <algorithm>
#include <atomic>
#include <filesystem>
#include <system_error>
#include <thread>

#include "common/random.h"
#include "common/text.h"
#include "editor/editor.h"
#include "gui/gui.h"
#include "level/files.h"
#include "level/level.h"
#include "platform/platform.h"
#include "shell/catalogue.h"
#include "world/camera.h"
#include "world/world.h"

namespace {

constexpr int kPictureBase = 150; // 150..181: between the light images and the custom images
constexpr int kPictureSlots = 16; // each takes two numbers: the picture and the drawing's scratch
constexpr int kPictureWidth = 256;
constexpr int kListWidth = 400; // the browser's own width, widened to hold the picture

struct FileStamp {
    std::filesystem::file_time_type time{};
    uintmax_t size = 0;
    bool exists = false;
    bool operator==(const FileStamp&) const = default;
};

FileStamp StampOf(const std::string& storedPath) {
    FileStamp s;
    std::error_code ec;
    std::string native = NativePath(storedPath);
    s.time = std::filesystem::last_write_time(native, ec);
    if (ec) return s;
    s.size = std::filesystem::file_size(native, ec);
    s.exists = !ec;
    return s;
}

struct Picture {
    std::string path;
    FileStamp stamp;
    bool readable = false;
    int image = 0; // 0 until drawn
    int32_t entities = 0, particles = 0, triggers = 0;
    uint64_t used = 0;
};

} // namespace

struct PreviewCache {
    std::vector<Picture> pictures;
    uint64_t clock = 0;

    // The reading under way.
    std::thread worker;
    std::atomic<bool> done{false};
    std::string readingPath;
    FileStamp readingStamp;
    std::unique_ptr<World> world;
    Camera camera;
    bool readOk = false;

    int32_t window = 0; // the browser window the widgets below belong to
    int32_t folderLabel = 0, pictureImage = 0, countsLabel = 0, triggersLabel = 0;

    ~PreviewCache() {
        if (worker.joinable()) worker.join();
    }
};

namespace {

Picture* Find(PreviewCache& c, const std::string& path) {
    for (Picture& p : c.pictures)
        if (p.path == path) return &p;
    return nullptr;
}

// A picture number not in use, taking the least recently used one when all are.
int FreePictureImage(PreviewCache& c, Platform& plat) {
    for (int k = 0; k < kPictureSlots; ++k) {
        int number = kPictureBase + 2 * k;
        if (std::none_of(c.pictures.begin(), c.pictures.end(),
                         [&](const Picture& p) { return p.image == number; }))
            return number;
    }
    auto oldest =
        std::min_element(c.pictures.begin(), c.pictures.end(), [](const Picture& a, const Picture& b) {
            return (a.image != 0 ? a.used : UINT64_MAX) < (b.image != 0 ? b.used : UINT64_MAX);
        });
    int number = oldest->image;
    plat.FreeImage(number);
    c.pictures.erase(oldest);
    return number;
}

void StartReading(PreviewCache& c, const std::string& path, const FileStamp& stamp) {
    c.readingPath = path;
    c.readingStamp = stamp;
    c.done.store(false);
    auto read = [&c] {
        c.world = std::make_unique<World>();
        Rng rng; // liquid boxes are filled from a generator of their own
        c.readOk = ReadLevelFile(*c.world, c.camera, rng, c.readingPath);
        c.done.store(true, std::memory_order_release);
    };
#if defined(__EMSCRIPTEN__) && !defined(__EMSCRIPTEN_PTHREADS__)
    read(); // a build with one thread: read it here
#else
    try {
        c.worker = std::thread(read);
    } catch (const std::system_error&) {
        read(); // no thread to be had: read it here
    }
#endif
}

// A finished reading becomes a picture (drawn here, on the frame's thread).
void FinishReading(const EditorScene& sc, Platform& plat, PreviewCache& c) {
    if (c.worker.joinable()) c.worker.join();
    Picture* p = Find(c, c.readingPath);
    if (!p) {
        c.pictures.push_back({});
        p = &c.pictures.back();
        p->path = c.readingPath;
    }
    if (p->image == 0 && c.readOk) p->image = FreePictureImage(c, plat);
    p = Find(c, c.readingPath); // the eviction may have moved it
    p->stamp = c.readingStamp;
    p->readable = c.readOk;
    if (c.readOk) {
        const World& w = *c.world;
        p->entities = w.entityCount;
        p->particles = w.particleCount;
        p->triggers = static_cast<int32_t>(w.triggers.size());
        const int height = static_cast<int>(kPictureWidth * sc.shell.screenHeight / sc.shell.screenWidth);
        sc.host.drawPicture(sc.host.program, plat, *c.world, c.camera, p->image, kPictureWidth, height);
    }
    c.world.reset();
    c.readingPath.clear();
}

void AddWidgets(const EditorScene& sc, PreviewCache& c) {
    Gui& gui = sc.gui;
    Window* win = FindWindow(gui, sc.editor.browserWindow);
    if (!win) return;
    const int height = static_cast<int>(kPictureWidth * sc.shell.screenHeight / sc.shell.screenWidth);
    win->width = std::max(win->width, kListWidth + kPictureWidth);
    // Widened, the browser moves left as far as it must to leave "Tools :" uncovered.
    if (const Window* tools = FindWindow(gui, sc.editor.toolsWindow)) {
        const int room = tools->x - 3 * gui.settings.hitMargin - win->width;
        if (win->x > room) win->x = std::max(0, room);
    }
    c.window = win->id;
    c.folderLabel = AddLabel(gui, win->id, 10, 27, "Folder: " + sc.shell.currentFolder);
    c.pictureImage = AddImage(gui, win->id, kListWidth - 20, 50, kPictureWidth, height, GuiImage::Blank);
    // The counts take two lines: one would not fit under the picture.
    c.countsLabel = AddLabel(gui, win->id, kListWidth - 20, 60 + height, "");
    c.triggersLabel = AddLabel(gui, win->id, kListWidth - 20, 80 + height, "");
}

void Show(const EditorScene& sc, PreviewCache& c, int image, const std::string& counts,
          const std::string& triggers = {}) {
    Window* win = FindWindow(sc.gui, c.window);
    if (!win) return;
    if (GuiImageWidget* img = FindImageWidget(*win, c.pictureImage)) img->quad = image;
    SetLabelText(sc.gui, c.window, c.countsLabel, counts);
    SetLabelText(sc.gui, c.window, c.triggersLabel, triggers);
}

std::string Count(int32_t n, const char* one, const char* many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

} // namespace

void BrowserPreviewUpdate(const EditorScene& sc, Platform& plat) {
    Editor& ed = sc.editor;
    if (!ed.previews) ed.previews = std::make_shared<PreviewCache>();
    PreviewCache& c = *ed.previews;
    if (!c.readingPath.empty() && c.done.load(std::memory_order_acquire)) FinishReading(sc, plat, c);

    Window* win = FindWindow(sc.gui, ed.browserWindow);
    if (!win || win->scrollAreas.empty()) return;
    if (c.window != win->id) AddWidgets(sc, c);
    const GuiScrollArea& list = win->scrollAreas[0];
    const std::string item = ScrollItemText(list, list.selected);
    const std::string path = sc.shell.currentFolder + item;
    if (item.size() <= 4 || item.compare(item.size() - 4, 4, ".lvl") != 0)
        return Show(sc, c, GuiImage::Blank, "");

    FileStamp stamp = StampOf(path);
    Picture* p = Find(c, path);
    if ((!p || p->stamp != stamp) && c.readingPath.empty() && sc.shell.headless) {
        // Batch runs stay repeatable: the picture is there in this frame.
        StartReading(c, path, stamp);
        FinishReading(sc, plat, c);
        p = Find(c, path);
    }
    if (p && p->stamp == stamp) {
        p->used = ++c.clock;
        if (!p->readable) return Show(sc, c, GuiImage::Blank, "cannot be read");
        return Show(sc, c, p->image,
                    Count(p->entities, "entity", "entities") + ", " +
                        Count(p->particles, "particle", "particles"),
                    Count(p->triggers, "trigger", "triggers"));
    }
    Show(sc, c, GuiImage::Blank, "reading...");
    if (c.readingPath.empty()) StartReading(c, path, stamp); // one at a time: otherwise this one comes next
}
