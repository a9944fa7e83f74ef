#include "platform/backends/Backends.h"

#include "XConnection.h"

namespace vexmira::platform {

Capabilities x11::capabilitiesOfDisplay() {
    Capabilities c;
    const auto x = XConnection::shared();
    if (!x) return c;
    c.screenCapture = x->rootIsBgra();
    c.windowCapture = x->rootIsBgra();
    c.ownDrawingCapture = c.windowCapture && x->hasComposite();
    c.globalKeys = true;
    c.keepAbove = true;
    c.placesWindows = true;
    c.backgroundClipboard = true;
    c.serverScaling = x->rootIsBgra() && x->has(Extension::Render);
    c.damageReports = x->has(Extension::Damage) && x->hasXFixes();
    c.directDrawing = x->rootIsBgra();
    return c;
}

} // namespace vexmira::platform
