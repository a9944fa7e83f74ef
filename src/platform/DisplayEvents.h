#pragma once

#include <memory>

namespace vexmira::platform {

// What the display server sends to the services of the user-interface thread (damage reports,
// exposures of our own windows, errors) is read in one place: the program's event loop watches
// descriptor() and calls dispatch() when it turns readable, and dispatch(false) before it
// sleeps, for what waiting on replies queued meanwhile. User-interface thread.
class DisplayEventPump {
  public:
    virtual ~DisplayEventPump() = default;
    virtual int descriptor() const = 0;
    virtual void dispatch(bool readSocket) = 0;
};

// Null where the display has nothing to pump (no connection of ours).
std::unique_ptr<DisplayEventPump> openDisplayEventPump();

} // namespace vexmira::platform
