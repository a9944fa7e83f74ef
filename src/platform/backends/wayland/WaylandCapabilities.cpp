#include "WaylandConnection.h"
#include "platform/backends/Backends.h"

namespace vexmira::platform {

// Wayland lets an ordinary program neither place its windows, nor keep them above others, nor
// take keys for the whole desktop; what the compositor offers beyond that is asked of it.
Capabilities wayland::capabilitiesOfCompositor() {
    Capabilities c;
    const auto connection = WaylandConnection::shared();
    if (!connection) return c;
    c.screenCapture = connection->screencopy() && connection->shm();
    c.damageReports = c.screenCapture;
    c.backgroundClipboard = connection->dataControl() != nullptr;
    return c;
}

} // namespace vexmira::platform
