#include <gtest/gtest.h>

#include <cmath>

#include "common/geometry.h"
#include "common/random.h"

TEST(Geometry, IntervalDistanceAndBoxes) {
    EXPECT_DOUBLE_EQ(IntervalDistance(0, 10, 12, 20), 2);    // gap
    EXPECT_DOUBLE_EQ(IntervalDistance(12, 20, 0, 10), 2);    // either order
    EXPECT_DOUBLE_EQ(IntervalDistance(0, 10, 10, 20), 0);    // touching
    EXPECT_DOUBLE_EQ(IntervalDistance(0, 10, 5, 20), -5);    // overlapping
    EXPECT_FALSE(BoxesOverlap(0, 0, 10, 10, 10, 0, 20, 10)); // touching boxes do not overlap
    EXPECT_TRUE(BoxesOverlap(0, 0, 10, 10, 9, 9, 20, 20));
    // A box whose corners coincide tests whether the point lies strictly inside the other box.
    EXPECT_TRUE(BoxesOverlap(5, 5, 5, 5, 0, 0, 10, 10));
    EXPECT_FALSE(BoxesOverlap(10, 5, 10, 5, 0, 0, 10, 10));
}

TEST(Geometry, ClipSegmentKeepsThePartInsideTheBox) {
    double t0 = -1, t1 = -1;
    ASSERT_TRUE(ClipSegment(-10, 5, 30, 5, 0, 0, 20, 10, t0, t1)); // across, both ends outside
    EXPECT_DOUBLE_EQ(t0, 0.25);
    EXPECT_DOUBLE_EQ(t1, 0.75);
    ASSERT_TRUE(ClipSegment(5, 5, 5, 5, 0, 0, 20, 10, t0, t1)); // a dot inside
    EXPECT_EQ(t0, 0);
    EXPECT_EQ(t1, 1);
    EXPECT_FALSE(ClipSegment(-3e9, -5, 3e9, -5, 0, 0, 20, 10, t0, t1)); // beside, however long
    EXPECT_FALSE(ClipSegment(-30, 0, 0, 30, 0, 0, 20, 10, t0, t1));     // passes the corner
    EXPECT_FALSE(ClipSegment(std::nan(""), 5, 10, 5, 0, 0, 20, 10, t0, t1));
}

TEST(Geometry, SignedLineDistanceSidesAndReference) {
    // Line along +x: the normal (-(y2-y1), x2-x1) = (0, 10) points down the screen.
    EXPECT_FLOAT_EQ(SignedLineDistance(0, 0, 10, 0, 3, 4), 4.0f);
    EXPECT_FLOAT_EQ(SignedLineDistance(0, 0, 10, 0, 3, -4), -4.0f);
    // A reference point on the negative side flips the sign so its side counts as positive.
    EXPECT_FLOAT_EQ(SignedLineDistance(0, 0, 10, 0, 3, -4, 5, -1), 4.0f);
    EXPECT_FLOAT_EQ(SignedLineDistance(0, 0, 10, 0, 3, -4, 5, 1), -4.0f);
    EXPECT_FLOAT_EQ(SignedLineDistance(2, 2, 2, 2, 7, 7), 0.0f); // no line: no distance, no NaN
}

TEST(Geometry, PointBearingQuadrants) {
    const double pi = kPi;
    EXPECT_DOUBLE_EQ(PointBearing(0, 0, 0, -5), 0);
    EXPECT_DOUBLE_EQ(PointBearing(0, 0, 5, 0), pi / 2);
    EXPECT_DOUBLE_EQ(PointBearing(0, 0, 0, 5), pi);
    EXPECT_DOUBLE_EQ(PointBearing(0, 0, -5, 0), 3 * pi / 2);
    EXPECT_NEAR(PointBearing(0, 0, 5, -5), pi / 4, 1e-9);
    EXPECT_NEAR(PointBearing(0, 0, 5, 5), 3 * pi / 4, 1e-9);
    EXPECT_NEAR(PointBearing(0, 0, -5, 5), 5 * pi / 4, 1e-9);
    EXPECT_NEAR(PointBearing(0, 0, -5, -5), 7 * pi / 4, 1e-9);
    EXPECT_DOUBLE_EQ(Sign(-0.1), -1);
    EXPECT_DOUBLE_EQ(Sign(0), 0);
    EXPECT_DOUBLE_EQ(Sign(3), 1);
}

TEST(Geometry, VectorsAndRounding) {
    Vec2 v{3, 4};
    EXPECT_DOUBLE_EQ(v.Length(), 5);
    v.Normalise();
    EXPECT_DOUBLE_EQ(v.x, 0.6);
    Vec2 zero;
    zero.Normalise(); // stays unchanged
    EXPECT_EQ(zero, Vec2{});
    EXPECT_EQ(RoundHalfEven(0.5), 0);
    EXPECT_EQ(RoundHalfEven(1.5), 2);
    EXPECT_EQ(RoundHalfEven(2.5), 2);
    EXPECT_EQ(RoundHalfEven(-2.5), -2);
    EXPECT_EQ(RoundHalfEven(2.5000001), 3);
    EXPECT_EQ(RoundToInt(1e300), INT32_MAX);
    EXPECT_EQ(RoundToInt(std::nan("")), 0);
    Vec2 r = RotatePoint(10, 0, 0, 0, 90); // a quarter turn clockwise on the screen
    EXPECT_NEAR(r.x, 0, 1e-9);
    EXPECT_NEAR(r.y, 10, 1e-9);
}

TEST(Random, WrittenOutRangeReduction) {
    Rng a(42), b(42);
    std::mt19937 raw(42);
    for (int i = 0; i < 1000; ++i) {
        uint32_t g = raw();
        int32_t expect = static_cast<int32_t>((static_cast<uint64_t>(g) * 15u) >> 32);
        int32_t got = Random(a, 14);
        ASSERT_EQ(got, expect);
        ASSERT_GE(got, 0);
        ASSERT_LE(got, 14);
        (void)Random(b, 14);
    }
    EXPECT_EQ(Random(a, -1), 0);
    EXPECT_EQ(Random(a, 0), 0);
    // The first values of the default seed never change between compilers.
    Rng c(5489u);
    EXPECT_EQ(Random(c, 1000), static_cast<int32_t>((uint64_t{3499211612u} * 1001) >> 32));
}

TEST(Geometry, ConvexHullKeepsTheCornersAndDropsWhatLiesInsideOrOnALine) {
    const std::vector<Vec2> square = ConvexHull({{0, 0}, {10, 0}, {5, 5}, {10, 10}, {0, 10}, {5, 0}});
    ASSERT_EQ(square.size(), 4u);
    for (const Vec2& c : square) EXPECT_TRUE((c.x == 0 || c.x == 10) && (c.y == 0 || c.y == 10));
    EXPECT_TRUE(ConvexHull({{0, 0}, {1, 1}, {2, 2}}).size() < 3); // a line encloses nothing
}
