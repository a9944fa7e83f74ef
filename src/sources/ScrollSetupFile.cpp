#include "ScrollSetupFile.h"

#include "platform/CodePage.h"

namespace vexmira::sources {

namespace {

constexpr const char* section = "scroll";

raster::TColor colourOf(int value, raster::TColor fallback) {
    return value >= 0 && value <= 0xFFFFFF ? static_cast<raster::TColor>(value) : fallback;
}

} // namespace

ScrollSetup readScrollSetup(const platform::IniFile& file) {
    ScrollSetup s;
    const ScrollSetup d;
    s.text = file.readString(section, "text", d.text);
    if (!platform::isValidUtf8(s.text)) s.text = platform::CodePage::get(1252).toUtf8(s.text);
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
    if (!platform::isValidUtf8(s.fontName)) s.fontName = platform::CodePage::get(1252).toUtf8(s.fontName);
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
