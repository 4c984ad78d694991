// Rendering an SVG file with librsvg.
#pragma once

#include "image.hpp"

#include <filesystem>

namespace artgen {

// Renders the SVG at the pixel size given by its width and height attributes. Throws std::runtime_error
// when the file cannot be read or does not state a whole-pixel size.
Image render_svg(const std::filesystem::path& svg);

} // namespace artgen
