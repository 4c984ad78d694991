#include <gtest/gtest.h>

#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "common/text.h"

TEST(ParseCommand, WordAndArguments) {
    ParsedCommand c = ParseCommand("ScreenSolution(1024,768)");
    EXPECT_EQ(c.word, "ScreenSolution");
    EXPECT_EQ(c.args[1], "1024");
    EXPECT_EQ(c.args[2], "768");
    EXPECT_EQ(c.count, 2);

    c = ParseCommand("ScreenSolution(800, 600)"); // not trimmed
    EXPECT_EQ(c.args[2], " 600");

    c = ParseCommand("noparen");
    EXPECT_EQ(c.word, "");
    EXPECT_EQ(c.args[1], ""); // no ")" after the start: empty

    c = ParseCommand("setvar(a,max(1,2))"); // a comma inside brackets also splits
    EXPECT_EQ(c.args[1], "a");
    EXPECT_EQ(c.args[2], "max(1");
    EXPECT_EQ(c.args[3], "2");

    c = ParseCommand("levelstart()");
    EXPECT_EQ(c.word, "levelstart");
    EXPECT_EQ(c.args[1], "");
}

TEST(ParseCommand, TwentyArgumentsAtMost) {
    std::string line = "w(";
    for (int i = 1; i <= 25; ++i) line += std::to_string(i) + (i < 25 ? "," : ")");
    ParsedCommand c = ParseCommand(line);
    EXPECT_EQ(c.count, 20);
    EXPECT_EQ(c.args[20], "20");
}

TEST(ParseCommand, KeepingEarlierArguments) {
    std::array<std::string, 21> args;
    SplitArgumentsKeeping("Entity(1.000000,1.000000,2,box)", args);
    SplitArgumentsKeeping("Cam(5,6)", args);
    EXPECT_EQ(args[1], "5");
    EXPECT_EQ(args[2], "6");
    EXPECT_EQ(args[3], "2"); // a shorter line keeps what an earlier line set
    EXPECT_EQ(args[4], "box");
}

TEST(Numbers, LeadingIntegerRule) {
    EXPECT_EQ(ReadInt(" 600"), 600);
    EXPECT_EQ(ReadInt("\t-7x"), -7);
    EXPECT_EQ(ReadInt("12.500000"), 12);
    EXPECT_EQ(ReadInt("abc"), 0);
    EXPECT_EQ(ReadInt("+5"), 5);
    EXPECT_EQ(ReadInt("99999999999999999999"), INT32_MAX);
    EXPECT_EQ(ReadInt("-99999999999999999999"), INT32_MIN);
    EXPECT_EQ(ReadInt64("9223372036854775807"), INT64_MAX);
}

TEST(Numbers, FloatsReadAndWritten) {
    EXPECT_FLOAT_EQ(ReadFloat("0.5"), 0.5f);
    EXPECT_FLOAT_EQ(ReadFloat(" 1e2"), 100.0f);
    EXPECT_EQ(ReadFloat("junk"), 0.0f);
    EXPECT_TRUE(std::isinf(ReadFloat("1e400")));
    EXPECT_EQ(FormatFloat6(0.5f), "0.500000");
    EXPECT_EQ(FormatFloat6(-12.0f), "-12.000000");
    EXPECT_EQ(FormatFloat6(1.0f), "1.000000");
    EXPECT_EQ(FormatFloat6(INFINITY), "+Infinity");
    EXPECT_EQ(FormatFloat6(-INFINITY), "-Infinity");
    EXPECT_EQ(FormatFloat6(0.1f), "0.100000");
    EXPECT_EQ(FormatRounded(2.5), "2");
    EXPECT_EQ(FormatRounded(3.5), "4");
    EXPECT_EQ(FormatRounded(-0.4), "0");
    EXPECT_EQ(FormatRounded(-2.5), "-2");
}

#if !defined(__EMSCRIPTEN__) // no floating-point to_chars in that library
// Level files are written with FormatFloat6; it must give the bytes to_chars gives in fixed form with six
// decimals, for every finite single-precision value: both signs of zero, subnormals, the largest value,
// values just under a rounding step, and bit patterns spread over every exponent.
TEST(Numbers, SixDecimalsAsToChars) {
    auto same = [](float f) {
        char buf[64];
        auto res = std::to_chars(buf, buf + sizeof buf, static_cast<double>(f), std::chars_format::fixed, 6);
        return FormatFloat6(f) == std::string(buf, res.ptr);
    };
    for (float f : {0.0f,           -0.0f,        FLT_MIN,       -FLT_MIN,      FLT_MAX,
                    -FLT_MAX,       FLT_TRUE_MIN, -FLT_TRUE_MIN, 4.9999995e-7f, 5.0000006e-7f,
                    -4.9999995e-7f, 0.9999995f,   0.99999994f,   1.0000005f,    123456.7890625f,
                    8388608.5f,     16777216.0f,  1e10f,         -2.5e-6f,      0.0000015f})
        EXPECT_TRUE(same(f)) << f;
    uint32_t state = 1;
    int failures = 0;
    for (int i = 0; i < 300000 && failures < 5; ++i) {
        state = state * 1664525u + 1013904223u;
        uint32_t bits = state;
        if (i % 3 == 0)
            bits = (bits & 0x807fffffu) | (static_cast<uint32_t>(i / 3 % 255) << 23); // every exponent
        float f;
        std::memcpy(&f, &bits, sizeof f);
        if (!std::isfinite(f)) continue;
        if (!same(f)) {
            ++failures;
            ADD_FAILURE() << "bits " << bits;
        }
    }
}
#endif

TEST(Paths, StoredAndNativeForms) {
    EXPECT_EQ(NativePath("levels\\sub\\a.lvl"), "levels/sub/a.lvl");
    EXPECT_EQ(StoredPath("levels/a.lvl"), "levels\\a.lvl");
    EXPECT_TRUE(ContainsNoCase("LoadTrigger(x)", "loadtrigger"));
    EXPECT_EQ(ToLower("AnD"), "and");
}
