// Files written by other programs: the reader finds the text and formatting those programs read
// from them, and our own writer keeps it.
#include "richtext/RtfReader.h"
#include "richtext/RtfWriter.h"

#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

using namespace vexmira::richtext;

namespace {

std::string fileText(const std::string& name) {
    std::ifstream in(std::string(VEXMIRA_RTF_DATA) + "/" + name, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

const CharFormat& formatOf(const Paragraph& paragraph, const std::string& text) {
    for (const Run& run : paragraph.runs)
        if (run.text == text) return run.format;
    ADD_FAILURE() << "no run \"" << text << "\" in \"" << paragraph.text() << "\"";
    static const CharFormat none;
    return none;
}

const std::vector<std::string> pageText = {
    "Centred bold title",
    "Plain, bold, italic, underline, all three.",
    "Red text, blue text, yellow highlight.",
    "Monospaced font and 18 pt DejaVu Sans and 8 pt small.",
    "Right-aligned paragraph",
    "First bullet",
    "Second bullet with bold",
    "Non-ASCII: caf\xC3\xA9 na\xC3\xAFve Gr\xC3\xB6\xC3\x9F"
    "e \xC2\xA3 \xE2\x82\xAC \xE2\x80\x94 \xE2\x80\x9Cquotes\xE2\x80\x9D "
    "\xCE\x95\xCE\xBB\xCE\xBB\xCE\xB7\xCE\xBD\xCE\xB9\xCE\xBA\xCE\xAC "
    "\xD0\xA0\xD1\x83\xD1\x81\xD1\x81\xD0\xBA\xD0\xB8\xD0\xB9 "
    "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E \xF0\x9F\x98\x80",
};

void expectCommonFormatting(const std::vector<Paragraph>& p) {
    EXPECT_TRUE(formatOf(p[1], "bold").bold);
    EXPECT_TRUE(formatOf(p[1], "italic").italic);
    EXPECT_TRUE(formatOf(p[1], "underline").underline);
    const CharFormat& all = formatOf(p[1], "all three");
    EXPECT_TRUE(all.bold && all.italic && all.underline);
    EXPECT_FALSE(formatOf(p[1], "Plain, ").bold);
}

} // namespace

TEST(RichTextFiles, WordProcessorFile) {
    const ReadResult result = readRtf(fileText("word-processor-a.rtf"));
    ASSERT_EQ(result.error, "");
    for (const Document& document : {result.document, readRtf(writeRtf(result.document)).document}) {
        const auto& p = document.paragraphs;
        ASSERT_EQ(p.size(), pageText.size());
        for (std::size_t i = 0; i < p.size(); ++i)
            EXPECT_EQ(p[i].text(), pageText[i]) << "paragraph " << i + 1;
        EXPECT_EQ(p[0].alignment, Alignment::Centre);
        EXPECT_TRUE(formatOf(p[0], pageText[0]).bold);
        EXPECT_GT(formatOf(p[0], pageText[0]).halfPoints, 24);
        expectCommonFormatting(p);
        EXPECT_EQ(formatOf(p[2], "Red text").colour, 0x0000FFu);
        EXPECT_EQ(formatOf(p[2], "blue text").colour, 0xFF0000u);
        EXPECT_EQ(formatOf(p[2], "yellow highlight").highlight, 0x00FFFFu);
        EXPECT_EQ(formatOf(p[3], "Monospaced font").font, "Liberation Mono");
        EXPECT_EQ(formatOf(p[3], "18 pt DejaVu Sans").halfPoints, 36);
        EXPECT_EQ(formatOf(p[3], "18 pt DejaVu Sans").font, "DejaVu Sans");
        EXPECT_EQ(formatOf(p[3], "8 pt small").halfPoints, 16);
        EXPECT_EQ(p[4].alignment, Alignment::Right);
        EXPECT_TRUE(p[5].bullet && p[6].bullet);
        EXPECT_FALSE(p[4].bullet || p[7].bullet);
        EXPECT_TRUE(formatOf(p[6], "bold").bold);
    }
}

TEST(RichTextFiles, ConverterFile) {
    const ReadResult result = readRtf(fileText("converter-b.rtf"));
    ASSERT_EQ(result.error, "");
    for (const Document& document : {result.document, readRtf(writeRtf(result.document)).document}) {
        const auto& p = document.paragraphs;
        ASSERT_EQ(p.size(), pageText.size() + 2);
        EXPECT_EQ(p[0].text(), "Sample");
        EXPECT_EQ(p[0].alignment, Alignment::Centre);
        EXPECT_EQ(formatOf(p[0], "Sample").halfPoints, 36);
        EXPECT_EQ(p[1].text(), "");
        const std::vector<Paragraph> page(p.begin() + 2, p.end());
        for (std::size_t i = 0; i < page.size(); ++i) {
            const bool literalBullet = i == 5 || i == 6;
            EXPECT_EQ(page[i].text(), literalBullet ? "\xE2\x80\xA2\t" + pageText[i] : pageText[i]) << i + 1;
            EXPECT_FALSE(page[i].bullet);
            EXPECT_EQ(page[i].alignment, Alignment::Left);
        }
        EXPECT_TRUE(formatOf(page[0], "Centred bold title").bold);
        EXPECT_EQ(page[5].firstLineIndent, -360);
        expectCommonFormatting(page);
    }
}
