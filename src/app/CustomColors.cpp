#include "CustomColors.h"

#include "platform/UserValueStore.h"
#include "widgets/QtColor.h"

#include <QColorDialog>
#include <cstdio>
#include <sstream>

namespace vexmira::app {

namespace {
constexpr const char* valueName = "CustomColors";
}

std::string formatCustomColors(const CustomColorSet& colors) {
    std::string text;
    for (std::size_t i = 0; i < colors.size(); ++i) {
        char line[32];
        std::snprintf(line, sizeof line, "Color%c=%06X", static_cast<char>('A' + i), colors[i] & 0xFFFFFFu);
        if (i > 0) text += "\r\n";
        text += line;
    }
    return text;
}

CustomColorSet parseCustomColors(const std::string& text, CustomColorSet start) {
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.size() < 8 || line.compare(0, 5, "Color") != 0 || line[6] != '=') continue;
        const int index = line[5] - 'A';
        if (index < 0 || index >= 16) continue;
        const std::string hex = line.substr(7);
        if (hex.empty() || hex.size() > 6 ||
            hex.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos)
            continue;
        start[index] = static_cast<raster::TColor>(std::stoul(hex, nullptr, 16));
    }
    return start;
}

void loadCustomColors() {
    const auto text = platform::readUserValue(valueName);
    if (!text) return;
    CustomColorSet colors{};
    for (int i = 0; i < 16; ++i)
        colors[i] = widgets::toTColor(QColorDialog::customColor(i));
    colors = parseCustomColors(*text, colors);
    for (int i = 0; i < 16; ++i)
        QColorDialog::setCustomColor(i, widgets::toQColor(colors[i]));
}

bool saveCustomColors() {
    CustomColorSet colors{};
    for (int i = 0; i < 16; ++i)
        colors[i] = widgets::toTColor(QColorDialog::customColor(i));
    return platform::writeUserValue(valueName, formatCustomColors(colors));
}

} // namespace vexmira::app
