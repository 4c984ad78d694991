// The separating-axis collision of two entities.
//
// Choosing the axis (steps 1-3) has two implementations with identical results: the plain one projects
// the entities axis by axis as written; the fast one gathers the positions once and tests four axes at a
// time with vector instructions. The vector lanes do exactly the scalar operations (no fused
// multiply-add, same operand order, minimum and maximum taken particle by particle in list order), so the
// two agree to the last bit; the tests step whole scenes both ways and compare.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <tuple>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

#include "physics/internal.h"
#include "physics/physics.h"

void ProjectEntity(const World& w, const Vec2& axis, int32_t entity, float& min, float& max) {
    const Entity& e = w.entities[static_cast<size_t>(entity)];
    min = max = 0;
    bool first = true;
    for (int32_t slot : e.particles) {
        float v = static_cast<float>(axis.Dot(w.particles[static_cast<size_t>(slot)].p));
        if (first) {
            min = max = v;
            first = false;
        } else {
            if (v < min) min = v;
            if (v > max) max = v;
        }
    }
}

namespace {

struct Axis {
    bool found = false;
    float depth = 0;
    Vec2 normal;
    int32_t side = 0;
    int index = 0; // place of the side among B1's then B2's sides
};

int32_t SideOf(const Entity& e1, const Entity& e2, int k) {
    const int c1 = e1.constraintcount();
    return k < c1 ? e1.constraints[static_cast<size_t>(k)] : e2.constraints[static_cast<size_t>(k - c1)];
}

// Steps 1-3 as written. False when an axis separates the entities.
bool ChooseAxisPlain(const World& w, int32_t b1, int32_t b2, Axis& best) {
    const Entity& e1 = w.entities[static_cast<size_t>(b1)];
    const Entity& e2 = w.entities[static_cast<size_t>(b2)];
    const int total = e1.constraintcount() + e2.constraintcount();
    for (int k = 0; k < total; ++k) {
        const int32_t s = SideOf(e1, e2, k);
        const Constraint& con = w.constraints[static_cast<size_t>(s)];
        const Vec2& q1 = w.particles[static_cast<size_t>(con.p1)].p;
        const Vec2& q2 = w.particles[static_cast<size_t>(con.p2)].p;
        Vec2 n{-(q2.y - q1.y), q2.x - q1.x};
        const double len = n.Length();
        if (!(len > 0)) continue; // a side of zero length has no normal
        n.Normalise();
        float min1, max1, min2, max2;
        ProjectEntity(w, n, b1, min1, max1);
        ProjectEntity(w, n, b2, min2, max2);
        const float d = static_cast<float>(IntervalDistance(min1, max1, min2, max2));
        if (d > 0) return false;
        if (!best.found || std::fabs(d) < best.depth) {
            best.found = true;
            best.depth = std::fabs(d);
            best.normal = n;
            best.side = s;
        }
    }
    return true;
}

// Positions of one entity's particles in list order.
struct Gathered {
    const double* x = nullptr;
    const double* y = nullptr;
    int n = 0;
};

// The axis data of the fast path, in lanes of four: side direction (dx, dy), normal, overlap.
struct AxisLanes {
    double* dx;
    double* dy;
    double* nx;
    double* ny;
    float* d;
    uint8_t* valid;
};

#if defined(__x86_64__)

// Normals and overlaps of four axes per round; false as soon as one separates the entities.
__attribute__((target("avx2"))) bool AxesAvx2(const AxisLanes& a, int lanes, const Gathered& g1,
                                              const Gathered& g2) {
    const __m256d zero = _mm256_setzero_pd();
    for (int k = 0; k < lanes; k += 4) {
        const __m256d dx = _mm256_loadu_pd(a.dx + k);
        const __m256d dy = _mm256_loadu_pd(a.dy + k);
        const __m256d ax = _mm256_xor_pd(dy, _mm256_set1_pd(-0.0)); // -(q2.y - q1.y)
        const __m256d len = _mm256_sqrt_pd(_mm256_add_pd(_mm256_mul_pd(ax, ax), _mm256_mul_pd(dx, dx)));
        const __m256d valid = _mm256_cmp_pd(len, zero, _CMP_GT_OQ);
        const __m256d nx = _mm256_div_pd(ax, len);
        const __m256d ny = _mm256_div_pd(dx, len);
        _mm256_storeu_pd(a.nx + k, nx);
        _mm256_storeu_pd(a.ny + k, ny);
        __m128 lo1 = _mm256_cvtpd_ps(_mm256_add_pd(_mm256_mul_pd(nx, _mm256_set1_pd(g1.x[0])),
                                                   _mm256_mul_pd(ny, _mm256_set1_pd(g1.y[0]))));
        __m128 hi1 = lo1;
        for (int i = 1; i < g1.n; ++i) {
            const __m128 v = _mm256_cvtpd_ps(_mm256_add_pd(_mm256_mul_pd(nx, _mm256_set1_pd(g1.x[i])),
                                                           _mm256_mul_pd(ny, _mm256_set1_pd(g1.y[i]))));
            lo1 = _mm_min_ps(v, lo1); // (v < lo) ? v : lo, as the scalar test
            hi1 = _mm_max_ps(v, hi1);
        }
        __m128 lo2 = _mm256_cvtpd_ps(_mm256_add_pd(_mm256_mul_pd(nx, _mm256_set1_pd(g2.x[0])),
                                                   _mm256_mul_pd(ny, _mm256_set1_pd(g2.y[0]))));
        __m128 hi2 = lo2;
        for (int i = 1; i < g2.n; ++i) {
            const __m128 v = _mm256_cvtpd_ps(_mm256_add_pd(_mm256_mul_pd(nx, _mm256_set1_pd(g2.x[i])),
                                                           _mm256_mul_pd(ny, _mm256_set1_pd(g2.y[i]))));
            lo2 = _mm_min_ps(v, lo2);
            hi2 = _mm_max_ps(v, hi2);
        }
        // IntervalDistance: minB - maxA when minB > minA, else minA - maxB.
        const __m128 later = _mm_cmpgt_ps(lo2, lo1);
        const __m128 d = _mm_blendv_ps(_mm_sub_ps(lo1, hi2), _mm_sub_ps(lo2, hi1), later);
        _mm_storeu_ps(a.d + k, d);
        const int validBits = _mm256_movemask_pd(valid);
        const int apart = _mm_movemask_ps(_mm_cmpgt_ps(d, _mm_setzero_ps())) & validBits;
        if (apart != 0) return false;
        for (int l = 0; l < 4; ++l) a.valid[k + l] = static_cast<uint8_t>((validBits >> l) & 1);
    }
    return true;
}

// The same with two axes per half-round, on the instructions every x86-64 processor has.
bool AxesSse2(const AxisLanes& a, int lanes, const Gathered& g1, const Gathered& g2) {
    const __m128d zero = _mm_setzero_pd();
    for (int k = 0; k < lanes; k += 2) {
        const __m128d dx = _mm_loadu_pd(a.dx + k);
        const __m128d dy = _mm_loadu_pd(a.dy + k);
        const __m128d ax = _mm_xor_pd(dy, _mm_set1_pd(-0.0));
        const __m128d len = _mm_sqrt_pd(_mm_add_pd(_mm_mul_pd(ax, ax), _mm_mul_pd(dx, dx)));
        const __m128d valid = _mm_cmpgt_pd(len, zero);
        const __m128d nx = _mm_div_pd(ax, len);
        const __m128d ny = _mm_div_pd(dx, len);
        _mm_storeu_pd(a.nx + k, nx);
        _mm_storeu_pd(a.ny + k, ny);
        __m128 lo1 = _mm_cvtpd_ps(
            _mm_add_pd(_mm_mul_pd(nx, _mm_set1_pd(g1.x[0])), _mm_mul_pd(ny, _mm_set1_pd(g1.y[0]))));
        __m128 hi1 = lo1;
        for (int i = 1; i < g1.n; ++i) {
            const __m128 v = _mm_cvtpd_ps(
                _mm_add_pd(_mm_mul_pd(nx, _mm_set1_pd(g1.x[i])), _mm_mul_pd(ny, _mm_set1_pd(g1.y[i]))));
            lo1 = _mm_min_ps(v, lo1);
            hi1 = _mm_max_ps(v, hi1);
        }
        __m128 lo2 = _mm_cvtpd_ps(
            _mm_add_pd(_mm_mul_pd(nx, _mm_set1_pd(g2.x[0])), _mm_mul_pd(ny, _mm_set1_pd(g2.y[0]))));
        __m128 hi2 = lo2;
        for (int i = 1; i < g2.n; ++i) {
            const __m128 v = _mm_cvtpd_ps(
                _mm_add_pd(_mm_mul_pd(nx, _mm_set1_pd(g2.x[i])), _mm_mul_pd(ny, _mm_set1_pd(g2.y[i]))));
            lo2 = _mm_min_ps(v, lo2);
            hi2 = _mm_max_ps(v, hi2);
        }
        const __m128 later = _mm_cmpgt_ps(lo2, lo1);
        const __m128 d =
            _mm_or_ps(_mm_and_ps(later, _mm_sub_ps(lo2, hi1)), _mm_andnot_ps(later, _mm_sub_ps(lo1, hi2)));
        float ds[4];
        _mm_storeu_ps(ds, d);
        a.d[k] = ds[0];
        a.d[k + 1] = ds[1];
        const int validBits = _mm_movemask_pd(valid);
        const int apart = _mm_movemask_ps(_mm_cmpgt_ps(d, _mm_setzero_ps())) & validBits & 3;
        if (apart != 0) return false;
        a.valid[k] = static_cast<uint8_t>(validBits & 1);
        a.valid[k + 1] = static_cast<uint8_t>((validBits >> 1) & 1);
    }
    return true;
}

#endif

// Scalar lanes for processors without the vector paths; the same operations one axis at a time.
bool AxesScalar(const AxisLanes& a, int lanes, const Gathered& g1, const Gathered& g2) {
    for (int k = 0; k < lanes; ++k) {
        const double ax = -a.dy[k];
        const double len = std::sqrt(ax * ax + a.dx[k] * a.dx[k]);
        a.valid[k] = len > 0;
        const double nx = ax / len;
        const double ny = a.dx[k] / len;
        a.nx[k] = nx;
        a.ny[k] = ny;
        if (!a.valid[k]) continue;
        float mins[2], maxs[2];
        const Gathered* gs[2] = {&g1, &g2};
        for (int e = 0; e < 2; ++e) {
            const Gathered& g = *gs[e];
            float lo = static_cast<float>(nx * g.x[0] + ny * g.y[0]);
            float hi = lo;
            for (int i = 1; i < g.n; ++i) {
                const float v = static_cast<float>(nx * g.x[i] + ny * g.y[i]);
                lo = v < lo ? v : lo;
                hi = v > hi ? v : hi;
            }
            mins[e] = lo;
            maxs[e] = hi;
        }
        const float d = mins[1] > mins[0] ? mins[1] - maxs[0] : mins[0] - maxs[1];
        a.d[k] = d;
        if (d > 0) return false;
    }
    return true;
}

// Steps 1-3 on gathered positions. False when an axis separates the entities.
bool ChooseAxisFast(World& w, PhysicsScratch& s, const Entity& e1, const Entity& e2, const Gathered& g1,
                    const Gathered& g2, Axis& best) {
    const int total = e1.constraintcount() + e2.constraintcount();
    const int lanes = (total + 3) & ~3;
    if (s.axisData.size() < static_cast<size_t>(lanes) * 4)
        s.axisData.resize(static_cast<size_t>(lanes) * 4 + 64);
    if (s.axisDepth.size() < static_cast<size_t>(lanes)) s.axisDepth.resize(static_cast<size_t>(lanes) + 16);
    if (s.axisValid.size() < static_cast<size_t>(lanes)) s.axisValid.resize(static_cast<size_t>(lanes) + 16);
    if (s.axisSide.size() < static_cast<size_t>(lanes)) s.axisSide.resize(static_cast<size_t>(lanes) + 16);
    double* base = s.axisData.data();
    AxisLanes a{
        base, base + lanes, base + 2 * lanes, base + 3 * lanes, s.axisDepth.data(), s.axisValid.data()};
    int32_t* sides = s.axisSide.data();
    const Particle* ps = w.particles.data();
    const Constraint* cs = w.constraints.data();
    for (int k = 0; k < total; ++k) {
        const int32_t side = SideOf(e1, e2, k);
        const Constraint& con = cs[side];
        const Vec2& q1 = ps[con.p1].p;
        const Vec2& q2 = ps[con.p2].p;
        a.dx[k] = q2.x - q1.x;
        a.dy[k] = q2.y - q1.y;
        sides[k] = side;
    }
    for (int k = total; k < lanes; ++k) a.dx[k] = a.dy[k] = 0; // no direction: never a valid axis

    bool together;
#if defined(__x86_64__)
    physics_internal::ProbeSimd(s);
    if (s.simdLevel >= 2)
        together = AxesAvx2(a, lanes, g1, g2);
    else if (s.simdLevel == 1)
        together = AxesSse2(a, lanes, g1, g2);
    else
        together = AxesScalar(a, lanes, g1, g2);
#else
    together = AxesScalar(a, lanes, g1, g2);
#endif
    if (!together) return false;
    for (int k = 0; k < total; ++k) {
        if (!a.valid[k]) continue;
        const float depth = std::fabs(a.d[k]);
        if (!best.found || depth < best.depth) {
            best.found = true;
            best.depth = depth;
            best.normal = {a.nx[k], a.ny[k]};
            best.side = sides[k];
        }
    }
    return true;
}

#if defined(__x86_64__)

// Projections of one four-particle entity on four axes: the least and greatest value per lane, taken
// particle by particle in list order as the scalar test does.
__attribute__((target("avx2"), always_inline)) inline void
ProjectQuad(__m256d nx, __m256d ny, const double* x, const double* y, __m128& lo, __m128& hi) {
    lo = _mm256_cvtpd_ps(
        _mm256_add_pd(_mm256_mul_pd(nx, _mm256_set1_pd(x[0])), _mm256_mul_pd(ny, _mm256_set1_pd(y[0]))));
    hi = lo;
    for (int i = 1; i < 4; ++i) {
        const __m128 v = _mm256_cvtpd_ps(
            _mm256_add_pd(_mm256_mul_pd(nx, _mm256_set1_pd(x[i])), _mm256_mul_pd(ny, _mm256_set1_pd(y[i]))));
        lo = _mm_min_ps(v, lo);
        hi = _mm_max_ps(v, hi);
    }
}

// Steps 1-3 for two entities of four particles and four self-contained sides each (boxes, walls, quads,
// straps): all eight axes in two rounds of four, then the shallowest overlap. `xv` and `yv` hold each
// entity's particle positions (x and y, also stored in `x` and `y`), `lanes` per entity the 32-bit lanes
// of its sides' first and second ends in them. False when an axis separates the entities.
__attribute__((target("avx2"), always_inline)) inline bool
ChooseAxisQuads(const Entity& e1, const Entity& e2, const __m256d* xv, const __m256d* yv,
                const uint8_t* lanes1, const uint8_t* lanes2, const double* x, const double* y, Axis& best) {
    // Side directions: the ends picked from the positions in registers, then subtracted as one by one.
    __m256d dxs[2], dys[2];
    for (int r = 0; r < 2; ++r) {
        const uint8_t* lanes = r == 0 ? lanes1 : lanes2;
        const __m256i from = _mm256_cvtepu8_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(lanes)));
        const __m256i to = _mm256_cvtepu8_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(lanes + 8)));
        const __m256 xs = _mm256_castpd_ps(xv[r]), ys = _mm256_castpd_ps(yv[r]);
        dxs[r] = _mm256_sub_pd(_mm256_castps_pd(_mm256_permutevar8x32_ps(xs, to)),
                               _mm256_castps_pd(_mm256_permutevar8x32_ps(xs, from)));
        dys[r] = _mm256_sub_pd(_mm256_castps_pd(_mm256_permutevar8x32_ps(ys, to)),
                               _mm256_castps_pd(_mm256_permutevar8x32_ps(ys, from)));
    }
    alignas(32) double nxs[8], nys[8];
    const __m256d zero = _mm256_setzero_pd();
    __m128 d[2];
    int valid = 0;
    for (int r = 0; r < 2; ++r) {
        const __m256d ddx = dxs[r];
        const __m256d ddy = dys[r];
        const __m256d ax = _mm256_xor_pd(ddy, _mm256_set1_pd(-0.0)); // -(q2.y - q1.y)
        const __m256d len = _mm256_sqrt_pd(_mm256_add_pd(_mm256_mul_pd(ax, ax), _mm256_mul_pd(ddx, ddx)));
        const int ok = _mm256_movemask_pd(_mm256_cmp_pd(len, zero, _CMP_GT_OQ));
        const __m256d nx = _mm256_div_pd(ax, len);
        const __m256d ny = _mm256_div_pd(ddx, len);
        _mm256_store_pd(nxs + 4 * r, nx);
        _mm256_store_pd(nys + 4 * r, ny);
        __m128 lo1, hi1, lo2, hi2;
        ProjectQuad(nx, ny, x, y, lo1, hi1);
        ProjectQuad(nx, ny, x + 4, y + 4, lo2, hi2);
        d[r] = _mm_blendv_ps(_mm_sub_ps(lo1, hi2), _mm_sub_ps(lo2, hi1), _mm_cmpgt_ps(lo2, lo1));
        if (_mm_movemask_ps(_mm_cmpgt_ps(d[r], _mm_setzero_ps())) & ok) return false; // separated
        valid |= ok << (4 * r);
    }
    const __m128 sign = _mm_set1_ps(-0.0f);
    const __m128 a0 = _mm_andnot_ps(sign, d[0]), a1 = _mm_andnot_ps(sign, d[1]);
    alignas(16) float depth[8];
    _mm_store_ps(depth, a0);
    _mm_store_ps(depth + 4, a1);
    int chosen = -1;
    const bool ordered =
        (_mm_movemask_ps(_mm_cmpunord_ps(a0, a1)) | _mm_movemask_ps(_mm_cmpunord_ps(a0, a0))) == 0;
    if (valid == 0xFF && ordered) {
        // Every axis usable and no overlap undefined: the least depth, and its first axis.
        __m128 m = _mm_min_ps(a0, a1);
        m = _mm_min_ps(m, _mm_shuffle_ps(m, m, _MM_SHUFFLE(1, 0, 3, 2)));
        m = _mm_min_ps(m, _mm_shuffle_ps(m, m, _MM_SHUFFLE(2, 3, 0, 1)));
        const int at = _mm_movemask_ps(_mm_cmpeq_ps(a0, m)) | (_mm_movemask_ps(_mm_cmpeq_ps(a1, m)) << 4);
        chosen = __builtin_ctz(static_cast<unsigned>(at));
    } else {
        for (int k = 0; k < 8; ++k) {
            if (!((valid >> k) & 1)) continue;
            if (chosen < 0 || depth[k] < depth[chosen]) chosen = k;
        }
        if (chosen < 0) return true; // no usable axis
    }
    best.found = true;
    best.depth = depth[chosen];
    best.normal = {nxs[chosen], nys[chosen]};
    best.side = chosen < 4 ? e1.constraints[static_cast<size_t>(chosen)]
                           : e2.constraints[static_cast<size_t>(chosen - 4)];
    best.index = chosen;
    return true;
}

#endif

// Mean of p - oldp over an entity's particles.
Vec2 MeanVelocity(const World& w, const Entity& e) {
    Vec2 v{0, 0};
    const int n = e.particlecount();
    for (int32_t slot : e.particles) {
        const Particle& p = w.particles[static_cast<size_t>(slot)];
        v.x += (p.p.x - p.oldp.x) / n;
        v.y += (p.p.y - p.oldp.y) / n;
    }
    return v;
}

// The state of one collision between steps 4 and 14.
struct Collision {
    Entity* e1 = nullptr; // B1: gives the vertex
    Entity* e2 = nullptr; // B2: owns the touched side
    bool swapped = false;
    Vec2 normal;
    Vec2 cv;
    int32_t vslot = 0;
    float dv = 0;
    int32_t touched = 0;
};

// Steps 4-6: collision vector, B2 the owner of the chosen side, the normal from B2 towards B1.
__attribute__((always_inline)) inline Collision Orient(World& w, int32_t b1, int32_t b2, const Axis& axis) {
    Collision c;
    c.e1 = &w.entities[static_cast<size_t>(b1)];
    c.e2 = &w.entities[static_cast<size_t>(b2)];
    c.normal = axis.normal;
    c.cv = {c.normal.x * axis.depth, c.normal.y * axis.depth};
    if (w.entities[static_cast<size_t>(w.constraints[static_cast<size_t>(axis.side)].parent)].id !=
        c.e2->id) {
        std::swap(c.e1, c.e2);
        c.swapped = true;
    }
    if (Sign(c.normal.Dot(c.e1->center - c.e2->center)) == 1)
        c.cv = {-c.cv.x, -c.cv.y};
    else
        c.normal = {-c.normal.x, -c.normal.y};
    return c;
}

// Step 7: the deepest vertex of B1 (the first on ties).
void FindVertex(const World& w, Collision& c) {
    const Particle* ps = w.particles.data();
    const Vec2 c2 = c.e2->center;
    bool first = true;
    for (int32_t slot : c.e1->particles) {
        const Vec2& p = ps[slot].p;
        const float v = static_cast<float>(c.normal.x * (p.x - c2.x) + c.normal.y * (p.y - c2.y));
        if (first || v < c.dv) {
            c.vslot = slot;
            c.dv = v;
            first = false;
        }
    }
}

// Step 8: the first side of B2 level with the vertex after the correction, else B2's last side.
void FindSide(const World& w, Collision& c, int32_t chosenSide) {
    const Particle* ps = w.particles.data();
    const Constraint* cs = w.constraints.data();
    const Vec2 c2 = c.e2->center;
    for (int32_t s : c.e2->constraints) {
        const Vec2& q1 = ps[cs[s].p1].p;
        const Vec2& q2 = ps[cs[s].p2].p;
        const double a = c.normal.x * (q1.x + c.cv.x - c2.x) + c.normal.y * (q1.y + c.cv.y - c2.y);
        const double b = c.normal.x * (q2.x + c.cv.x - c2.x) + c.normal.y * (q2.y + c.cv.y - c2.y);
        if (std::fabs(a - b) < 0.001 && std::fabs((a + b) / 2 - c.dv) < 0.001) {
            c.touched = s;
            return;
        }
    }
    c.touched = c.e2->constraints.empty() ? chosenSide : c.e2->constraints.back();
}

// Records a new contact with its speed and impact (nothing when the table is full).
void RecordMoving(World& w, PhysicsScratch& s, int32_t aslot, int32_t bslot, int32_t vslot, const Vec2& cv,
                  float speed, float impact) {
    const int32_t slot = RecordContact(w, s, aslot, bslot, vslot, cv);
    if (slot == 0) return;
    w.contacts[static_cast<size_t>(slot)].speed = speed;
    w.contacts[static_cast<size_t>(slot)].impact = impact;
}

// Step 9: one contact per vertex and side in a step.
__attribute__((always_inline)) inline void RecordIfNew(World& w, PhysicsScratch& s, const Collision& col,
                                                       int32_t aslot, int32_t bslot, int32_t vslot,
                                                       const physics_internal::LaneSink* sink = nullptr) {
    if (ContactRecorded(w, s, 0, aslot, bslot, vslot)) return;
    const Vec2 u = MeanVelocity(w, *col.e1) - MeanVelocity(w, *col.e2);
    Vec2 dir = col.cv;
    dir.Normalise();
    const float speed = static_cast<float>(u.Length());
    const float impact = static_cast<float>((u * dir.Dot(u)).Length());
    if (sink != nullptr) { // on a lane: the table is filled in list order after the pass
        sink->contacts->push_back({sink->item, aslot, bslot, vslot, col.cv.x, col.cv.y, speed, impact});
        return;
    }
    RecordMoving(w, s, aslot, bslot, vslot, col.cv, speed, impact);
}

// The moves of steps 12-13: the side's ends along CV (a: by 1 - t, b: by t) and the vertex against it,
// shared by the masses when both bodies move. `finite` is false when a move that would be made is not a
// finite number (bodies thrown beyond single precision, masses whose sum overflows): the correction is
// then skipped, so that no NaN enters a position.
struct Moves {
    double ax = 0, ay = 0, bx = 0, by = 0, vx = 0, vy = 0;
    bool finite = true;
};

inline Moves CorrectionMoves(const Vec2& cv, float t, float ma, float mv, float m1, float m2) {
    const float mass = ma + mv;
    const float wa = mass != 0 ? mv / mass : 0.0f;
    const float wv = mass != 0 ? ma / mass : 0.0f;
    const float rest = 1 - t;
    Moves m;
    if (m2 != 0) {
        if (m1 != 0) {
            m.ax = cv.x * rest * wa;
            m.ay = cv.y * rest * wa;
            m.bx = cv.x * t * wa;
            m.by = cv.y * t * wa;
        } else {
            m.ax = cv.x * rest;
            m.ay = cv.y * rest;
            m.bx = cv.x * t;
            m.by = cv.y * t;
        }
    }
    if (m1 != 0) {
        if (m2 != 0) {
            m.vx = cv.x * wv;
            m.vy = cv.y * wv;
        } else {
            m.vx = cv.x;
            m.vy = cv.y;
        }
    }
    // x * 0 is 0 for every finite x and NaN otherwise.
    const double probe = m.ax * 0 + m.ay * 0 + m.bx * 0 + m.by * 0 + m.vx * 0 + m.vy * 0;
    m.finite = probe == 0;
    return m;
}

// Steps 7-8 marks and 9-14: contact record, position along the side, mass shares, correction.
__attribute__((always_inline)) inline int Finish(World& w, PhysicsScratch& s, const Collision& col) {
    Particle* ps = w.particles.data();
    const Constraint* cs = w.constraints.data();
    const Vec2 cv = col.cv;
    const int32_t vslot = col.vslot;
    const int32_t aslot = cs[col.touched].p1;
    const int32_t bslot = cs[col.touched].p2;
    Particle& pa = ps[aslot];
    Particle& pb = ps[bslot];
    Particle& pv = ps[vslot];

    // 10. Where the vertex lies along the side.
    const double sx = pb.p.x - pa.p.x;
    const double sy = pb.p.y - pa.p.y;
    float t;
    if (std::fabs(sx) > std::fabs(sy))
        t = static_cast<float>((pv.p.x - cv.x - pa.p.x) / sx);
    else if (sy != 0)
        t = static_cast<float>((pv.p.y - cv.y - pa.p.y) / sy);
    else
        t = 0.5f; // both ends at one place: they share the push

    // 11. Mass shares: the heavier body moves less.
    const float ma = w.entities[static_cast<size_t>(pa.parent)].m;
    const float mv = w.entities[static_cast<size_t>(pv.parent)].m;
    const Moves moves = CorrectionMoves(cv, t, ma, mv, col.e1->m, col.e2->m);
    if (!moves.finite) return 0;

    ps[vslot].contact = 1;
    ps[aslot].contact = 2;
    ps[bslot].contact = 2;
    RecordIfNew(w, s, col, aslot, bslot, vslot);

    // 12-13. Move the side along CV and the vertex against it; static bodies stay.
    if (col.e2->m != 0) {
        pa.p.x += moves.ax;
        pa.p.y += moves.ay;
        pb.p.x += moves.bx;
        pb.p.y += moves.by;
    }
    if (col.e1->m != 0) {
        pv.p.x -= moves.vx;
        pv.p.y -= moves.vy;
    }
    return 1;
}

int Resolve(World& w, PhysicsScratch& s, int32_t b1, int32_t b2, const Axis& axis) {
    Collision c = Orient(w, b1, b2, axis);
    FindVertex(w, c);
    FindSide(w, c, axis.side);
    return Finish(w, s, c);
}

#if defined(__x86_64__)

// The whole test for two entities of four particles and four self-contained sides each. The vertex and
// the touched side are found four at a time; where an undefined comparison (a NaN) could make the lanes
// disagree with the one-by-one search, the one-by-one search decides.
__attribute__((target("avx2"))) int CollideQuads(World& w, PhysicsScratch& s, int32_t b1, int32_t b2,
                                                 const uint8_t* ends1, const uint8_t* ends2,
                                                 const uint8_t* lanes1, const uint8_t* lanes2,
                                                 const physics_internal::LaneSink* sink = nullptr) {
    const Particle* ps = w.particles.data();
    const Entity& en1 = w.entities[static_cast<size_t>(b1)];
    const Entity& en2 = w.entities[static_cast<size_t>(b2)];
    alignas(32) double x[8], y[8]; // B1's particles, then B2's
    __m256d xv[2], yv[2];
    for (int e = 0; e < 2; ++e) {
        const int32_t* slots = (e == 0 ? en1 : en2).particles.data();
        const __m128d p0 = _mm_loadu_pd(&ps[slots[0]].p.x), p1 = _mm_loadu_pd(&ps[slots[1]].p.x);
        const __m128d p2 = _mm_loadu_pd(&ps[slots[2]].p.x), p3 = _mm_loadu_pd(&ps[slots[3]].p.x);
        xv[e] = _mm256_set_m128d(_mm_unpacklo_pd(p2, p3), _mm_unpacklo_pd(p0, p1));
        yv[e] = _mm256_set_m128d(_mm_unpackhi_pd(p2, p3), _mm_unpackhi_pd(p0, p1));
        _mm256_store_pd(x + 4 * e, xv[e]);
        _mm256_store_pd(y + 4 * e, yv[e]);
    }
    Axis axis;
    if (!ChooseAxisQuads(en1, en2, xv, yv, lanes1, lanes2, x, y, axis)) return 0;
    if (!axis.found) return 0;
    // 4-6. Every side belongs to its own entity here, so the side is B2's exactly when it is one of
    // the second entity's or both entities have one id.
    Collision c;
    c.swapped = axis.index < 4 && en1.id != en2.id;
    c.e1 = const_cast<Entity*>(c.swapped ? &en2 : &en1);
    c.e2 = const_cast<Entity*>(c.swapped ? &en1 : &en2);
    c.normal = axis.normal;
    c.cv = {c.normal.x * axis.depth, c.normal.y * axis.depth};
    if (Sign(c.normal.Dot(c.e1->center - c.e2->center)) == 1)
        c.cv = {-c.cv.x, -c.cv.y};
    else
        c.normal = {-c.normal.x, -c.normal.y};
    const double* x1 = c.swapped ? x + 4 : x;
    const double* y1 = c.swapped ? y + 4 : y;
    const double* x2 = c.swapped ? x : x + 4;
    const double* y2 = c.swapped ? y : y + 4;
    const uint8_t* ends = c.swapped ? ends1 : ends2;
    const Vec2 c2 = c.e2->center;
    const __m256d nx = _mm256_set1_pd(c.normal.x), ny = _mm256_set1_pd(c.normal.y);

    // 7. Vertex.
    const __m256d px = _mm256_set_pd(x1[3], x1[2], x1[1], x1[0]);
    const __m256d py = _mm256_set_pd(y1[3], y1[2], y1[1], y1[0]);
    const __m128 v =
        _mm256_cvtpd_ps(_mm256_add_pd(_mm256_mul_pd(nx, _mm256_sub_pd(px, _mm256_set1_pd(c2.x))),
                                      _mm256_mul_pd(ny, _mm256_sub_pd(py, _mm256_set1_pd(c2.y)))));
    alignas(16) float vs[4];
    _mm_store_ps(vs, v);
    int vi = 0;
    if (_mm_movemask_ps(_mm_cmpunord_ps(v, v)) == 0) {
        __m128 m = _mm_min_ps(v, _mm_shuffle_ps(v, v, _MM_SHUFFLE(1, 0, 3, 2)));
        m = _mm_min_ps(m, _mm_shuffle_ps(m, m, _MM_SHUFFLE(2, 3, 0, 1)));
        vi = __builtin_ctz(static_cast<unsigned>(_mm_movemask_ps(_mm_cmpeq_ps(v, m))));
    } else {
        for (int i = 1; i < 4; ++i)
            if (vs[i] < vs[vi]) vi = i;
    }
    c.vslot = c.e1->particles[static_cast<size_t>(vi)];
    c.dv = vs[vi];

    // 8. Side: a and b of the four sides of B2 at once.
    const __m256d q1x = _mm256_set_pd(x2[ends[6]], x2[ends[4]], x2[ends[2]], x2[ends[0]]);
    const __m256d q1y = _mm256_set_pd(y2[ends[6]], y2[ends[4]], y2[ends[2]], y2[ends[0]]);
    const __m256d q2x = _mm256_set_pd(x2[ends[7]], x2[ends[5]], x2[ends[3]], x2[ends[1]]);
    const __m256d q2y = _mm256_set_pd(y2[ends[7]], y2[ends[5]], y2[ends[3]], y2[ends[1]]);
    const __m256d cvx = _mm256_set1_pd(c.cv.x), cvy = _mm256_set1_pd(c.cv.y);
    const __m256d cx = _mm256_set1_pd(c2.x), cy = _mm256_set1_pd(c2.y);
    const __m256d a = _mm256_add_pd(_mm256_mul_pd(nx, _mm256_sub_pd(_mm256_add_pd(q1x, cvx), cx)),
                                    _mm256_mul_pd(ny, _mm256_sub_pd(_mm256_add_pd(q1y, cvy), cy)));
    const __m256d b = _mm256_add_pd(_mm256_mul_pd(nx, _mm256_sub_pd(_mm256_add_pd(q2x, cvx), cx)),
                                    _mm256_mul_pd(ny, _mm256_sub_pd(_mm256_add_pd(q2y, cvy), cy)));
    const __m256d sign = _mm256_set1_pd(-0.0);
    const __m256d limit = _mm256_set1_pd(0.001);
    const __m256d level = _mm256_cmp_pd(_mm256_andnot_pd(sign, _mm256_sub_pd(a, b)), limit, _CMP_LT_OQ);
    // (a + b) / 2 as a product: halving is exact, so both give the same bits.
    const __m256d middle = _mm256_sub_pd(_mm256_mul_pd(_mm256_add_pd(a, b), _mm256_set1_pd(0.5)),
                                         _mm256_set1_pd(static_cast<double>(c.dv)));
    const __m256d near = _mm256_cmp_pd(_mm256_andnot_pd(sign, middle), limit, _CMP_LT_OQ);
    const int qualifying = _mm256_movemask_pd(_mm256_and_pd(level, near));
    const int k = qualifying != 0 ? __builtin_ctz(static_cast<unsigned>(qualifying)) : 3;
    c.touched = c.e2->constraints[static_cast<size_t>(k)];

    // 9-14 on the gathered positions (unchanged so far in this test); every particle's entity is the
    // one that lists it, so the masses are the entities'.
    const int ia = ends[2 * k], ib = ends[2 * k + 1];
    const int32_t aslot = c.e2->particles[static_cast<size_t>(ia)];
    const int32_t bslot = c.e2->particles[static_cast<size_t>(ib)];
    const int32_t vslot = c.vslot;
    Particle* pw = w.particles.data();
    const double ax = x2[ia], ay = y2[ia], bx = x2[ib], by = y2[ib], vx = x1[vi], vy = y1[vi];
    const Vec2 cv = c.cv;
    const double sx = bx - ax, sy = by - ay;
    float t;
    if (std::fabs(sx) > std::fabs(sy))
        t = static_cast<float>((vx - cv.x - ax) / sx);
    else if (sy != 0)
        t = static_cast<float>((vy - cv.y - ay) / sy);
    else
        t = 0.5f;
    const float ma = c.e2->m, mv = c.e1->m;
    const Moves moves = CorrectionMoves(cv, t, ma, mv, mv, ma);
    if (!moves.finite) return 0;
    if (sink != nullptr && (mv == 0 || ma == 0)) { // a static body's particles are shared by the lanes
        for (const auto& [slot, mark, still] :
             {std::tuple{vslot, 1, mv == 0}, std::tuple{aslot, 2, ma == 0}, std::tuple{bslot, 2, ma == 0}}) {
            if (still)
                sink->marks->push_back({sink->item, slot, static_cast<uint8_t>(mark)});
            else
                pw[slot].contact = static_cast<uint8_t>(mark);
        }
    } else {
        pw[vslot].contact = 1;
        pw[aslot].contact = 2;
        pw[bslot].contact = 2;
    }
    RecordIfNew(w, s, c, aslot, bslot, vslot, sink);
    if (ma != 0) {
        pw[aslot].p.x = ax + moves.ax;
        pw[aslot].p.y = ay + moves.ay;
        pw[bslot].p.x = bx + moves.bx;
        pw[bslot].p.y = by + moves.by;
    }
    if (mv != 0) {
        pw[vslot].p.x = vx - moves.vx;
        pw[vslot].p.y = vy - moves.vy;
    }
    return 1;
}

#endif

} // namespace

namespace physics_internal {

int CollideQuadPair(World& w, PhysicsScratch& s, int32_t b1, int32_t b2, const LaneSink& sink) {
#if defined(__x86_64__)
    return CollideQuads(w, s, b1, b2, &s.quadEnds[8 * static_cast<size_t>(b1)],
                        &s.quadEnds[8 * static_cast<size_t>(b2)], &s.quadLanes[16 * static_cast<size_t>(b1)],
                        &s.quadLanes[16 * static_cast<size_t>(b2)], &sink);
#else
    (void)sink;
    return CollideEntityPair(w, s, b1, b2);
#endif
}

void FlushLaneSinks(World& w, PhysicsScratch& s) {
    std::vector<PendingMark>& marks = s.pendingMarks[0];
    marks.insert(marks.end(), s.pendingMarks[1].begin(), s.pendingMarks[1].end());
    s.pendingMarks[1].clear();
    // An item's marks stay in the order it made them.
    std::stable_sort(marks.begin(), marks.end(),
                     [](const PendingMark& a, const PendingMark& b) { return a.item < b.item; });
    for (const PendingMark& m : marks) w.particles[static_cast<size_t>(m.particle)].contact = m.mark;
    marks.clear();
    if (s.pendingContacts[0].empty() && s.pendingContacts[1].empty()) return; // most passes after the first
    // An item finds at most one contact: place them by item, then record them in that order.
    std::vector<int32_t>& byItem = s.pendingByItem;
    byItem.assign(w.collisionPairs.size(), -1);
    for (int l = 0; l < 2; ++l) {
        const std::vector<PendingContact>& found = s.pendingContacts[l];
        for (size_t k = 0; k < found.size(); ++k)
            byItem[static_cast<size_t>(found[k].item)] = static_cast<int32_t>(2 * k + static_cast<size_t>(l));
    }
    for (int32_t at : byItem) {
        if (at < 0) continue;
        const PendingContact& p = s.pendingContacts[at & 1][static_cast<size_t>(at >> 1)];
        RecordMoving(w, s, p.edge1, p.edge2, p.vertex, Vec2{p.pushX, p.pushY}, p.speed, p.impact);
    }
    s.pendingContacts[0].clear();
    s.pendingContacts[1].clear();
}

void ProbeSimd(PhysicsScratch& s) {
    if (s.simdLevel >= 0) return;
#if defined(__x86_64__)
    __builtin_cpu_init();
    s.simdLevel = __builtin_cpu_supports("avx2") ? 2 : 1;
#else
    s.simdLevel = 0;
#endif
}

} // namespace physics_internal

int CollideEntityPair(World& w, PhysicsScratch& s, int32_t b1, int32_t b2) {
    const Entity& e1 = w.entities[static_cast<size_t>(b1)];
    const Entity& e2 = w.entities[static_cast<size_t>(b2)];
    const int n1 = e1.particlecount();
    const int n2 = e2.particlecount();
    if (n1 == 0 || n2 == 0 || e1.constraintcount() + e2.constraintcount() == 0) return 0;

    Axis axis;
    if (s.reference) {
        if (!ChooseAxisPlain(w, b1, b2, axis)) return 0;
    }
#if defined(__x86_64__)
    else if (s.simdLevel >= 2 && s.quadStamp == s.contactIndexStamp && s.contactIndexLive &&
             s.entityQuad[static_cast<size_t>(b1)] && s.entityQuad[static_cast<size_t>(b2)]) {
        return CollideQuads(
            w, s, b1, b2, &s.quadEnds[8 * static_cast<size_t>(b1)], &s.quadEnds[8 * static_cast<size_t>(b2)],
            &s.quadLanes[16 * static_cast<size_t>(b1)], &s.quadLanes[16 * static_cast<size_t>(b2)]);
    }
#endif
    else {
        std::vector<double>& buf = s.gathered;
        const size_t need = 2 * static_cast<size_t>(n1 + n2);
        if (buf.size() < need) buf.resize(std::max(need, 4 * static_cast<size_t>(kMaxEntityParticles)));
        double* g = buf.data();
        const Particle* ps = w.particles.data();
        for (int i = 0; i < n1; ++i) {
            const Vec2& p = ps[e1.particles[static_cast<size_t>(i)]].p;
            g[i] = p.x;
            g[n1 + i] = p.y;
        }
        double* h = g + 2 * n1;
        for (int i = 0; i < n2; ++i) {
            const Vec2& p = ps[e2.particles[static_cast<size_t>(i)]].p;
            h[i] = p.x;
            h[n2 + i] = p.y;
        }
        if (!ChooseAxisFast(w, s, e1, e2, Gathered{g, g + n1, n1}, Gathered{h, h + n2, n2}, axis)) return 0;
    }
    if (!axis.found) return 0; // no side with a direction: nothing to test against
    return Resolve(w, s, b1, b2, axis);
}
