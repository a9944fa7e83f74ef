#include "WaylandConnection.h"
#include "platform/backends/Backends.h"

#include <cstdlib>
#include <cstring>

namespace vexmira::platform {

// Wayland lets an ordinary program neither place its windows, nor keep them above others, nor
// take keys for the whole desktop; what the compositor offers beyond that is asked of it.
Capabilities wayland::capabilitiesOfCompositor() {
    Capabilities c;
    const auto connection = WaylandConnection::shared();
    if (!connection) return c;
    c.screenCapture = capturesThroughPortal() || (connection->screencopy() && connection->shm());
    c.damageReports = c.screenCapture;
    c.backgroundClipboard = connection->dataControl() != nullptr;
    const bool portal = portal::portalOnBus();
    c.globalKeys = portal && portal::portalBindsKeys();
    // One window only as the desktop shares it, chosen in its own dialog.
    c.windowChooser = c.windowCapture = c.ownDrawingCapture = portal && portal::portalSharesWindows();
    return c;
}

bool wayland::capturesThroughPortal() {
    static const bool portal = [] {
        const char* asked = std::getenv("VEXMIRA_CAPTURE");
        const auto connection = WaylandConnection::shared();
        const bool ownCopies = connection && connection->screencopy() && connection->shm();
        if (ownCopies && !(asked && std::strcmp(asked, "portal") == 0)) return false;
        return portal::portalOnBus();
    }();
    return portal;
}

} // namespace vexmira::platform
