// The rich text reader over the constructs real files contain: each case gives the document's
// body and the text that must come out, paragraphs ended by '\n'.
#include "richtext/RtfReader.h"

#include <gtest/gtest.h>

using namespace vexmira::richtext;

namespace {

ReadResult read(const std::string& body) {
    return readRtf("{\\rtf1\\ansi " + body + "}");
}

} // namespace

TEST(RtfReader, TextOfEveryConstruct) {
    const struct {
        const char* name;
        std::string body;
        std::string text;
    } cases[] = {
        {"code page 1250", "\\ansicpg1250 \\'e8\\'9a\\'9e", "\xC4\x8D\xC5\xA1\xC5\xBE\n"},
        {"font character set overrides the document's",
         "\\ansicpg1250{\\fonttbl{\\f0\\fcharset204 A;}{\\f1\\fcharset0 B;}{\\f2\\fcharset161 C;}}"
         "\\f0\\'c0\\f1\\'c0\\f2\\'e1",
         "\xD0\x90\xC3\x80\xCE\xB1\n"},
        {"double-byte font", "{\\fonttbl{\\f0\\fcharset128 M;}}\\f0\\'93\\'fa\\'96\\'7b",
         "\xE6\x97\xA5\xE6\x9C\xAC\n"},
        {"a lead byte at a paragraph's end leaves the next letter alone",
         "{\\fonttbl{\\f0\\fcharset128 M;}}\\f0 C\\'93\\par D", "C\xEF\xBF\xBD\nD\n"},
        {"a trail byte below 0x40 stands for itself", "{\\fonttbl{\\f0\\fcharset128 M;}}\\f0\\'81\\'20x",
         "\xEF\xBF\xBD x\n"},
        {"negative \\u", "\\u-255?", "\xEF\xBC\x81\n"},
        {"\\uc0", "\\uc0\\u233 x", "\xC3\xA9x\n"},
        {"\\uc2 counts \\'xx as one", "\\uc2\\u233\\'e9\\'e9x", "\xC3\xA9x\n"},
        {"\\uc is per group", "{\\uc2\\u233 ab}\\u233 cd",
         "\xC3\xA9\xC3\xA9"
         "d\n"},
        {"surrogate pair across \\uc changes", "\\uc0 \\u55357\\uc1 \\u56832\\'3f", "\xF0\x9F\x98\x80\n"},
        {"lone surrogate", "\\u55357?y", "\xEF\xBF\xBDy\n"},
        {"\\u out of range", "\\u70000?z", "\xEF\xBF\xBDz\n"},
        {"bad hex", "a\\'zq", "a\xEF\xBF\xBDzq\n"},
        {"huge numbers", "\\fs99999999999999999 a\\u99999999999?", "a\xEF\xBF\xBD\n"},
        {"special characters",
         "a\\tab b\\line "
         "c\\~d\\-e\\_f\\emdash\\endash\\bullet\\lquote\\rquote\\ldblquote\\rdblquote\\{\\}\\\\",
         "a\tb\xE2\x80\xA8"
         "c\xC2\xA0"
         "d\xC2\xAD"
         "e\xE2\x80\x91"
         "f\xE2\x80\x94\xE2\x80\x93\xE2\x80\xA2\xE2\x80\x98"
         "\xE2\x80\x99\xE2\x80\x9C\xE2\x80\x9D{}\\\n"},
        {"paragraph ends", "a\\par b\\sect c\\page d\\\nE", "a\nb\nc\nd\nE\n"},
        {"skipped destinations",
         "{\\*\\unknown x}{\\info{\\title T}}{\\stylesheet{\\s0 N;}}{\\header H}{\\footer F}{\\footnote N}"
         "{\\pict\\pngblip 89504e{\\*\\blipuid 1}}{\\object{\\*\\objdata 01}{\\result R}}{\\v hidden}\\v0 "
         "{\\*\\listtable{\\list{\\listlevel{\\leveltext \\'01\\u8226 ?;}}\\listid1}}"
         "\\bin3 {}}x",
         "x\n"},
        {"field keeps its result", "{\\field{\\*\\fldinst HYPERLINK \"u\"}{\\fldrslt link}}", "link\n"},
        {"table flattened", "\\trowd\\cellx1000\\cellx2000 a\\cell b\\cell\\row c", "a\tb\nc\n"},
        {"numbered list text stays", "{\\pntext 1.\\tab}{\\*\\pn\\pnlvlbody\\pndec}one\\par", "1.\tone\n"},
        {"truncated", "{\\b bold", "bold\n"},
        {"\\bin past the end", "a\\bin999999 xyz", "a\n"},
        {"text after the document's group", "a}b", "a\n"},
    };
    for (const auto& c : cases) {
        const ReadResult result = read(c.body);
        EXPECT_EQ(result.error, "") << c.name;
        EXPECT_EQ(result.document.plainText(), c.text) << c.name;
    }
}

TEST(RtfReader, BulletsInBothFormsAreMarkedAndTheirTextSkipped) {
    const std::string listTables =
        "{\\*\\listtable{\\list{\\listlevel\\levelnfc23{\\leveltext \\'01\\u8226 ?;}}{\\listlevel\\levelnfc0}"
        "\\listid7}{\\list{\\listlevel\\levelnfc0}\\listid8}}"
        "{\\listoverridetable{\\listoverride\\listid7\\ls1}{\\listoverride\\listid8\\ls2}}";
    const struct {
        const char* name;
        std::string body;
        std::vector<bool> bullets;
        std::string text;
    } cases[] = {
        {"rich-edit form, carried to the next paragraph",
         "{\\pntext\\f1\\'b7\\tab}{\\*\\pn\\pnlvlblt\\pnf1{\\pntxtb\\'b7}}one\\par{\\pntext\\f1\\'b7\\tab}"
         "two\\par\\pard "
         "three",
         {true, true, false},
         "one\ntwo\nthree\n"},
        {"list table form",
         listTables + "{\\listtext\\'95\\tab}\\ls1 one\\par\\pard{\\listtext 1.\\tab}\\ls2 two",
         {true, false},
         "one\n1.\ttwo\n"},
        {"second level of a bullet list is numbered",
         listTables + "{\\listtext a.\\tab}\\ls1\\ilvl1 sub",
         {false},
         "a.\tsub\n"},
        {"unknown list with a bullet sign", "{\\listtext\\u8226 ?\\tab}\\ls9 one", {true}, "one\n"},
    };
    for (const auto& c : cases) {
        const ReadResult result = read(c.body);
        std::vector<bool> bullets;
        for (const Paragraph& p : result.document.paragraphs)
            bullets.push_back(p.bullet);
        EXPECT_EQ(bullets, c.bullets) << c.name;
        EXPECT_EQ(result.document.plainText(), c.text) << c.name;
    }
}

TEST(RtfReader, CharacterAndParagraphFormats) {
    const ReadResult result =
        read("\\deff1{\\fonttbl{\\f0 Mono;}{\\f1\\fnil Sans{\\*\\falt "
             "Other};}}{\\colortbl;\\red255\\green0\\blue0;;"
             "\\red0\\green0\\blue255;}"
             "\\qc\\li720\\ri360\\fi-240\\sb100\\sa200 {\\b\\i\\ul\\strike\\cf1\\fs30 a}{\\cf2\\highlight3 b}"
             "{\\f0\\ul\\ulc1 c\\ulnone d}{\\uldb e}{\\b\\ul0 f}{\\b\\cf1\\plain g}\\par\\pard h");
    ASSERT_EQ(result.document.paragraphs.size(), 2u);
    const Paragraph& p = result.document.paragraphs[0];
    EXPECT_EQ(p.alignment, Alignment::Centre);
    EXPECT_EQ(std::tuple(p.leftIndent, p.rightIndent, p.firstLineIndent, p.spaceBefore, p.spaceAfter),
              std::tuple(720, 360, -240, 100, 200));
    const Paragraph& reset = result.document.paragraphs[1];
    EXPECT_EQ(std::tuple(reset.alignment, reset.leftIndent, reset.spaceAfter),
              std::tuple(Alignment::Left, 0, 0));
    auto formatOf = [&](const std::string& text) {
        for (const vexmira::richtext::Run& run : p.runs)
            if (run.text == text) return run.format;
        ADD_FAILURE() << "no run " << text;
        return CharFormat{};
    };
    CharFormat a{"Sans", 30, 0x0000FF, std::nullopt, true, true, true, true};
    EXPECT_EQ(formatOf("a"), a);
    CharFormat b{"Sans", 24,    std::nullopt, 0xFF0000,
                 false,  false, false,        false}; // an empty entry is automatic
    EXPECT_EQ(formatOf("b"), b);
    EXPECT_EQ(formatOf("c").font, "Mono");
    EXPECT_TRUE(formatOf("c").underline); // \ulc is the underline's colour, not an underline
    EXPECT_FALSE(formatOf("d").underline);
    EXPECT_TRUE(formatOf("e").underline);
    EXPECT_FALSE(formatOf("f").underline);
    EXPECT_EQ(formatOf("g"),
              (CharFormat{"Sans", 24, std::nullopt, std::nullopt, false, false, false, false}));
}

TEST(RtfReader, BadInputGivesAnErrorOrWhatWasRead) {
    EXPECT_NE(readRtf("plain words").error, "");
    EXPECT_NE(readRtf("{\\rtf1 " + std::string(1001, '{') + "x").error, "");
    EXPECT_EQ(readRtf("{\\rtf1 " + std::string(999, '{') + "x").document.plainText(), "x\n");
    EXPECT_EQ(readRtf("{\\rtf1 \\f5\\cf9\\highlight7 x}").document.paragraphs[0].runs[0].format,
              CharFormat{});
    const ReadResult pictures = readRtf("{\\rtf1 {\\pict 00}{\\*\\shppict{\\pict 00}}{\\object 00}a}");
    EXPECT_EQ(pictures.dropped, (std::vector<std::string>{"2 pictures", "1 embedded object"}));
    EXPECT_TRUE(looksLikeRtf("\xEF\xBB\xBF \r\n{\\rtf1}"));
    EXPECT_FALSE(looksLikeRtf("x{\\rtf1}"));
}

TEST(PlainTextReader, EncodingsAndLineEnds) {
    const struct {
        const char* name;
        std::string bytes;
        std::string text;
    } cases[] = {
        {"UTF-8 with mark",
         "\xEF\xBB\xBF"
         "caf\xC3\xA9",
         "caf\xC3\xA9\n"},
        {"UTF-8 without mark", "caf\xC3\xA9\r\nx", "caf\xC3\xA9\nx\n"},
        {"UTF-16 little-endian",
         std::string("\xFF\xFE"
                     "a\0\x3D\xD8\x00\xDE\n\0b\0",
                     12),
         "a\xF0\x9F\x98\x80\nb\n"},
        {"UTF-16 big-endian", std::string("\xFE\xFF\0a\0\r\0b", 8), "a\nb\n"},
        {"cp1252 when not UTF-8", "caf\xE9 \x80", "caf\xC3\xA9 \xE2\x82\xAC\n"},
        {"lone CR and blank lines", "a\r\rb\n", "a\n\nb\n"},
        {"empty file", "", "\n"},
    };
    for (const auto& c : cases) {
        const ReadResult result = readRichOrPlainText(c.bytes, {});
        EXPECT_EQ(result.error, "") << c.name;
        EXPECT_EQ(result.document.plainText(), c.text) << c.name;
    }
    EXPECT_NE(readPlainText(std::string("MZ\0\0\x90", 5), {}).error, "");
}
