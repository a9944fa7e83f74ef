#include "OptionsValues.h"

#include <algorithm>
#include <cmath>

namespace vexmira::options {

std::string monitorListText(const std::vector<MonitorInfo>& monitors) {
    std::string text;
    for (std::size_t i = 0; i < monitors.size(); ++i) {
        const MonitorInfo& m = monitors[i];
        text += "\n";
        text += "Display " + std::to_string(i + 1) + (m.primary ? " ( PRIMARY )" : "") + " :\n";
        text += "\n";
        text += "Width: " + std::to_string(m.width) + "\n";
        text += "Height: " + std::to_string(m.height) + "\n";
        text += "Left: " + std::to_string(m.left) + "\n";
        text += "Top: " + std::to_string(m.top) + "\n";
        text += "\n";
        text += std::string(47, '=') + "\n";
    }
    return text;
}

double stepScaleTenths(double tenths, bool up) {
    if (up && tenths < 100) return std::round(tenths * 10 + 1) / 10;
    if (!up && tenths > 1) return std::round(tenths * 10 - 1) / 10;
    return tenths;
}

int updateInterval(int rate) {
    return 1000 / std::clamp(rate, 1, 1000);
}

} // namespace vexmira::options
