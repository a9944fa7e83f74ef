// The followed region's rule, checked on random pointer walks against its promises, the title
// pattern a returning window may match, and the Extras section of the settings file.
#include "app/ExtraSettings.h"
#include "mirror/FollowRegion.h"
#include "mirror/TitlePattern.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <random>

using namespace vexmira;

TEST(FollowRegion, OnRandomWalksTheRegionNeverOutrunsThePointerKeepsItInsideTheMarginAndStaysOnScreen) {
    std::mt19937 random(7);
    struct Case {
        int width, height, margin;
    };
    // Ordinary, margin over half the region, no margin, a region as large as the screen.
    for (const Case c : {Case{320, 240, 40}, Case{100, 80, 70}, Case{200, 200, 0}, Case{1920, 1080, 30}}) {
        mirror::TGrabRect region{0, 0, c.width, c.height};
        int x = 0, y = 0;
        for (int step = 0; step < 5000; ++step) {
            const int nx = std::clamp(x + int(random() % 301) - 150, -50, 1970);
            const int ny = std::clamp(y + int(random() % 301) - 150, -50, 1130);
            const mirror::TGrabRect next = mirror::followPointer(region, nx, ny, c.margin, 1920, 1080);
            ASSERT_EQ(next.width(), c.width);
            ASSERT_EQ(next.height(), c.height);
            ASSERT_LE(std::abs(next.Left - region.Left), std::abs(nx - x)) << "step " << step;
            ASSERT_LE(std::abs(next.Top - region.Top), std::abs(ny - y)) << "step " << step;
            ASSERT_GE(next.Left, 0);
            ASSERT_GE(next.Top, 0);
            ASSERT_LE(next.Right, std::max(1920, c.width));
            ASSERT_LE(next.Bottom, std::max(1080, c.height));
            // Unless held at the screen's edge, the pointer is at least the margin inside.
            const int m = std::min(c.margin, (c.width - 1) / 2), n = std::min(c.margin, (c.height - 1) / 2);
            if (next.Left > 0 && next.Right < 1920) {
                ASSERT_GE(nx, next.Left + m);
                ASSERT_LE(nx, next.Right - 1 - m);
            }
            if (next.Top > 0 && next.Bottom < 1080) {
                ASSERT_GE(ny, next.Top + n);
                ASSERT_LE(ny, next.Bottom - 1 - n);
            }
            // A region that moved brought the pointer exactly to its margin.
            if (next.Left != region.Left && next.Left > 0 && next.Right < 1920) {
                ASSERT_TRUE(nx == next.Left + m || nx == next.Right - 1 - m);
            }
            region = next;
            x = nx;
            y = ny;
        }
    }
}

TEST(ExtraSettings, ReadsItsOwnSectionToleratesBadValuesAndLeavesFilesWithoutItAlone) {
    const std::string others = "[Options]\nHotKey=Ctrl+F11\n";
    platform::IniFile plain("Vexmira.cfg", others);
    const app::ExtraSettings defaults = app::readExtraSettings(plain);
    EXPECT_EQ(defaults, app::ExtraSettings{});
    app::writeExtraSettings(plain, defaults);
    EXPECT_EQ(plain.text(), others) << "a file without the features gained a section";

    platform::IniFile odd("Vexmira.cfg", "[Extras]\nFollowMargin=-5\nMaskedClasses= KeePass , ,Secret Tool,\n"
                                         "BlankKeyOn=yes\nReattach=1\nBlankKey=Shift+F9\n");
    app::ExtraSettings read = app::readExtraSettings(odd);
    EXPECT_EQ(read.followMargin, 0);
    EXPECT_EQ(read.maskedClasses, (std::vector<std::string>{"KeePass", "Secret Tool"}));
    EXPECT_FALSE(read.blankKeyArmed);
    EXPECT_TRUE(read.reattach);
    EXPECT_EQ(read.blankKey, "Shift+F9");
    EXPECT_EQ(app::readExtraSettings(platform::IniFile("c", "[Extras]\nFollowMargin=99999\n")).followMargin,
              1000);

    // What is written reads back the same, next to the other sections.
    read.blankPicture = "/home/u/Pictures/pause screen.png";
    read.blankKeyArmed = true;
    read.reattachTitle = "Slide Show - *";
    app::writeExtraSettings(plain, read);
    EXPECT_EQ(app::readExtraSettings(plain), read);
    EXPECT_EQ(plain.readString("Options", "HotKey", ""), "Ctrl+F11");
}

TEST(TitlePattern, StarsAndQuestionMarksMatchAnyTextAndCaseDoesNotMatter) {
    struct Case {
        const char* pattern;
        const char* title;
        bool matches;
    };
    const Case cases[] = {
        {"Slide Show - *", "Slide Show - talk.odp", true},
        {"Slide Show - *", "slide show - ", true},
        {"Slide Show - *", "Editing - Slide Show - talk.odp", false},
        {"*talk*", "Slide Show - talk.odp", true},
        {"*.odp", "talk.odp.bak", false},
        {"*a*b*c", "xxaxxbxxbxxc", true}, // a star must give back what it took
        {"*a*b*c", "xxaxxcxxb", false},
        {"t?lk", "talk", true},
        {"t?lk", "tlk", false},
        {"Ä?*", "äö", true}, // letters beyond ASCII fold too, "?" is one character, not one byte
        {"??", "äö", true},
        {"***", "", true},
        {"", "", false}, // no pattern: no title rule
        {"", "anything", false},
        {"exact", "Exact", true},
        {"exact", "exactly", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(mirror::titleMatches(c.pattern, c.title), c.matches) << c.pattern << " / " << c.title;
}
