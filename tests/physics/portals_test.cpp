// Portals: passages, the 98 % exit speed and the cases that must not teleport.
#include <gtest/gtest.h>

#include "physics_helpers.h"

namespace {

// A body of one particle moving from (ox, oy) to (x, y) this step.
int32_t Mover(World& w, double ox, double oy, double x, double y) {
    int32_t e = NewEntity(w, 1, 1);
    int32_t p = RestingParticle(w, e, x, y);
    w.particles[static_cast<size_t>(p)].oldp = {ox, oy};
    return p;
}

// Vertical portals at x = 0 and x = 500, from y = -50 to 50; the first sends to the second.
void Pair(World& w) {
    NewPortal(w, 500, -50, 500, 50);
    NewPortal(w, 0, -50, 0, 50);
    w.portals[1].connected = w.portals[0].uid;
}

} // namespace

TEST(PhysicsPortals, PassageKeepsNinetyEightPercentOfTheSpeedAcross) {
    auto w = EmptyWorld();
    Pair(*w);
    int32_t p = Mover(*w, -2, 0, 3, 0);
    TeleportThroughPortals(*w);
    EXPECT_EQ(P(*w, p).p, (Vec2{495, 0}));
    EXPECT_EQ(P(*w, p).oldp, (Vec2{500 - 0.1, 0}));
    EXPECT_NEAR(P(*w, p).oldp.x - P(*w, p).p.x, 0.98 * 5, 1e-12);

    // Motion along the portal survives the passage.
    int32_t q = Mover(*w, -2, 10, 3, 14);
    TeleportThroughPortals(*w);
    EXPECT_EQ(P(*w, q).p.y - P(*w, q).oldp.y, 4);
}

TEST(PhysicsPortals, OnlyCrossingsWithinTheSegmentTeleport) {
    auto w = EmptyWorld();
    Pair(*w);
    int32_t fromLine = Mover(*w, 0, 0, 5, 0);   // old centre on the line: no
    int32_t ontoLine = Mover(*w, 5, 0, 0, 10);  // new centre onto the line: yes
    int32_t beyond = Mover(*w, -2, 60, 3, 60);  // past the end
    int32_t atLow = Mover(*w, -2, -50, 3, -50); // on the lower end: outside (lo < z)
    int32_t atHigh = Mover(*w, -2, 50, 3, 50);  // on the upper end: inside (z <= hi)
    int32_t along = Mover(*w, 0, -20, 0, 20);   // moving along the line
    TeleportThroughPortals(*w);
    EXPECT_EQ(P(*w, fromLine).p.x, 5);
    EXPECT_GT(P(*w, ontoLine).p.x, 400);
    EXPECT_EQ(P(*w, beyond).p.x, 3);
    EXPECT_EQ(P(*w, atLow).p.x, 3);
    EXPECT_GT(P(*w, atHigh).p.x, 400);
    EXPECT_EQ(P(*w, along).p, (Vec2{0, 20}));
}

TEST(PhysicsPortals, UnconnectedAndZeroLengthPortalsSendNothing) {
    auto w = EmptyWorld();
    NewPortal(*w, 0, -50, 0, 50);                        // not connected
    NewPortal(*w, 100, -50, 100, 50).connected = 999999; // connected to nothing that exists
    Portal& dot = NewPortal(*w, 200, 0, 200, 0);         // no length
    dot.connected = dot.uid;
    int32_t a = Mover(*w, -2, 0, 3, 0);
    int32_t b = Mover(*w, 98, 0, 103, 0);
    int32_t c = Mover(*w, 198, 0, 203, 0);
    NewEntity(*w, 1, 1); // no particles: no old centre
    TeleportThroughPortals(*w);
    EXPECT_EQ(P(*w, a).p.x, 3);
    EXPECT_EQ(P(*w, b).p.x, 103);
    EXPECT_EQ(P(*w, c).p.x, 203);
}

TEST(PhysicsPortals, ALaterPortalSeesTheEntityAtItsNewPlace) {
    auto w = EmptyWorld();
    Pair(*w);                         // x = 0 sends to x = 500, exit at 495 moving -x
    NewPortal(*w, 497, -50, 497, 50); // the exit crosses this one
    NewPortal(*w, 1000, -50, 1000, 50);
    w->portals[2].connected = w->portals[3].uid;
    int32_t p = Mover(*w, -2, 0, 3, 0);
    TeleportThroughPortals(*w);
    EXPECT_GT(P(*w, p).p.x, 900);
    // Self-connected portal: back to its middle, sent back the way it came.
    auto v = EmptyWorld();
    Portal& self = NewPortal(*v, 0, -50, 0, 50);
    self.connected = self.uid;
    int32_t q = Mover(*v, -2, 0, 3, 0);
    TeleportThroughPortals(*v);
    EXPECT_EQ(P(*v, q).p, (Vec2{-5, 0}));
}
