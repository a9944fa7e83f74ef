#include "WaylandConnection.h"
#include "platform/backends/Backends.h"

namespace vexmira::platform {

std::unique_ptr<ClipboardReader> wayland::openClipboardReader(int) {
    return nullptr;
}

} // namespace vexmira::platform
