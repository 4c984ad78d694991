#include "sheet.hpp"

#include "image.hpp"

#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <stdexcept>
#include <string>

namespace artgen {

namespace {

struct SurfaceDestroy {
    void operator()(cairo_surface_t* s) const { cairo_surface_destroy(s); }
};
struct CairoDestroy {
    void operator()(cairo_t* c) const { cairo_destroy(c); }
};
using Surface = std::unique_ptr<cairo_surface_t, SurfaceDestroy>;

constexpr int kPad = 6;
constexpr int kLabel = 14;
constexpr int kTitle = 30;

Surface to_surface(const Image& image) {
    Surface s(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, image.width, image.height));
    const int stride = cairo_image_surface_get_stride(s.get());
    unsigned char* data = cairo_image_surface_get_data(s.get());
    for (int y = 0; y < image.height; ++y) {
        auto* row = reinterpret_cast<std::uint32_t*>(data + static_cast<std::ptrdiff_t>(y) * stride);
        for (int x = 0; x < image.width; ++x) {
            const std::uint8_t* p = image.at(x, y);
            const std::uint32_t a = p[3];
            auto pre = [a](std::uint32_t c) { return (c * a + 127) / 255; };
            row[x] = a << 24 | pre(p[0]) << 16 | pre(p[1]) << 8 | pre(p[2]);
        }
    }
    cairo_surface_mark_dirty(s.get());
    return s;
}

void fill_rect(cairo_t* cr, double x, double y, double w, double h, double r, double g, double b) {
    cairo_set_source_rgb(cr, r, g, b);
    cairo_rectangle(cr, x, y, w, h);
    cairo_fill(cr);
}

void draw_image(cairo_t* cr, cairo_surface_t* image, int width, int height, double scale, double cx,
                double cy) {
    cairo_save(cr);
    cairo_translate(cr, std::round(cx - width * scale / 2), std::round(cy - height * scale / 2));
    cairo_scale(cr, scale, scale);
    cairo_set_source_surface(cr, image, 0, 0);
    // Enlarged small images stay sharp so single pixels can be judged.
    cairo_pattern_set_filter(cairo_get_source(cr), scale > 1 ? CAIRO_FILTER_NEAREST : CAIRO_FILTER_GOOD);
    cairo_paint(cr);
    cairo_restore(cr);
}

void draw_label(cairo_t* cr, const std::string& text, double cx, double y, double max_width) {
    double size = 11;
    cairo_text_extents_t ext;
    for (;;) {
        cairo_set_font_size(cr, size);
        cairo_text_extents(cr, text.c_str(), &ext);
        if (ext.x_advance <= max_width || size <= 6) break;
        size -= 0.5;
    }
    cairo_move_to(cr, std::round(cx - ext.x_advance / 2), y);
    cairo_show_text(cr, text.c_str());
}

} // namespace

std::vector<std::filesystem::path> list_bmps(const std::filesystem::path& dir) {
    std::vector<std::filesystem::path> found;
    if (!std::filesystem::is_directory(dir)) throw std::runtime_error(dir.string() + " is not a folder");
    for (const auto& entry : std::filesystem::recursive_directory_iterator(dir)) {
        if (!entry.is_regular_file()) continue;
        std::string ext = entry.path().extension().string();
        std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
        if (ext == ".bmp") found.push_back(std::filesystem::relative(entry.path(), dir));
    }
    std::sort(found.begin(), found.end(),
              [](const auto& a, const auto& b) { return a.generic_string() < b.generic_string(); });
    return found;
}

double sheet_scale(int width, int height, const SheetOptions& options) {
    const double fit = static_cast<double>(options.cell) / std::max(width, height);
    if (fit >= 1) return std::max(1.0, std::min<double>(std::floor(fit), options.max_zoom));
    return fit;
}

int write_sheet(const std::filesystem::path& png, const std::filesystem::path& dir,
                const SheetOptions& options) {
    const auto files = list_bmps(dir);
    const int count = static_cast<int>(files.size());
    const int columns = std::max(1, std::min(options.columns, count));
    const int rows = (count + columns - 1) / columns;
    const int cell_w = 2 * options.cell + 3 * kPad;
    const int cell_h = options.cell + 2 * kPad + kLabel;
    const int sheet_w = columns * (cell_w + kPad) + kPad;
    const int sheet_h = kTitle + rows * (cell_h + kPad) + kPad;

    Surface sheet(cairo_image_surface_create(CAIRO_FORMAT_RGB24, sheet_w, sheet_h));
    std::unique_ptr<cairo_t, CairoDestroy> holder(cairo_create(sheet.get()));
    cairo_t* cr = holder.get();
    fill_rect(cr, 0, 0, sheet_w, sheet_h, 0.11, 0.12, 0.15);
    cairo_select_font_face(cr, "DejaVu Sans", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);

    cairo_set_source_rgb(cr, 0.9, 0.92, 0.96);
    cairo_set_font_size(cr, 14);
    const std::string title = "Tumblebox art: " + std::to_string(count) + " images in " +
                              dir.filename().string() + "/  (each over a dark and a light background)";
    cairo_move_to(cr, kPad + 2, kTitle - 10);
    cairo_show_text(cr, title.c_str());

    for (int i = 0; i < count; ++i) {
        const Image image = decode_bmp(read_file(dir / files[i]));
        const Surface surface = to_surface(image);
        const double scale = sheet_scale(image.width, image.height, options);
        const double x0 = kPad + (i % columns) * (cell_w + kPad);
        const double y0 = kTitle + (i / columns) * (cell_h + kPad);
        fill_rect(cr, x0, y0, cell_w, cell_h, 0.17, 0.19, 0.23);
        const double panel = options.cell + kPad;
        const double px[2] = {x0 + kPad / 2.0, x0 + kPad / 2.0 + panel + kPad};
        fill_rect(cr, px[0], y0 + kPad / 2.0, panel, panel, 0.13, 0.15, 0.2);
        fill_rect(cr, px[1], y0 + kPad / 2.0, panel, panel, 0.9, 0.89, 0.85);
        for (double x : px)
            draw_image(cr, surface.get(), image.width, image.height, scale, x + panel / 2,
                       y0 + kPad / 2.0 + panel / 2);

        const std::string label = files[i].generic_string() + "  " + std::to_string(image.width) + "x" +
                                  std::to_string(image.height);
        cairo_set_source_rgb(cr, 0.85, 0.87, 0.92);
        draw_label(cr, label, x0 + cell_w / 2.0, y0 + cell_h - 4, cell_w - 4);
    }

    cairo_surface_flush(sheet.get());
    if (png.has_parent_path()) std::filesystem::create_directories(png.parent_path());
    if (cairo_surface_write_to_png(sheet.get(), png.c_str()) != CAIRO_STATUS_SUCCESS)
        throw std::runtime_error("cannot write " + png.string());
    return count;
}

} // namespace artgen
