// The slide list file and the list's rules: kinds by extension, the file's encodings, line ends
// and relative paths, the written form, and moving entries.
#include "sources/SlideList.h"
#include "sources/SlidePlayer.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

using namespace vexmira::sources;
namespace fs = std::filesystem;

TEST(SlideList, KindsComeFromTheExtensionWhateverItsCase) {
    const struct {
        const char* name;
        TFileKind kind;
    } cases[] = {{"a.JPG", fkJpeg},   {"b.jpeg", fkJpeg},       {"c.Png", fkPng},
                 {"d.bmp", fkBitmap}, {"notes.TXT", fkText},    {"page.rtf", fkRichText},
                 {"e.gif", fkOther},  {"noextension", fkOther}, {"archive.tar.gz", fkOther},
                 {".jpg", fkOther}};
    for (const auto& c : cases)
        EXPECT_EQ(FileKind(c.name), c.kind) << c.name;
}

TEST(SlideList, FilesInEveryEncodingAndLineEnd) {
    const fs::path folder = "/lists";
    const struct {
        const char* what;
        std::string bytes;
        std::vector<std::string> slides;
        bool loop;
        int duration;
    } cases[] = {
        {"CR LF", "1\r\n7\r\n/p/a.jpg\r\n/p/b.png\r\n", {"/p/a.jpg", "/p/b.png"}, true, 7},
        {"LF, lone CR, blank lines", "0\n\n 12 \r/p/a.jpg\n\n\r\n", {"/p/a.jpg"}, false, 12},
        {"UTF-8 with a mark",
         "\xEF\xBB\xBF"
         "1\r\n4\r\n/p/caf\xC3\xA9.jpg\r\n",
         {"/p/caf\xC3\xA9.jpg"},
         true,
         4},
        {"cp1252 line",
         "0\r\n4\r\n/p/caf\xE9.jpg\r\n/p/ok\xC3\xA9.jpg\r\n",
         {"/p/caf\xC3\xA9.jpg", "/p/ok\xC3\xA9.jpg"},
         false,
         4},
        {"UTF-16 LE",
         std::string("\xFF\xFE"
                     "1\0\r\0\n\0"
                     "5\0\r\0\n\0/\0x\0.\0p\0n\0g\0",
                     26),
         {"/x.png"},
         true,
         5},
        {"UTF-16 BE",
         std::string("\xFE\xFF\0"
                     "0\0\n\0"
                     "3\0\n\0/\0y\0.\0b\0m\0p",
                     22),
         {"/y.bmp"},
         false,
         3},
        {"relative paths and a clamped duration",
         "1\r\n-5\r\npictures/a.jpg\r\n../b.jpg\r\n",
         {"/lists/pictures/a.jpg", "/b.jpg"},
         true,
         0},
        {"a huge duration", "0\r\n+123456789012345678901\r\n", {}, false, 100},
        {"names with commas and quotes",
         "0\r\n4\r\n/p/\"quoted\", name.jpg\r\n",
         {"/p/\"quoted\", name.jpg"},
         false,
         4},
    };
    for (const auto& c : cases) {
        const SlideListRead read = readSlideList(c.bytes, folder);
        ASSERT_TRUE(read.ok) << c.what << ": " << read.problem;
        std::vector<std::string> slides;
        for (const fs::path& p : read.list.slides)
            slides.push_back(p.string());
        EXPECT_EQ(slides, c.slides) << c.what;
        EXPECT_EQ(read.list.loop, c.loop) << c.what;
        EXPECT_EQ(read.list.duration, c.duration) << c.what;
    }
    const struct {
        std::string bytes;
        int line;
    } bad[] = {{"", 1},
               {"1\r\n", 2}, // the duration is missing
               {"1\r\n\r\nfour\r\n/a.jpg\r\n", 3},
               {std::string("1\r\n4\r\n/a\0b.jpg\r\n", 16), 3}};
    for (const auto& b : bad) {
        const SlideListRead read = readSlideList(b.bytes, folder);
        EXPECT_FALSE(read.ok) << b.bytes;
        EXPECT_EQ(read.badLine, b.line) << b.bytes;
        EXPECT_FALSE(read.problem.empty());
    }
    // Only "1" ticks Loop; any other first line leaves it off and is no error.
    for (const char* flag : {"yes", "2", "-1", "0"}) {
        const SlideListRead read = readSlideList(std::string(flag) + "\r\n4\r\n/a.jpg\r\n", folder);
        EXPECT_TRUE(read.ok && !read.list.loop) << flag;
    }
}

TEST(SlideList, WrittenWithCrLfAfterEveryLineAndReadBack) {
    SlideListFile list{true, 9, {"/p/caf\xC3\xA9, \"1\".jpg", "/p/line\nbreak.jpg", "/p/b.png"}};
    const std::string text = writeSlideList(list);
    EXPECT_EQ(text, "1\r\n9\r\n/p/caf\xC3\xA9, \"1\".jpg\r\n/p/b.png\r\n")
        << "a name with a line break is left out";
    const SlideListRead read = readSlideList(text, "/");
    ASSERT_TRUE(read.ok);
    EXPECT_EQ(read.list.slides, (std::vector<fs::path>{"/p/caf\xC3\xA9, \"1\".jpg", "/p/b.png"}));
    EXPECT_TRUE(read.list.loop);
    EXPECT_EQ(read.list.duration, 9);
}

TEST(SlideList, MovingEntriesUpAndDown) {
    std::vector<std::string> entries{"a", "b", "c", "d", "e"};
    int at = 2;
    for (int i = 0; i < 3; ++i)
        at = moveListEntry(entries, at, true);
    EXPECT_EQ(entries, (std::vector<std::string>{"a", "b", "d", "e", "c"}));
    EXPECT_EQ(at, 4);
    EXPECT_EQ(moveListEntry(entries, 4, false), 4) << "down from the last place stays";
    EXPECT_EQ(entries, (std::vector<std::string>{"a", "b", "d", "e", "c"}));
    EXPECT_EQ(moveListEntry(entries, 0, false), 1);
    EXPECT_EQ(entries, (std::vector<std::string>{"b", "a", "d", "e", "c"}));
    EXPECT_EQ(moveListEntry(entries, 7, true), -1);
}

// The show's order: from before the first slide the first comes, each step the next, and past
// the last the first again only when the show loops.
TEST(SlideOrder, NextSlideWithAndWithoutLoop) {
    using vexmira::sources::SlidePlayer;
    struct Case {
        int index, first, last;
        bool loop;
        std::optional<int> next;
    };
    const Case cases[] = {
        {2, 2, 4, false, 3},
        {3, 2, 4, false, 4},
        {4, 2, 4, false, std::nullopt},
        {4, 2, 4, true, 2},
        {0, 2, 4, false, 2},
        {1, 2, 4, true, 2},
        {2, 2, 2, true, 2},
        {2, 2, 2, false, std::nullopt},
        {2, 2, 1, true, std::nullopt},
        {9, 2, 4, true, 2},
        {9, 2, 4, false, std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(SlidePlayer::nextIndex(c.index, c.first, c.last, c.loop), c.next)
            << "after " << c.index << " in " << c.first << ".." << c.last << (c.loop ? " looping" : "");
}
