#include "render.hpp"

#include <cairo.h>
#include <librsvg/rsvg.h>

#include <cmath>
#include <memory>
#include <stdexcept>
#include <string>

namespace artgen {

namespace {

struct GObjectUnref {
    void operator()(RsvgHandle* h) const { g_object_unref(h); }
};
struct SurfaceDestroy {
    void operator()(cairo_surface_t* s) const { cairo_surface_destroy(s); }
};
struct CairoDestroy {
    void operator()(cairo_t* c) const { cairo_destroy(c); }
};

[[noreturn]] void fail(const std::filesystem::path& svg, GError* error, const std::string& what) {
    std::string message = svg.string() + ": " + what;
    if (error) {
        message += ": ";
        message += error->message;
        g_error_free(error);
    }
    throw std::runtime_error(message);
}

int whole_pixels(const std::filesystem::path& svg, double value, const char* name) {
    const double rounded = std::round(value);
    if (rounded < 1 || rounded > 4096 || std::abs(value - rounded) > 1e-3)
        fail(svg, nullptr, std::string(name) + " must be a whole number of pixels from 1 to 4096");
    return static_cast<int>(rounded);
}

} // namespace

Image render_svg(const std::filesystem::path& svg) {
    GError* error = nullptr;
    std::unique_ptr<RsvgHandle, GObjectUnref> handle(rsvg_handle_new_from_file(svg.c_str(), &error));
    if (!handle) fail(svg, error, "cannot load");

    double w = 0;
    double h = 0;
    if (!rsvg_handle_get_intrinsic_size_in_pixels(handle.get(), &w, &h))
        fail(svg, nullptr, "the <svg> element needs width and height attributes");
    const int width = whole_pixels(svg, w, "width");
    const int height = whole_pixels(svg, h, "height");

    std::unique_ptr<cairo_surface_t, SurfaceDestroy> surface(
        cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height));
    if (cairo_surface_status(surface.get()) != CAIRO_STATUS_SUCCESS) fail(svg, nullptr, "out of memory");
    std::unique_ptr<cairo_t, CairoDestroy> cr(cairo_create(surface.get()));

    const RsvgRectangle viewport{0, 0, static_cast<double>(width), static_cast<double>(height)};
    if (!rsvg_handle_render_document(handle.get(), cr.get(), &viewport, &error))
        fail(svg, error, "cannot render");
    cairo_surface_flush(surface.get());

    Image image = from_premultiplied_argb32(cairo_image_surface_get_data(surface.get()), width, height,
                                            cairo_image_surface_get_stride(surface.get()));
    bleed_into_transparent(image);
    return image;
}

} // namespace artgen
