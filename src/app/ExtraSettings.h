#pragma once

#include "platform/IniFile.h"

#include <string>
#include <vector>

namespace vexmira::app {

// The settings of the shutter, the masked windows, re-attaching and the followed region, kept
// in a section of their own ("Extras") that copies without these features leave as it is.
struct ExtraSettings {
    std::string blankKey = "Ctrl+Alt+B";    // the shutter's hot key, as the save key is written
    bool blankKeyArmed = false;             // taken again at start-up
    std::string blankPicture;               // shown while blanked; empty: black
    std::vector<std::string> maskedClasses; // window classes painted black on the display
    bool reattach = false;                  // a closed single window is waited for
    std::string reattachTitle;              // or a window titled so ("*", "?") takes its place
    int followMargin = 64;                  // the followed region's dead zone, in pixels

    bool operator==(const ExtraSettings&) const = default;
};

extern ExtraSettings Extras;

// Values the features cannot use read as their defaults: the margin is kept between 0 and 1000,
// the list is split at commas with blanks around each name dropped.
ExtraSettings readExtraSettings(const platform::IniFile& file);
// A comma-separated list of window classes, blanks around each name dropped, and back.
std::vector<std::string> splitClassList(const std::string& text);
std::string joinClassList(const std::vector<std::string>& classes);

// A file without the section gets none while every value is its default.
void writeExtraSettings(platform::IniFile& file, const ExtraSettings& settings);

} // namespace vexmira::app
