#include "FadeSchedule.h"

namespace vexmira::app {

// Each rule works on what the one before left: 1 a tick down to 200 (still opaque), then 2 a
// tick, then 5 a tick below 111, and it rests at 6 or less.
FadeStep fadeAway(int alpha) {
    if (alpha > 200) --alpha;
    if (alpha > 100 && alpha <= 200) alpha -= 2;
    if (alpha > 6 && alpha <= 110) alpha -= 5;
    return {alpha, alpha < 200 ? alpha : 255};
}

FadeStep fadeTick(QPoint screen, QPoint client, QSize clientSize, int windowWidth, int alphaLevel) {
    const int cx = client.x(), cy = client.y();
    const int cw = clientSize.width(), ch = clientSize.height();
    if (screen.y() < 2 && screen.x() < 2) return {255, 255};
    if (cy > 0 && cy < ch && cx > 0 && cx < cw) return {255, 255};
    if (cy >= 0 && cy <= ch && cx >= 0 && cx <= windowWidth) return {alphaLevel, -1};
    return fadeAway(alphaLevel);
}

} // namespace vexmira::app
