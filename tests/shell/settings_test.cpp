// Start-up: the settings file, the screen and its failures, the image catalogue.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "platform/test_platform.h"
#include "shell/program.h"
#include "support/temp_dir.h"

namespace {

bool Start(const std::string* settings, TestPlatform& plat, Program& prog) {
    if (settings) TempWorkDir::Write("settings.ini", *settings);
    return StartProgram(prog, plat);
}

} // namespace

TEST(Settings, WindowedOnlyOpensDefaultSize) {
    TempWorkDir dir;
    TestPlatform plat;
    auto prog = std::make_unique<Program>();
    std::string s = "Windowed(1)\r\n";
    ASSERT_TRUE(Start(&s, plat, *prog));
    EXPECT_EQ(plat.screenWidth, 1280);
    EXPECT_EQ(plat.screenHeight, 1024);
    EXPECT_TRUE(plat.windowed);
    EXPECT_EQ(prog->shell.windowed, 1);
}

TEST(Settings, LaterLineWinsAndCaseMatters) {
    TempWorkDir dir;
    TestPlatform plat;
    auto prog = std::make_unique<Program>();
    std::string s =
        "ScreenSolution(800,600)\nscreensolution(640,480)\nScreenSolution(1024, 768)\nWindowed(0)\n";
    ASSERT_TRUE(Start(&s, plat, *prog));
    EXPECT_EQ(plat.screenWidth, 1024);
    EXPECT_EQ(plat.screenHeight, 768); // " 768" reads as 768
    EXPECT_FALSE(plat.windowed);
}

TEST(Settings, FailuresShowTheirMessageAndStop) {
    {
        TempWorkDir dir; // no settings file
        TestPlatform plat;
        auto prog = std::make_unique<Program>();
        EXPECT_FALSE(Start(nullptr, plat, *prog));
        ASSERT_EQ(plat.messages.size(), 1u);
        EXPECT_EQ(plat.messages[0],
                  std::make_pair(std::string("Error"), std::string("error in the settings.ini !")));
    }
    {
        TempWorkDir dir;
        TestPlatform plat;
        auto prog = std::make_unique<Program>();
        std::string s = "ScreenSolution(800,abc)\n";
        EXPECT_FALSE(Start(&s, plat, *prog));
        ASSERT_EQ(plat.messages.size(), 1u);
        EXPECT_EQ(plat.messages[0].second, "could not open screen ! (800x0)");
    }
    {
        TempWorkDir dir;
        TestPlatform plat;
        plat.screenOpens = false;
        auto prog = std::make_unique<Program>();
        std::string s = "Windowed(1)\n";
        EXPECT_FALSE(Start(&s, plat, *prog));
        EXPECT_EQ(plat.messages.at(0).second, "could not open windowed screen!");
    }
    // Only a regular file is read: a folder, a FIFO (without waiting for a writer) or a device says what it
    // is.
    for (const char* kind : {"folder", "FIFO", "device"}) {
        TempWorkDir dir;
        const std::string k = kind;
        if (k == "folder") std::filesystem::create_directory("settings.ini");
        if (k == "FIFO") {
            ASSERT_EQ(::mkfifo("settings.ini", 0666), 0);
        }
        if (k == "device") std::filesystem::create_symlink("/dev/zero", "settings.ini");
        TestPlatform plat;
        auto prog = std::make_unique<Program>();
        EXPECT_FALSE(Start(nullptr, plat, *prog));
        ASSERT_EQ(plat.messages.size(), 1u);
        EXPECT_EQ(plat.messages[0].second.rfind("error in the settings.ini ! (it is a", 0), 0u);
        EXPECT_NE(plat.messages[0].second.find(kind), std::string::npos) << plat.messages[0].second;
    }
    {
        // A screen far beyond any display is refused before anything is allocated.
        TempWorkDir dir;
        TestPlatform plat;
        auto prog = std::make_unique<Program>();
        std::string s = "ScreenSolution(100000,100000)\nWindowed(1)\n";
        EXPECT_FALSE(Start(&s, plat, *prog));
        EXPECT_EQ(plat.messages.at(0).second, "could not open screen ! (100000x100000)");
        EXPECT_EQ(plat.screenWidth, 0);
    }
}

TEST(Catalogue, FindImageAndColours) {
    TempWorkDir dir;
    TestPlatform plat;
    auto prog = std::make_unique<Program>();
    std::string s = "Windowed(1)\n";
    ASSERT_TRUE(Start(&s, plat, *prog));
    Images& img = prog->images;
    EXPECT_EQ(FindImage(img, ""), -1);
    EXPECT_EQ(img.currentAlpha, 255);
    EXPECT_EQ(FindImage(img, "aquarium"), 13);
    EXPECT_EQ(img.currentAlpha, 50);
    EXPECT_EQ(FindImage(img, "latern"), 19);
    EXPECT_EQ(img.currentAlpha, 100);
    EXPECT_EQ(FindImage(img, "nothing"), -1);
    EXPECT_EQ(img.currentAlpha, 255);
    EXPECT_EQ(FindImage(img, "Box"), -1); // exact, case included
    EXPECT_EQ(FindImage(img, "firecave"), 46);

    Rng rng(7);
    for (int i = 0; i < 200; ++i) {
        int n = ColourImage("random", rng);
        ASSERT_GE(n, 28);
        ASSERT_LE(n, 42);
    }
    EXPECT_EQ(ColourImage("", rng), 33);
    EXPECT_EQ(ColourImage("mudd", rng), 35);
    EXPECT_EQ(ColourImage("Red", rng), 33);
    // Blank images are made whatever the art folder holds.
    EXPECT_EQ(plat.ImageWidth(kScreenImage), 1280);
    EXPECT_EQ(plat.ImageWidth(kGuiBase + 6), 1);
    EXPECT_EQ(plat.ImageWidth(kEffectBase + 7), 4);
}

TEST(Catalogue, CustomImagesLoadTheListedFilesUpToFifty) {
    TempWorkDir dir;
    WriteTestBmp("bmps/custom/crate.bmp", 40, 60);
    WriteTestBmp("bmps/custom/box.bmp", 10, 10); // same name as a built-in image
    for (int i = 0; i < 60; ++i) WriteTestBmp("bmps/custom/z" + std::to_string(100 + i) + ".bmp", 8, 8);
    TempWorkDir::Write("bmps/custom/notes.txt", "not an image");
    TestPlatform plat;
    auto prog = std::make_unique<Program>();
    std::string s = "Windowed(1)\n";
    ASSERT_TRUE(Start(&s, plat, *prog));
    Images& img = prog->images;
    ASSERT_EQ(img.custom.size(), 50u); // 200..249; the GUI images start at 250
    // Listing order is by name: box.bmp, crate.bmp, z100.bmp ...
    EXPECT_EQ(img.catalogue[static_cast<size_t>(img.custom[1].entry)].name, "crate");
    EXPECT_EQ(img.catalogue[static_cast<size_t>(img.custom[1].entry)].number, 201);
    EXPECT_EQ(img.custom[1].halfHeight, 30);
    EXPECT_EQ(img.custom[1].halfWidth, 20);
    EXPECT_EQ(FindImage(img, "crate"), 201);
    EXPECT_EQ(FindImage(img, "box"), 1); // the built-in image was entered first
    EXPECT_EQ(plat.ImageWidth(249), 8);
    EXPECT_EQ(img.catalogue[static_cast<size_t>(img.custom[49].entry)].name, "z147");
}
