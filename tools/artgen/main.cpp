// artgen: renders one SVG into a 32-bit BMP with alpha, or lays bitmaps out on a contact sheet.
#include "image.hpp"
#include "render.hpp"
#include "sheet.hpp"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string_view>

namespace {

int usage() {
    std::fputs("usage: artgen IN.svg OUT.bmp\n"
               "       artgen --sheet OUT.png DIR [--cell PIXELS]\n",
               stderr);
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    try {
        if ((argc == 4 || argc == 6) && std::string_view(argv[1]) == "--sheet") {
            artgen::SheetOptions options;
            if (argc == 6) {
                if (std::string_view(argv[4]) != "--cell") return usage();
                options.cell = std::atoi(argv[5]);
                if (options.cell < 8 || options.cell > 1024) return usage();
                options.columns = std::max(1, 1200 / (2 * options.cell));
            }
            const int count = artgen::write_sheet(argv[2], argv[3], options);
            std::printf("%s: %d images\n", argv[2], count);
            return 0;
        }
        if (argc == 3 && argv[1][0] != '-') {
            artgen::write_file(argv[2], artgen::encode_bmp(artgen::render_svg(argv[1])));
            return 0;
        }
        return usage();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "artgen: %s\n", e.what());
        return 1;
    }
}
