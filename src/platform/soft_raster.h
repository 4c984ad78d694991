// The software rasteriser: textured quads and flat polygons drawn straight into a buffer of 32-bit pixels
// (0xAARRGGBB), blended as the program's renderer blends. Plain data and free functions, no windowing
// library: any host with a pixel buffer (an off-screen surface, a window without a graphics card, a
// browser canvas) can draw with it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/platform.h"

// The pixels drawn into: row y starts at pixels + y * stride.
struct SoftCanvas {
    uint32_t* pixels = nullptr;
    int w = 0, h = 0;
    int stride = 0; // in pixels
};

// An image as the rasteriser samples it (0xAARRGGBB texels, row by row).
struct SoftImage {
    int w = 0, h = 0;
    std::vector<uint32_t> texels; // empty when the image has no copy of its pixels
    std::vector<uint32_t> glow;   // what each texel adds, drawn with glowAlpha in the Add mode
    int glowAlpha = -1;
    bool Sampled() const { return texels.size() == static_cast<size_t>(w) * static_cast<size_t>(h); }
};

// A corner of a triangle: screen position and image position (0..1 across the image).
struct SoftVertex {
    float x = 0, y = 0;
    float u = 0, v = 0;
};

struct SoftColour {
    uint8_t r = 0, g = 0, b = 0, a = 0;
};

// The mean colour of `count` ARGB texels; true when every texel lies within a few levels of it in each
// channel, so that the image is drawn as that colour, without sampling.
bool FlatColourOf(const uint32_t* texels, size_t count, SoftColour& mean);

// Each colour channel of d raised by that of p, up to 255 (alpha kept from d).
uint32_t AddSaturated(uint32_t d, uint32_t p);

// True when the quad's corners turn the same way at each corner (a convex quad; a flat one counts).
bool IsConvex(const Quad& q);
// A quad two of whose opposite edges cross (a bow tie) as the two triangles (given as quads whose last
// corner repeats the third) that meet where they cross. False when no opposite edges cross.
bool SplitCrossed(const Quad& q, Quad& first, Quad& second);
// Clips a polygon of up to 4 corners to the rectangle [0, w] x [0, h]; returns the corner count (up to 8).
int ClipToRect(SoftVertex (&p)[8], int n, float w, float h);

// Appends triangle abc clipped to [0, w] x [0, h] to `out` (as a fan of triangles); nothing when a corner
// is not a number.
void AddClippedTriangle(std::vector<SoftVertex>& out, const SoftVertex& a, const SoftVertex& b,
                        const SoftVertex& c, float w, float h);
// The triangles, clipped to [0, w] x [0, h], that map an image onto a quad: a triangle given as a quad
// whose last corner repeats the third takes the image's half above its top-left to bottom-right diagonal;
// any other quad takes the image bilinearly on a grid fine enough to show no crease (`grid` is scratch).
void QuadTriangles(const Quad& q, float w, float h, std::vector<SoftVertex>& grid,
                   std::vector<SoftVertex>& out);

// Works out what each texel adds at this alpha in the Add mode (kept until the alpha changes).
void PrepareGlow(SoftImage& img, int alpha);

// Triangles (three corners each, inside the canvas) with the image mapped affinely across each, sampled at
// pixel centres, modulated by alpha (1..255) and blended over the canvas or added to it. A pixel belongs to
// the triangle its centre lies in, left and top edges included. The image must be Sampled().
void SoftTriangles(const SoftCanvas& canvas, SoftImage& img, const SoftVertex* v, size_t count, int alpha,
                   bool add);
// An upright rectangle (any blend) or a convex quad in the Add mode, filled row by row in one pass; false
// (nothing drawn) when the quad is not for this path.
bool SoftQuadRows(const SoftCanvas& canvas, SoftImage& img, const Quad& q, int alpha, bool add);
// A convex polygon of n corners (inside the canvas) filled with one colour, blended with its alpha or added.
void SoftFillSpans(const SoftCanvas& canvas, const SoftVertex* p, int n, SoftColour colour, bool add);
