// The image catalogue: every bitmap the program draws, by number, and the named entries through which an
// entity's type finds its image.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "common/random.h"
#include "platform/image_numbers.h"

class Platform;

struct CatalogueEntry {
    std::string name;
    int16_t number = 0;
    int16_t alpha = 255;
};

struct CustomImage {
    int16_t halfHeight = 0;
    int16_t halfWidth = 0;
    int32_t entry = 0; // index into the catalogue
};

struct Images {
    std::vector<CatalogueEntry> catalogue;
    std::vector<CustomImage> custom;
    std::vector<std::string> leftOutCustom; // custom image files whose name no entity type can hold
    int16_t currentAlpha = 255;
    int16_t screenWidth = 1280; // the screen size as the GUI reads it
    int16_t screenHeight = 1024;
};

// One image the program loads: its number, stored path, catalogue name and alpha; `named` says whether it
// is entered in the catalogue.
struct ImageSpec {
    int number;
    const char* path; // stored form, '\' separators; nullptr for blank images
    const char* name;
    int alpha;
    bool named;
};

// Every image file of the fixed tables, in load order (the custom images are listed from their folder).
const std::vector<ImageSpec>& FixedImages();

void LoadCatalogueImage(Images& img, Platform& plat, const std::string& storedPath, int number, int alpha,
                        const std::string& name);
// The object name of a custom image file: the file name without ".bmp", with "(", ")" and "," (which a level
// file would split) as "[", "]" and ";". Empty for a name no level file can hold.
std::string CustomImageName(const std::string& file);
// Loads the custom images from `first` on: at most 50, in directory-listing (name) order. Files whose
// object name is empty or taken by an earlier custom image are left out and listed in `leftOutCustom`.
void LoadCustomImages(Images& img, Platform& plat, int first);
// The start-up notice naming the custom image files left out.
std::string LeftOutCustomNotice(const Images& img);
// Loads every image of the fixed tables, then the custom images.
void LoadAllImages(Images& img, Platform& plat, int screenWidth, int screenHeight);

// Sprite number of the first catalogue entry named `name`, or -1; sets the current alpha.
int FindImage(Images& img, const std::string& name);
// Sprite number of a colour image; "random" draws one of the fifteen anew at each call.
int ColourImage(const std::string& name, Rng& rng);
