#pragma once

#include "QtColor.h"

#include <array>

namespace vexmira::widgets {

// A cell of a scheme that leaves the colour of that index as it is.
constexpr TColor keepColor = 0xFFFFFFFFu;

// The 25 colours of a button colour scheme in the order of the colour indexes.
struct XiButtonScheme {
    std::array<TColor, 25> colors;
};

// The twelve built-in schemes, in the order of TXiButton::TColorScheme.
extern const std::array<XiButtonScheme, 12> xiButtonSchemes;

} // namespace vexmira::widgets
