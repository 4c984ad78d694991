#include "platform/soft_raster.h"

#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace {

// A texel position or step in 16.16 fixed point, rounded to the nearest and kept within +-2^40 (a row of
// steps cannot overflow); one that is not a number gives 0.
int64_t FixedTexel(float at) {
    constexpr float kLimit = 1099511627776.0f; // 2^40
    const float scaled = at * 65536.0f;
    if (!(scaled > -kLimit)) return scaled < 0 ? -static_cast<int64_t>(kLimit) : 0;
    return static_cast<int64_t>(scaled < kLimit ? scaled + (scaled < 0 ? -0.5f : 0.5f) : kLimit);
}

// A row's first texel position: a pixel centre that falls exactly on a texel's edge (as in pictures
// drawn pixel for pixel) takes the texel after it all along the row, however the steps round.
int64_t FixedStart(float at) {
    return FixedTexel(at) + 16;
}

// The smallest whole number not below f, for f well within the range of int (no library call).
int CeilSmall(float f) {
    const int i = static_cast<int>(f);
    return i + (f > static_cast<float>(i) ? 1 : 0);
}

uint32_t* RowOf(const SoftCanvas& canvas, int y) {
    return canvas.pixels + static_cast<ptrdiff_t>(y) * canvas.stride;
}

// An image sampled by 16.16 fixed-point texel positions, brought inside the image (the nearest texel).
struct TexelWalk {
    const uint32_t* texels;
    size_t stride;
    int64_t lastU, lastV; // the last texel column and row, in fixed point, with every fraction bit set
    uint32_t At(int64_t u, int64_t v) const {
        const size_t tx = static_cast<size_t>(std::clamp<int64_t>(u, 0, lastU) >> 16);
        const size_t ty = static_cast<size_t>(std::clamp<int64_t>(v, 0, lastV) >> 16);
        return texels[ty * stride + tx];
    }
};

TexelWalk Walk(const SoftImage& img, bool add) {
    return TexelWalk{add ? img.glow.data() : img.texels.data(), static_cast<size_t>(img.w),
                     (static_cast<int64_t>(img.w) << 16) - 1, (static_cast<int64_t>(img.h) << 16) - 1};
}

// The colour s laid over d with weight sa (1..255), d's alpha kept.
uint32_t BlendOver(uint32_t d, uint32_t s, uint32_t sa) {
    const uint32_t a = sa + (sa >> 7), keep = 256 - a;
    const uint32_t rb = (((d & 0xff00ffu) * keep + (s & 0xff00ffu) * a) >> 8) & 0xff00ffu;
    const uint32_t g = (((d & 0xff00u) * keep + (s & 0xff00u) * a) >> 8) & 0xff00u;
    return (d & 0xff000000u) | rb | g;
}

// Pixels xa to xb (excluded) of a row: the texel at (u, v), stepping by (du, dv), added channel by channel
// up to 255 (`add`, texels already weighed by alpha) or blended over the pixel with the texel's alpha
// times `alpha`.
void BlendSpan(uint32_t* row, int xa, int xb, int64_t u, int64_t v, int64_t du, int64_t dv,
               const TexelWalk& img, bool add, int alpha) {
    int x = xa;
    if (add) {
        for (; x < xb; ++x, u += du, v += dv) {
            const uint32_t p = img.At(u, v);
            if (p != 0) row[x] = AddSaturated(row[x], p);
        }
        return;
    }
    if (alpha == 255) {
        // The texel's own alpha as it is; an opaque texel replaces the pixel's colour (what the blend gives
        // at full weight), without the arithmetic.
        for (; x < xb; ++x, u += du, v += dv) {
            const uint32_t s = img.At(u, v);
            const uint32_t sa = s >> 24;
            if (sa == 255)
                row[x] = (row[x] & 0xff000000u) | (s & 0xffffffu);
            else if (sa != 0)
                row[x] = BlendOver(row[x], s, sa);
        }
        return;
    }
    for (; x < xb; ++x, u += du, v += dv) {
        const uint32_t s = img.At(u, v);
        const uint32_t sa = ((s >> 24) * static_cast<uint32_t>(alpha) + 127) / 255;
        if (sa != 0) row[x] = BlendOver(row[x], s, sa);
    }
}

// Every triangle is clipped to the canvas before it is drawn: what lies beyond it costs nothing, and
// coordinates in the millions (a ground boundary far off screen, a light ray grazing a body) never reach
// the row arithmetic.

SoftVertex Between(const SoftVertex& a, const SoftVertex& b, float t) {
    SoftVertex v = a;
    v.x = a.x + (b.x - a.x) * t;
    v.y = a.y + (b.y - a.y) * t;
    v.u = a.u + (b.u - a.u) * t;
    v.v = a.v + (b.v - a.v) * t;
    return v;
}

// Keeps the part of the polygon where sign * (coordinate - limit) <= 0 (Sutherland-Hodgman, one edge).
int ClipPolygon(const SoftVertex* in, int n, SoftVertex* out, bool onX, float limit, float sign) {
    int m = 0;
    for (int i = 0; i < n; ++i) {
        const SoftVertex& a = in[i];
        const SoftVertex& b = in[(i + 1) % n];
        float da = sign * ((onX ? a.x : a.y) - limit);
        float db = sign * ((onX ? b.x : b.y) - limit);
        if (da <= 0) out[m++] = a;
        if ((da < 0 && db > 0) || (da > 0 && db < 0)) out[m++] = Between(a, b, da / (da - db));
    }
    return m;
}

} // namespace

bool FlatColourOf(const uint32_t* texels, size_t count, SoftColour& mean) {
    constexpr int kFlatTolerance = 8; // levels of each channel
    uint64_t sum[4] = {0, 0, 0, 0};   // by shift: blue, green, red, alpha
    for (size_t i = 0; i < count; ++i)
        for (int c = 0; c < 4; ++c) sum[c] += (texels[i] >> (8 * c)) & 255;
    const uint64_t n = std::max<uint64_t>(count, 1);
    int m[4];
    for (int c = 0; c < 4; ++c) m[c] = static_cast<int>((sum[c] + n / 2) / n);
    mean = SoftColour{static_cast<uint8_t>(m[2]), static_cast<uint8_t>(m[1]), static_cast<uint8_t>(m[0]),
                      static_cast<uint8_t>(m[3])};
    for (size_t i = 0; i < count; ++i)
        for (int c = 0; c < 4; ++c)
            if (std::abs(static_cast<int>((texels[i] >> (8 * c)) & 255) - m[c]) > kFlatTolerance)
                return false;
    return true;
}

uint32_t AddSaturated(uint32_t d, uint32_t p) {
#ifdef __SSE2__
    return static_cast<uint32_t>(_mm_cvtsi128_si32(
        _mm_adds_epu8(_mm_cvtsi32_si128(static_cast<int>(d)), _mm_cvtsi32_si128(static_cast<int>(p)))));
#else
    // Red and blue added in one word, green in another, each with a spare bit above it; a channel whose
    // spare bit is set went past 255 and is filled with ones.
    uint32_t rb = (d & 0xff00ffu) + (p & 0xff00ffu);
    uint32_t g = (d & 0xff00u) + (p & 0xff00u);
    rb |= (rb & 0x1000100u) - ((rb & 0x1000100u) >> 8);
    g |= (g & 0x10000u) - ((g & 0x10000u) >> 8);
    return (d & 0xff000000u) | (rb & 0xff00ffu) | (g & 0xff00u);
#endif
}

bool IsConvex(const Quad& q) {
    int positive = 0, negative = 0;
    for (size_t i = 0; i < 4; ++i) {
        const size_t j = (i + 1) % 4, k = (i + 2) % 4;
        const float cross = (q.x[j] - q.x[i]) * (q.y[k] - q.y[j]) - (q.y[j] - q.y[i]) * (q.x[k] - q.x[j]);
        if (cross > 0) ++positive;
        if (cross < 0) ++negative;
    }
    return positive == 0 || negative == 0;
}

// (As the fill of a half-plane whose boundary leaves the screen through its bottom or side makes: the
// image drawn across it sweeps from one of the crossing edges to the other.)
bool SplitCrossed(const Quad& q, Quad& first, Quad& second) {
    auto triangle = [](Quad& out, float ax, float ay, float bx, float by, float cx, float cy) {
        out.x = {ax, bx, cx, cx};
        out.y = {ay, by, cy, cy};
    };
    // Edges a0-a1 and b0-b1 (corner indices); on a crossing, x, y is the point.
    auto cross = [&](size_t a0, size_t a1, size_t b0, size_t b1, float& x, float& y) {
        const float rx = q.x[a1] - q.x[a0], ry = q.y[a1] - q.y[a0];
        const float sx = q.x[b1] - q.x[b0], sy = q.y[b1] - q.y[b0];
        const float den = rx * sy - ry * sx;
        if (den == 0) return false;
        const float ex = q.x[b0] - q.x[a0], ey = q.y[b0] - q.y[a0];
        const float t = (ex * sy - ey * sx) / den, u = (ex * ry - ey * rx) / den;
        if (!(t > 0 && t < 1 && u > 0 && u < 1)) return false;
        x = q.x[a0] + t * rx;
        y = q.y[a0] + t * ry;
        return true;
    };
    float x = 0, y = 0;
    if (cross(0, 1, 3, 2, x, y)) {
        triangle(first, q.x[0], q.y[0], x, y, q.x[3], q.y[3]);
        triangle(second, x, y, q.x[1], q.y[1], q.x[2], q.y[2]);
        return true;
    }
    if (cross(1, 2, 0, 3, x, y)) {
        triangle(first, q.x[0], q.y[0], q.x[1], q.y[1], x, y);
        triangle(second, x, y, q.x[2], q.y[2], q.x[3], q.y[3]);
        return true;
    }
    return false;
}

int ClipToRect(SoftVertex (&p)[8], int n, float w, float h) {
    SoftVertex q[8];
    n = ClipPolygon(p, n, q, true, w, 1);
    n = ClipPolygon(q, n, p, true, 0, -1);
    n = ClipPolygon(p, n, q, false, h, 1);
    return ClipPolygon(q, n, p, false, 0, -1);
}

void AddClippedTriangle(std::vector<SoftVertex>& out, const SoftVertex& a, const SoftVertex& b,
                        const SoftVertex& c, float w, float h) {
    auto inside = [&](const SoftVertex& v) { return v.x >= 0 && v.x <= w && v.y >= 0 && v.y <= h; };
    if (inside(a) && inside(b) && inside(c)) {
        out.push_back(a);
        out.push_back(b);
        out.push_back(c);
        return;
    }
    for (const SoftVertex* v : {&a, &b, &c})
        if (!std::isfinite(v->x) || !std::isfinite(v->y)) return;
    // Each of the four edges adds at most one corner.
    SoftVertex p[8] = {a, b, c};
    int n = ClipToRect(p, 3, w, h);
    for (int i = 1; i + 1 < n; ++i) {
        out.push_back(p[0]);
        out.push_back(p[i]);
        out.push_back(p[i + 1]);
    }
}

void QuadTriangles(const Quad& q, float w, float h, std::vector<SoftVertex>& grid,
                   std::vector<SoftVertex>& out) {
    if (q.x[2] == q.x[3] && q.y[2] == q.y[3]) {
        AddClippedTriangle(out, SoftVertex{q.x[0], q.y[0], 0, 0}, SoftVertex{q.x[1], q.y[1], 1, 0},
                           SoftVertex{q.x[2], q.y[2], 1, 1}, w, h);
        return;
    }
    // The image is mapped bilinearly across the four corners, on a grid of n x n cells, each cell two
    // triangles. The bilinear map departs from two flat triangles by at most |d| / 4 pixels (d: how far
    // the quad is from a parallelogram), and from the grid by |d| / (4 n^2): n is chosen to keep that
    // within half a pixel, so a parallelogram takes two triangles and a squashed body shows no crease.
    float dx = (q.x[0] + q.x[2]) - (q.x[1] + q.x[3]);
    float dy = (q.y[0] + q.y[2]) - (q.y[1] + q.y[3]);
    float twist = std::sqrt(dx * dx + dy * dy);
    int n = std::isfinite(twist) ? std::clamp(static_cast<int>(std::ceil(std::sqrt(twist / 2))), 1, 8) : 1;
    // A long thin quad lying slanted is cut into pieces along its length as well: a triangle's rows are
    // worked out across its bounding box, which for a slanted band is far larger than the band.
    auto length = [&](size_t a, size_t b) { return std::hypot(q.x[b] - q.x[a], q.y[b] - q.y[a]); };
    const float across = std::max(length(0, 1), length(3, 2)), down = std::max(length(0, 3), length(1, 2));
    auto pieces = [&](float along, float wide) {
        const float piece = std::max(16.0f, 4 * wide);
        return std::isfinite(along / piece) ? std::clamp(static_cast<int>(std::ceil(along / piece)), n, 64)
                                            : n;
    };
    const int nu = pieces(across, down), nv = pieces(down, across);
    grid.resize(static_cast<size_t>((nu + 1) * (nv + 1)));
    auto at = [&](int i, int j) -> SoftVertex& { return grid[static_cast<size_t>(j * (nu + 1) + i)]; };
    for (int j = 0; j <= nv; ++j) {
        float v = static_cast<float>(j) / nv;
        for (int i = 0; i <= nu; ++i) {
            float u = static_cast<float>(i) / nu;
            float x =
                (1 - u) * (1 - v) * q.x[0] + u * (1 - v) * q.x[1] + u * v * q.x[2] + (1 - u) * v * q.x[3];
            float y =
                (1 - u) * (1 - v) * q.y[0] + u * (1 - v) * q.y[1] + u * v * q.y[2] + (1 - u) * v * q.y[3];
            at(i, j) = SoftVertex{x, y, u, v};
        }
    }
    for (int j = 0; j < nv; ++j) {
        for (int i = 0; i < nu; ++i) {
            AddClippedTriangle(out, at(i, j), at(i + 1, j), at(i + 1, j + 1), w, h);
            AddClippedTriangle(out, at(i, j), at(i + 1, j + 1), at(i, j + 1), w, h);
        }
    }
}

// Lights draw thousands of quads at one alpha, so what each texel adds is worked out once.
void PrepareGlow(SoftImage& img, int alpha) {
    if (img.glowAlpha == alpha) return;
    img.glow.resize(img.texels.size());
    for (size_t i = 0; i < img.texels.size(); ++i) {
        const uint32_t s = img.texels[i];
        const uint32_t sa = ((s >> 24) * static_cast<uint32_t>(alpha) + 127) / 255;
        const uint32_t a = sa + (sa >> 7);
        img.glow[i] = ((((s >> 16) & 255) * a) >> 8) << 16 | ((((s >> 8) & 255) * a) >> 8) << 8 |
                      (((s & 255) * a) >> 8);
    }
    img.glowAlpha = alpha;
}

// Texel positions step along a row in 16.16 fixed point and are brought inside the image as whole
// numbers: a light pass fills a couple of million pixels a frame.
void SoftTriangles(const SoftCanvas& canvas, SoftImage& img, const SoftVertex* vs, size_t count, int alpha,
                   bool add) {
    if (add) PrepareGlow(img, alpha);
    const float tw = static_cast<float>(img.w), th = static_cast<float>(img.h);
    const TexelWalk walk = Walk(img, add);
    for (size_t t = 0; t + 2 < count; t += 3) {
        const SoftVertex* v = &vs[t];
        const float x0 = v[0].x, y0 = v[0].y;
        const float dx1 = v[1].x - x0, dy1 = v[1].y - y0;
        const float dx2 = v[2].x - x0, dy2 = v[2].y - y0;
        const float area = dx1 * dy2 - dx2 * dy1;
        if (!(std::fabs(area) > 1e-6f)) continue;
        // The texel position's change per pixel across and down.
        const float du1 = (v[1].u - v[0].u) * tw, du2 = (v[2].u - v[0].u) * tw;
        const float dv1 = (v[1].v - v[0].v) * th, dv2 = (v[2].v - v[0].v) * th;
        const float dudx = (du1 * dy2 - du2 * dy1) / area, dudy = (du2 * dx1 - du1 * dx2) / area;
        const float dvdx = (dv1 * dy2 - dv2 * dy1) / area, dvdy = (dv2 * dx1 - dv1 * dx2) / area;
        const int64_t stepU = FixedTexel(dudx), stepV = FixedTexel(dvdx);
        const float u0 = v[0].u * tw, v0 = v[0].v * th;
        const float top = std::min({y0, v[1].y, v[2].y});
        const float bottom = std::max({y0, v[1].y, v[2].y});
        // The clipped corners lie on the canvas, so these are small whole numbers.
        const int ya = std::max(0, CeilSmall(top - 0.5f));
        const int yb = std::min(canvas.h, CeilSmall(bottom - 0.5f));
        float slope[3]; // each edge's change in x per row
        for (int i = 0; i < 3; ++i) {
            const SoftVertex& p = v[i];
            const SoftVertex& q = v[(i + 1) % 3];
            slope[i] = p.y == q.y ? 0 : (q.x - p.x) / (q.y - p.y);
        }
        for (int y = ya; y < yb; ++y) {
            const float yc = static_cast<float>(y) + 0.5f;
            float left = static_cast<float>(canvas.w), right = 0;
            for (int i = 0; i < 3; ++i) {
                const SoftVertex& p = v[i];
                const SoftVertex& q = v[(i + 1) % 3];
                if ((p.y <= yc) == (q.y <= yc)) continue;
                const float x = p.x + (yc - p.y) * slope[i];
                left = std::min(left, x);
                right = std::max(right, x);
            }
            const int xa = std::max(0, CeilSmall(left - 0.5f));
            const int xb = std::min(canvas.w, CeilSmall(right - 0.5f));
            if (xa >= xb) continue;
            const float xc = static_cast<float>(xa) + 0.5f;
            int64_t u = FixedStart(u0 + dudx * (xc - x0) + dudy * (yc - y0));
            int64_t w = FixedStart(v0 + dvdx * (xc - x0) + dvdy * (yc - y0));
            BlendSpan(RowOf(canvas, y), xa, xb, u, w, stepU, stepV, walk, add, alpha);
        }
    }
}

// Each row runs between the two edges it crosses, with the texel position exact where it meets them (an
// edge of the quad is a straight line in the image too) and interpolated between. On a rectangle that is
// the exact mapping; a light's image fades smoothly along its quad, so there it is the picture of the
// grid of triangles other quads take, at a fraction of the cost.
bool SoftQuadRows(const SoftCanvas& canvas, SoftImage& img, const Quad& q, int alpha, bool add) {
    if (!img.Sampled()) return false;
    const bool upright = q.y[0] == q.y[1] && q.y[2] == q.y[3] && q.x[0] == q.x[3] && q.x[1] == q.x[2];
    if (!upright && !(add && IsConvex(q))) return false;
    constexpr float kNear = 1e6f; // corners further out are clipped by the triangle path
    for (size_t i = 0; i < 4; ++i)
        if (!(std::fabs(q.x[i]) < kNear && std::fabs(q.y[i]) < kNear)) return false;
    if (add) PrepareGlow(img, alpha);
    const TexelWalk walk = Walk(img, add);
    const float tw = static_cast<float>(img.w), th = static_cast<float>(img.h);
    const std::array<float, 4> cornerU{0, tw, tw, 0}, cornerV{0, 0, th, th};
    const auto [top, bottom] = std::minmax({q.y[0], q.y[1], q.y[2], q.y[3]});
    const int ya = std::max(0, CeilSmall(top - 0.5f));
    const int yb = std::min(canvas.h, CeilSmall(bottom - 0.5f));
    for (int y = ya; y < yb; ++y) {
        const float yc = static_cast<float>(y) + 0.5f;
        float left = 0, right = 0, leftU = 0, leftV = 0, rightU = 0, rightV = 0;
        bool any = false;
        for (size_t i = 0; i < 4; ++i) {
            const size_t j = (i + 1) % 4;
            if ((q.y[i] <= yc) == (q.y[j] <= yc)) continue; // the edge does not cross this row
            const float k = (yc - q.y[i]) / (q.y[j] - q.y[i]);
            const float x = q.x[i] + k * (q.x[j] - q.x[i]);
            const float u = cornerU[i] + k * (cornerU[j] - cornerU[i]);
            const float v = cornerV[i] + k * (cornerV[j] - cornerV[i]);
            if (!any || x < left) left = x, leftU = u, leftV = v;
            if (!any || x > right) right = x, rightU = u, rightV = v;
            any = true;
        }
        const int xa = std::max(0, CeilSmall(left - 0.5f));
        const int xb = std::min(canvas.w, CeilSmall(right - 0.5f));
        if (xa >= xb) continue;
        const float span = right - left;
        const float dudx = span > 0 ? (rightU - leftU) / span : 0,
                    dvdx = span > 0 ? (rightV - leftV) / span : 0;
        const float from = static_cast<float>(xa) + 0.5f - left;
        BlendSpan(RowOf(canvas, y), xa, xb, FixedStart(leftU + dudx * from), FixedStart(leftV + dvdx * from),
                  FixedTexel(dudx), FixedTexel(dvdx), walk, add, alpha);
    }
    return true;
}

// A pixel is inside when its centre is (left and top edges included).
void SoftFillSpans(const SoftCanvas& canvas, const SoftVertex* p, int n, SoftColour colour, bool add) {
    float top = p[0].y, bottom = p[0].y;
    for (int i = 1; i < n; ++i) {
        top = std::min(top, p[i].y);
        bottom = std::max(bottom, p[i].y);
    }
    const int y0 = std::max(0, static_cast<int>(std::ceil(top - 0.5f)));
    const int y1 = std::min(canvas.h, static_cast<int>(std::ceil(bottom - 0.5f)));
    // Alpha on a scale of 256, so that the blend of two channels at once never carries into the next.
    const uint32_t a = colour.a + (colour.a >> 7), keep = 256 - a;
    const uint32_t rb = (static_cast<uint32_t>(colour.r) << 16 | colour.b) * a;
    const uint32_t g = (static_cast<uint32_t>(colour.g) << 8) * a;
    const uint32_t addR = (colour.r * a) >> 8, addG = (colour.g * a) >> 8, addB = (colour.b * a) >> 8;
    for (int y = y0; y < y1; ++y) {
        const float yc = static_cast<float>(y) + 0.5f;
        float left = static_cast<float>(canvas.w), right = 0;
        for (int i = 0; i < n; ++i) {
            const SoftVertex& u = p[i];
            const SoftVertex& v = p[(i + 1) % n];
            if ((u.y <= yc) == (v.y <= yc)) continue; // the edge does not cross this row
            const float x = u.x + (yc - u.y) / (v.y - u.y) * (v.x - u.x);
            left = std::min(left, x);
            right = std::max(right, x);
        }
        const int x0 = std::max(0, static_cast<int>(std::ceil(left - 0.5f)));
        const int x1 = std::min(canvas.w, static_cast<int>(std::ceil(right - 0.5f)));
        uint32_t* row = RowOf(canvas, y);
        int x = x0;
#ifdef __SSE2__
        // Four pixels at a time; the alpha channel is kept (added 0, or multiplied by 256 / 256).
        if (add) {
            const __m128i plus = _mm_set1_epi32(static_cast<int>(addR << 16 | addG << 8 | addB));
            for (; x + 4 <= x1; x += 4) {
                __m128i* at = reinterpret_cast<__m128i*>(row + x);
                _mm_storeu_si128(at, _mm_adds_epu8(_mm_loadu_si128(at), plus));
            }
        } else {
            const __m128i zero = _mm_setzero_si128();
            const __m128i factor = _mm_set_epi16(256, static_cast<short>(keep), static_cast<short>(keep),
                                                 static_cast<short>(keep), 256, static_cast<short>(keep),
                                                 static_cast<short>(keep), static_cast<short>(keep));
            const short cr = static_cast<short>(colour.r * a), cg = static_cast<short>(colour.g * a),
                        cb = static_cast<short>(colour.b * a);
            const __m128i offset = _mm_set_epi16(0, cr, cg, cb, 0, cr, cg, cb);
            for (; x + 4 <= x1; x += 4) {
                __m128i* at = reinterpret_cast<__m128i*>(row + x);
                const __m128i d = _mm_loadu_si128(at);
                __m128i lo = _mm_unpacklo_epi8(d, zero), hi = _mm_unpackhi_epi8(d, zero);
                lo = _mm_srli_epi16(_mm_add_epi16(_mm_mullo_epi16(lo, factor), offset), 8);
                hi = _mm_srli_epi16(_mm_add_epi16(_mm_mullo_epi16(hi, factor), offset), 8);
                _mm_storeu_si128(at, _mm_packus_epi16(lo, hi));
            }
        }
#endif
        if (add) {
            const uint32_t plus = addR << 16 | addG << 8 | addB;
            for (; x < x1; ++x) row[x] = AddSaturated(row[x], plus);
        } else if (a == 256) {
            // An opaque colour replaces the pixel's (what the blend gives at full weight).
            const uint32_t colourBits = (rb | g) >> 8;
            for (; x < x1; ++x) row[x] = (row[x] & 0xff000000u) | colourBits;
        } else {
            // Two pixels at a time in 64 bits where there are no vector registers: each channel has 16 bits
            // of room, and d * keep + c * a stays below 65,536.
            const uint64_t rb2 = static_cast<uint64_t>(rb) << 32 | rb,
                           g2 = static_cast<uint64_t>(g) << 32 | g;
            for (; x + 2 <= x1; x += 2) {
                uint64_t d;
                std::memcpy(&d, row + x, sizeof d);
                const uint64_t outRb = (((d & 0x00ff00ff00ff00ffu) * keep + rb2) >> 8) & 0x00ff00ff00ff00ffu;
                const uint64_t outG = (((d & 0x0000ff000000ff00u) * keep + g2) >> 8) & 0x0000ff000000ff00u;
                d = (d & 0xff000000ff000000u) | outRb | outG;
                std::memcpy(row + x, &d, sizeof d);
            }
            for (; x < x1; ++x) {
                const uint32_t d = row[x];
                const uint32_t outRb = (((d & 0xff00ffu) * keep + rb) >> 8) & 0xff00ffu;
                const uint32_t outG = (((d & 0xff00u) * keep + g) >> 8) & 0xff00u;
                row[x] = (d & 0xff000000u) | outRb | outG;
            }
        }
    }
}
