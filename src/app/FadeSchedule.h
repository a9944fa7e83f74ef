#pragma once

#include <QPoint>
#include <QSize>

namespace vexmira::app {

// One tick of the control window's auto-hide fade.
struct FadeStep {
    int alphaLevel; // the fade counter afterwards
    int opacity;    // the window's opacity afterwards, 0..255; -1 leaves it as it is
};

// With the pointer at `screen` (desktop pixels) and `client` (the window's client pixels), the
// client area `clientSize`, the window `windowWidth` wide and the counter at `alphaLevel`:
// the top-left corner of the screen or the inside of the window restore full opacity; on the
// window's edge nothing changes; anywhere else the window fades a step.
FadeStep fadeTick(QPoint screen, QPoint client, QSize clientSize, int windowWidth, int alphaLevel);

// The fade of one tick with the pointer away from the window.
FadeStep fadeAway(int alphaLevel);

} // namespace vexmira::app
