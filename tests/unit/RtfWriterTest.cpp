// What the writer writes must read back as the same document, in 7-bit characters.
#include "richtext/RtfWriter.h"
#include "richtext/RtfReader.h"

#include <gtest/gtest.h>

using namespace vexmira::richtext;

TEST(RtfWriter, EveryPropertyReadsBackTheSame) {
    Document document;
    Paragraph first;
    first.alignment = Alignment::Justified;
    first.leftIndent = 720, first.rightIndent = 100, first.firstLineIndent = -360;
    first.spaceBefore = 40, first.spaceAfter = 120;
    appendText(first, " lead {braces} \\ back\tslash",
               {.font = "Liberation Sans",
                .halfPoints = 20,
                .colour = 0x00FF00,
                .highlight = 0x00FFFF,
                .bold = true});
    appendText(
        first, "caf\xC3\xA9 \xE2\x82\xAC \xCE\xB1 \xE6\x97\xA5 \xF0\x9F\x98\x80 \xEF\xBF\xBF",
        {.font = "DejaVu Sans", .halfPoints = 37, .italic = true, .underline = true, .strikeOut = true});
    appendText(first,
               "line\xE2\x80\xA8"
               "break\xC2\xA0nb\xC2\xAD"
               "soft\xE2\x80\x91",
               {.font = "Gr\xC3\xB6\xC3\x9F"
                        "e Font"});
    Paragraph bullet;
    bullet.bullet = true;
    bullet.alignment = Alignment::Centre;
    appendText(bullet, "item", {.font = "Liberation Sans"});
    Paragraph empty;
    empty.alignment = Alignment::Right;
    document.paragraphs = {first, bullet, empty, bullet};

    const std::string rtf = writeRtf(document);
    for (const char c : rtf)
        ASSERT_LT(static_cast<unsigned char>(c), 0x80u) << "not 7-bit";
    EXPECT_NE(rtf.find("\\u233\\'e9"), std::string::npos) << "cp1252 fallback byte";
    EXPECT_NE(rtf.find("\\u8364\\'80"), std::string::npos);
    EXPECT_NE(rtf.find("\\u-1?"), std::string::npos) << "signed escape above 32767";
    const ReadResult back = readRtf(rtf);
    EXPECT_EQ(back.error, "");
    EXPECT_EQ(back.document, document);
    EXPECT_EQ(readRtf(writeRtf(Document{})).document, Document{});
}
