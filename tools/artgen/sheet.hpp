// The contact sheet: every bitmap in a folder on one PNG, over a dark and a light background.
#pragma once

#include <filesystem>
#include <vector>

namespace artgen {

struct SheetOptions {
    int cell = 96;    // largest side of an image on the sheet, in pixels
    int columns = 6;  // images per row
    int max_zoom = 4; // small images are enlarged by a whole factor up to this
};

// Every *.bmp below dir, as paths relative to dir, sorted.
std::vector<std::filesystem::path> list_bmps(const std::filesystem::path& dir);

// How large an image of the given size is drawn in a cell.
double sheet_scale(int width, int height, const SheetOptions& options);

// Writes the sheet and returns the number of images on it. Throws std::runtime_error.
int write_sheet(const std::filesystem::path& png, const std::filesystem::path& dir,
                const SheetOptions& options = {});

} // namespace artgen
