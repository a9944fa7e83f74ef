#pragma once

#include <string>
#include <vector>

namespace vexmira::options {

// A monitor as the options dialog lists it, in desktop coordinates.
struct MonitorInfo {
    int left = 0, top = 0, width = 0, height = 0;
    bool primary = false;
};

// The "Monitor Details" page: for each monitor an empty line, "Display N :" (with " ( PRIMARY )"
// before the colon for the primary one), an empty line, its width, height, left and top, an
// empty line and a rule of 47 signs. Lines end with '\n'.
std::string monitorListText(const std::vector<MonitorInfo>& monitors);

// One step of the scale spin, in tenths of the scale (10 is a scale of 1.00): up while below 100,
// down while above 1, by 0.1 on the 0.1 grid, so that the steps end at exactly 100 and 1.
double stepScaleTenths(double tenths, bool up);

// Milliseconds between screen updates for a rate (per second, 1..1000): 1000 div the rate.
int updateInterval(int rate);

} // namespace vexmira::options
