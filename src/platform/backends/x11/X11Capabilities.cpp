#include "platform/Capabilities.h"

#include "XConnection.h"

namespace vexmira::platform {

namespace {

Capabilities& chosen() {
    static Capabilities capabilities;
    return capabilities;
}

} // namespace

void selectWindowSystem(std::string_view toolkitPlatform) {
    Capabilities& c = chosen();
    c = Capabilities{};
    // Only the toolkit's own X windows are X windows: on its other platforms our handles mean
    // nothing to the X server.
    if (toolkitPlatform != "xcb") return;
    const auto x = x11::XConnection::shared();
    if (!x) return;
    c.windowCapture = x->rootIsBgra();
    c.ownDrawingCapture = c.windowCapture && x->hasComposite();
    c.globalKeys = true;
    c.keepAbove = true;
    c.backgroundClipboard = true;
    c.serverScaling = x->rootIsBgra() && x->has(x11::Extension::Render);
    c.damageReports = x->has(x11::Extension::Damage) && x->hasXFixes();
    c.directDrawing = x->rootIsBgra();
}

const Capabilities& capabilities() {
    return chosen();
}

} // namespace vexmira::platform
