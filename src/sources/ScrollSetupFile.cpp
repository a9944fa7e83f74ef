#include "ScrollSetupFile.h"

#include "platform/CodePage.h"
#include "richtext/Document.h"

namespace vexmira::sources {

namespace {

constexpr const char* section = "scroll";

bool validUtf8(const std::string& s) {
    std::size_t i = 0;
    while (i < s.size()) {
        const auto c = static_cast<unsigned char>(s[i]);
        const int more = c < 0x80 ? 0 : (c >> 5) == 6 ? 1 : (c >> 4) == 14 ? 2 : (c >> 3) == 30 ? 3 : -1;
        if (more < 0 || i + static_cast<std::size_t>(more) >= s.size()) return false;
        for (int k = 1; k <= more; ++k)
            if ((static_cast<unsigned char>(s[i + static_cast<std::size_t>(k)]) >> 6) != 2) return false;
        i += static_cast<std::size_t>(more) + 1;
    }
    return true;
}

std::string fromCp1252(const std::string& bytes) {
    const platform::CodePage& page = platform::CodePage::get(1252);
    std::string text;
    for (const char byte : bytes)
        richtext::appendUtf8(text, page.decode(static_cast<std::uint8_t>(byte)));
    return text;
}

raster::TColor colourOf(int value, raster::TColor fallback) {
    return value >= 0 && value <= 0xFFFFFF ? static_cast<raster::TColor>(value) : fallback;
}

} // namespace

ScrollSetup readScrollSetup(const platform::IniFile& file) {
    ScrollSetup s;
    const ScrollSetup d;
    s.text = file.readString(section, "text", d.text);
    if (!validUtf8(s.text)) s.text = fromCp1252(s.text);
    s.previewPanel =
        colourOf(file.readInteger(section, "gb2", static_cast<int>(d.previewPanel)), d.previewPanel);
    s.interval = file.readInteger(section, "xinterval", d.interval);
    s.step = file.readInteger(section, "xstep", d.step);
    s.background =
        colourOf(file.readInteger(section, "backcolor", static_cast<int>(d.background)), d.background);
    s.height = file.readInteger(section, "height", d.height);
    s.position = file.readInteger(section, "position", d.position);
    s.fontColor = colourOf(file.readInteger(section, "fcolor", static_cast<int>(d.fontColor)), d.fontColor);
    s.fontHeight = file.readInteger(section, "fheight", d.fontHeight);
    s.fontName = file.readString(section, "fname", d.fontName);
    if (!validUtf8(s.fontName)) s.fontName = fromCp1252(s.fontName);
    s.fontSize = file.readInteger(section, "fsize", d.fontSize);
    const char* styles[4] = {"fs1", "fs2", "fs3", "fs4"};
    for (int i = 0; i < 4; ++i)
        s.soleStyle[static_cast<std::size_t>(i)] = file.readInteger(section, styles[i], 0);
    return s;
}

void writeScrollSetup(platform::IniFile& file, const ScrollSetup& s) {
    file.writeString(section, "text", s.text);
    file.writeInteger(section, "gb2", static_cast<int>(s.previewPanel));
    file.writeInteger(section, "xinterval", s.interval);
    file.writeInteger(section, "xstep", s.step);
    file.writeInteger(section, "backcolor", static_cast<int>(s.background));
    file.writeInteger(section, "height", s.height);
    file.writeInteger(section, "position", s.position);
    file.writeInteger(section, "fcolor", static_cast<int>(s.fontColor));
    file.writeInteger(section, "fheight", s.fontHeight);
    file.writeString(section, "fname", s.fontName);
    file.writeInteger(section, "fpitch", s.fontPitch);
    file.writeInteger(section, "fsize", s.fontSize);
    const char* styles[4] = {"fs1", "fs2", "fs3", "fs4"};
    for (int i = 0; i < 4; ++i)
        file.writeInteger(section, styles[i], s.soleStyle[static_cast<std::size_t>(i)]);
}

} // namespace vexmira::sources
