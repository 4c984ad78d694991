// Contact friction, applied in every iteration to every contact recorded so far in the step.
//
// The plain path reads everything from the tables. Within a step the fast path first notes, once per
// contact, what stays fixed for the rest of the step (the particles, the two frictions and masses, |push|,
// and for half-space contacts the tangent and the friction vector) and then does the same arithmetic on
// the notes in the same order.
#include <algorithm>
#include <cmath>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

#include "physics/internal.h"
#include "physics/physics.h"

namespace physics_internal {
namespace {

// Turns the friction vector against the sliding: negated when it points the same way as wt on its larger
// axis.
inline void OpposeSliding(Vec2& f, const Vec2& wt) {
    if (std::fabs(f.x) > std::fabs(f.y)) {
        if ((f.x > 0 && wt.x > 0) || (f.x < 0 && wt.x < 0)) f = {-f.x, -f.y};
    } else {
        if ((f.y > 0 && wt.y > 0) || (f.y < 0 && wt.y < 0)) f = {-f.x, -f.y};
    }
}

inline double Length(double x, double y) {
    return std::sqrt(x * x + y * y);
}

// A friction move that is not a finite number (bodies thrown far beyond single precision, frictions and
// masses whose products overflow) is skipped, so that no NaN enters a position.
inline bool Finite(const Vec2& v) {
    return std::isfinite(v.x) && std::isfinite(v.y);
}

void FrictionPlain(World& w) {
    Particle* ps = w.particles.data();
    const Entity* es = w.entities.data();
    const double iterations = w.sim.iterations;
    const int32_t n = w.contactCount;
    for (int32_t k = 1; k <= n; ++k) {
        Contact& c = w.contacts[static_cast<size_t>(k)];
        if (c.kind == 0) {
            Particle& a = ps[c.edge1];
            Particle& b = ps[c.edge2];
            Particle& v = ps[c.vertex];
            const Entity& ev = es[v.parent];
            const Entity& ea = es[a.parent];
            Vec2 tau = b.p - a.p;
            tau.Normalise();
            const Vec2 rel = (b.p - b.oldp) - (v.p - v.oldp);
            const Vec2 wt = tau * tau.Dot(rel);
            Vec2 f = tau * ev.f * ea.f * c.push.Length() / iterations;
            const bool vStatic = ev.m == 0;
            const bool aStatic = ea.m == 0;
            if (vStatic || aStatic) {
                if (wt.Length() < f.Length()) f = wt * -1;
            } else if (wt.Length() / 3 < f.Length()) {
                f = wt * -1 / 3;
            }
            OpposeSliding(f, wt);
            c.serial = 0;
            if (!vStatic && !aStatic) {
                const float mass = ea.m + ev.m;
                if (mass != 0) {
                    const float ka = 2 * ev.m / mass;
                    const float kv = 2 * ea.m / mass;
                    const Vec2 side = f * ka;
                    const Vec2 vertex = f * 2 * kv;
                    if (!Finite(side) || !Finite(vertex)) continue;
                    a.p += side;
                    b.p += side;
                    v.p -= vertex;
                }
            } else if (!Finite(f)) {
                continue;
            } else if (vStatic && !aStatic) {
                a.p += f;
                b.p += f;
            } else if (aStatic && !vStatic) {
                v.p -= f;
            }
        } else if (c.kind == 2) {
            Particle& v = ps[c.vertex];
            const Entity& ev = es[v.parent];
            Vec2 tau{c.push.y, -c.push.x};
            tau.Normalise();
            const Vec2 rel = v.oldp - v.p; // the reversed velocity
            const Vec2 wt = tau * tau.Dot(rel);
            Vec2 f = tau * ev.f / iterations;
            if (wt.Length() < f.Length()) f = wt * -1;
            OpposeSliding(f, wt);
            if (ev.m != 0 && Finite(f)) v.p -= f;
            c.serial = 0;
        }
    }
}

enum : uint8_t { kBothDynamic, kVertexStatic, kSideStatic, kBothStatic };

void NoteContact(World& w, int32_t k, FrictionNote& note) {
    const Contact& c = w.contacts[static_cast<size_t>(k)];
    const Particle* ps = w.particles.data();
    const Entity* es = w.entities.data();
    const double iterations = w.sim.iterations;
    note.kind = c.kind;
    note.v = c.vertex;
    const Entity& ev = es[ps[c.vertex].parent];
    if (c.kind == 0) {
        note.a = c.edge1;
        note.b = c.edge2;
        const Entity& ea = es[ps[c.edge1].parent];
        note.fv = ev.f;
        note.fa = ea.f;
        note.pushLength = c.push.Length();
        const bool vStatic = ev.m == 0;
        const bool aStatic = ea.m == 0;
        note.mode =
            vStatic ? (aStatic ? kBothStatic : kVertexStatic) : (aStatic ? kSideStatic : kBothDynamic);
        const float mass = ea.m + ev.m;
        if (note.mode == kBothDynamic && mass == 0) note.mode = kBothStatic; // no defined shares: no effect
        if (note.mode == kBothDynamic) {
            note.ka = 2 * ev.m / mass;
            note.kv = 2 * ea.m / mass;
        }
    } else if (c.kind == 2) {
        note.a = note.b = 0;
        Vec2 tau{c.push.y, -c.push.x};
        tau.Normalise();
        note.tx = tau.x;
        note.ty = tau.y;
        note.fx = tau.x * ev.f / iterations;
        note.fy = tau.y * ev.f / iterations;
        note.fLength = Length(note.fx, note.fy);
        note.mode = ev.m == 0 ? kBothStatic : kBothDynamic;
    }
}

#if defined(__x86_64__)

// Two-lane helpers: (x, y) in one register. Every lane operation is the scalar operation of that
// component, so the results are those of the scalar code.
inline __m128d Load(const double* p) {
    return _mm_loadu_pd(p);
}
inline void Store(double* p, __m128d v) {
    _mm_storeu_pd(p, v);
}
inline __m128d Select(__m128d mask, __m128d yes, __m128d no) {
    return _mm_or_pd(_mm_and_pd(mask, yes), _mm_andnot_pd(mask, no));
}
inline __m128d Broadcast(double v) {
    return _mm_set1_pd(v);
}
// x * x + y * y of the two lanes, in lane 0.
inline double SumOfSquares(__m128d v) {
    const __m128d sq = _mm_mul_pd(v, v);
    return _mm_cvtsd_f64(_mm_add_sd(sq, _mm_unpackhi_pd(sq, sq)));
}
inline double Dot(__m128d a, __m128d b) {
    const __m128d m = _mm_mul_pd(a, b);
    return _mm_cvtsd_f64(_mm_add_sd(m, _mm_unpackhi_pd(m, m)));
}

// Decides sqrt(sw) (or sqrt(sw) / 3) < sqrt(sf) from the squares when they are clearly apart (scale 1 or
// 9), and by `exact` otherwise. Away from ties the rounding of the square roots and of the division by 3
// (half an ulp each) cannot reverse the order, so the answer is that of the computed lengths; a margin of
// 1e-9 lies far beyond those roundings. Values too small or not finite take the exact way.
template <typename Exact> inline bool LengthBelow(double sw, double sf, double scale, Exact exact) {
    constexpr double kMargin = 1e-9;
    constexpr double kTiny = 1e-280;
    const double bound = sf * scale;
    if (sf >= kTiny && sf <= 1e280 && sw <= 1e280) {
        if (sw < bound * (1 - kMargin)) return true;
        if (sw > bound * (1 + kMargin)) return false;
    }
    return exact();
}

// Every lane of a and b is finite (x * 0 is 0 for a finite x, NaN otherwise).
inline bool Finite(__m128d a, __m128d b) {
    const __m128d zero = _mm_setzero_pd();
    const __m128d probe = _mm_add_pd(_mm_mul_pd(a, zero), _mm_mul_pd(b, zero));
    return _mm_movemask_pd(_mm_cmpunord_pd(probe, probe)) == 0;
}

// OpposeSliding without branches.
inline __m128d Oppose(__m128d f, __m128d wt) {
    const __m128d sign = _mm_set1_pd(-0.0);
    const __m128d zero = _mm_setzero_pd();
    const __m128d absF = _mm_andnot_pd(sign, f);
    const __m128d xLarger = _mm_cmpgt_sd(absF, _mm_unpackhi_pd(absF, absF)); // lane 0
    const __m128d same = _mm_or_pd(_mm_and_pd(_mm_cmpgt_pd(f, zero), _mm_cmpgt_pd(wt, zero)),
                                   _mm_and_pd(_mm_cmplt_pd(f, zero), _mm_cmplt_pd(wt, zero)));
    const __m128d pick = _mm_unpacklo_pd(xLarger, xLarger);
    const __m128d flip = Select(pick, _mm_unpacklo_pd(same, same), _mm_unpackhi_pd(same, same));
    return _mm_xor_pd(f, _mm_and_pd(flip, sign));
}

// Friction of contact k from its note; the arithmetic of FrictionPlain.
__attribute__((always_inline)) inline void FrictionItem(Particle* ps, Contact* cs, const FrictionNote& note,
                                                        int32_t k, __m128d iterations) {
    const __m128d zero = _mm_setzero_pd();
    const __m128d sign = _mm_set1_pd(-0.0);
    const __m128d three = Broadcast(3);
    const __m128d two = Broadcast(2);
    if (note.kind == 0) {
        cs[k].serial = 0;
        if (note.mode == kBothStatic) return;
        Particle& a = ps[note.a];
        Particle& b = ps[note.b];
        Particle& v = ps[note.v];
        const __m128d pa = Load(&a.p.x), pb = Load(&b.p.x), pv = Load(&v.p.x);
        const __m128d t = _mm_sub_pd(pb, pa);
        const __m128d len = Broadcast(std::sqrt(SumOfSquares(t)));
        const __m128d tau = Select(_mm_cmpneq_pd(len, zero), _mm_div_pd(t, len), t);
        const __m128d rel = _mm_sub_pd(_mm_sub_pd(pb, Load(&b.oldp.x)), _mm_sub_pd(pv, Load(&v.oldp.x)));
        const __m128d wt = _mm_mul_pd(tau, Broadcast(Dot(tau, rel)));
        __m128d f = _mm_mul_pd(_mm_mul_pd(tau, Broadcast(note.fv)), Broadcast(note.fa));
        f = _mm_div_pd(_mm_mul_pd(f, Broadcast(note.pushLength)), iterations);
        const double sw = SumOfSquares(wt), sf = SumOfSquares(f);
        const __m128d negWt = _mm_xor_pd(wt, sign);
        if (note.mode == kBothDynamic) {
            const bool limited = LengthBelow(sw, sf, 9, [&] { return std::sqrt(sw) / 3 < std::sqrt(sf); });
            if (limited) f = _mm_div_pd(negWt, three);
            f = Oppose(f, wt);
            const __m128d fa = _mm_mul_pd(f, Broadcast(note.ka));
            const __m128d fv = _mm_mul_pd(_mm_mul_pd(f, two), Broadcast(note.kv));
            if (!Finite(fa, fv)) return;
            Store(&a.p.x, _mm_add_pd(pa, fa));
            Store(&b.p.x, _mm_add_pd(Load(&b.p.x), fa));
            Store(&v.p.x, _mm_sub_pd(Load(&v.p.x), fv));
        } else {
            const bool limited = LengthBelow(sw, sf, 1, [&] { return std::sqrt(sw) < std::sqrt(sf); });
            if (limited) f = negWt;
            f = Oppose(f, wt);
            if (!Finite(f, f)) return;
            if (note.mode == kVertexStatic) {
                Store(&a.p.x, _mm_add_pd(pa, f));
                Store(&b.p.x, _mm_add_pd(Load(&b.p.x), f));
            } else {
                Store(&v.p.x, _mm_sub_pd(pv, f));
            }
        }
    } else if (note.kind == 2) {
        cs[k].serial = 0;
        if (note.mode == kBothStatic) return;
        Particle& v = ps[note.v];
        const __m128d pv = Load(&v.p.x);
        const __m128d tau = Load(&note.tx);
        const __m128d wt = _mm_mul_pd(tau, Broadcast(Dot(tau, _mm_sub_pd(Load(&v.oldp.x), pv))));
        const double sw = SumOfSquares(wt);
        const double fl = note.fLength;
        const bool limited = LengthBelow(sw, fl * fl, 1, [&] { return std::sqrt(sw) < fl; });
        const __m128d f = Oppose(limited ? _mm_xor_pd(wt, sign) : Load(&note.fx), wt);
        if (!Finite(f, f)) return;
        Store(&v.p.x, _mm_sub_pd(pv, f));
    }
}

// Notes the contacts recorded since the last pass.
FrictionNote* NoteNewContacts(World& w, PhysicsScratch& s) {
    const int32_t n = w.contactCount;
    if (s.frictionNotes.size() != static_cast<size_t>(kTableSlots))
        s.frictionNotes.resize(static_cast<size_t>(kTableSlots));
    FrictionNote* notes = s.frictionNotes.data();
    for (int32_t k = s.frictionCached + 1; k <= n; ++k) NoteContact(w, k, notes[k]);
    s.frictionCached = n;
    return notes;
}

void FrictionFast(World& w, PhysicsScratch& s) {
    const FrictionNote* notes = NoteNewContacts(w, s);
    Particle* ps = w.particles.data();
    Contact* cs = w.contacts.data();
    const __m128d iterations = Broadcast(w.sim.iterations);
    const int32_t n = w.contactCount;
    for (int32_t k = 1; k <= n; ++k) FrictionItem(ps, cs, notes[k], k, iterations);
}

// Adds the contacts recorded since the last pass to the friction schedule on the entity lanes of the pair
// walk. False (for the rest of the step) once a contact moves a side whose ends belong to different bodies.
bool PlanFrictionLanes(World& w, PhysicsScratch& s) {
    const int32_t n = w.contactCount;
    if (s.frictionPlanned < 0) return false;
    if (s.frictionPlanned == n && n > 0) return true; // with none, the plan still drops an earlier step's
    const int32_t from = s.frictionPlanned;
    const FrictionNote* notes = s.frictionNotes.data();
    const Particle* ps = w.particles.data();
    const Entity* es = w.entities.data();
    s.itemFirst.resize(static_cast<size_t>(n));
    s.itemSecond.resize(static_cast<size_t>(n));
    auto moving = [&](int32_t particle) {
        const int32_t e = ps[particle].parent;
        return es[e].m != 0 ? e : 0;
    };
    for (int32_t k = from + 1; k <= n; ++k) {
        const FrictionNote& note = notes[k];
        int32_t a = 0, b = 0;
        if (note.kind == 0) {
            if (ps[note.a].parent != ps[note.b].parent) {
                s.frictionPlanned = -1;
                return false;
            }
            a = moving(note.v);
            b = moving(note.a);
        } else if (note.kind == 2) {
            a = moving(note.v);
        }
        s.itemFirst[static_cast<size_t>(k) - 1] = a;
        s.itemSecond[static_cast<size_t>(k) - 1] = b;
    }
    ExtendLanes(w, s, s.itemFirst.data(), s.itemSecond.data(), from, n, s.frictionLanes);
    s.frictionPlanned = n;
    return true;
}

bool FrictionLane(World& w, PhysicsScratch& s, int lane) {
    const FrictionNote* notes = s.frictionNotes.data();
    Particle* ps = w.particles.data();
    Contact* cs = w.contacts.data();
    const __m128d iterations = Broadcast(w.sim.iterations);
    return WalkLane(s, s.frictionLanes, lane,
                    [&](int32_t item) { FrictionItem(ps, cs, notes[item + 1], item + 1, iterations); });
}

// Friction on two lanes when the pair walk of this step runs on them; else on one.
void FrictionFastOnLanes(World& w, PhysicsScratch& s) {
    if (!s.pairsOnLanes || s.entityLanesStamp != s.contactIndexStamp) {
        FrictionFast(w, s);
        return;
    }
    NoteNewContacts(w, s);
    if (!PlanFrictionLanes(w, s)) {
        FrictionFast(w, s);
        return;
    }
    RunOnLanes(w, s, FrictionLane);
}

#else

void FrictionFast(World& w, PhysicsScratch&) {
    FrictionPlain(w);
}

void FrictionFastOnLanes(World& w, PhysicsScratch&) {
    FrictionPlain(w);
}

#endif

} // namespace

void RunFriction(World& w, PhysicsScratch& s) {
    if (!s.reference && s.contactIndexLive)
        FrictionFastOnLanes(w, s);
    else
        FrictionPlain(w);
}

} // namespace physics_internal

void ApplyContactFriction(World& w, PhysicsScratch& s) {
    physics_internal::RunFriction(w, s);
}
