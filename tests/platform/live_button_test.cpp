#include <gtest/gtest.h>

#include <string>

#include "platform/platform.h"

namespace {

// What the frames see of a button: one entry a sample.
std::string Frames(LiveButton& b, int samples) {
    std::string seen;
    for (int i = 0; i < samples; ++i) {
        seen += b.held ? 'x' : '.';
        b.Sampled();
    }
    return seen;
}

TEST(LiveButton, AClickOfAnyLengthIsSeenDownInTwoFramesAtLeast) {
    LiveButton instant; // pressed and let go before any frame sampled it
    instant.Press();
    instant.Release();
    EXPECT_EQ(Frames(instant, 4), "xx..");

    LiveButton oneFrame; // let go after one frame had seen it
    oneFrame.Press();
    EXPECT_EQ(Frames(oneFrame, 1), "x");
    oneFrame.Release();
    EXPECT_EQ(Frames(oneFrame, 3), "x..");

    LiveButton held; // a longer press is let go at once
    held.Press();
    EXPECT_EQ(Frames(held, 3), "xxx");
    held.Release();
    EXPECT_EQ(Frames(held, 1), ".");

    LiveButton again; // a new press in the same frame as a pending release keeps it down
    again.Press();
    again.Release();
    again.Press();
    EXPECT_EQ(Frames(again, 3), "xxx");
}

} // namespace
