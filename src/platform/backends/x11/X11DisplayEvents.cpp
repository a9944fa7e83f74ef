#include "platform/DisplayEvents.h"
#include "platform/backends/Backends.h"

#include "XConnection.h"

namespace vexmira::platform {

namespace {

// Holds the shared connection open for as long as the program pumps it, so that its
// descriptor stays the one watched.
class X11DisplayEventPump final : public DisplayEventPump {
  public:
    explicit X11DisplayEventPump(std::shared_ptr<x11::XConnection> connection)
        : connection_(std::move(connection)) {}
    int descriptor() const override { return connection_->descriptor(); }
    void dispatch(bool readSocket) override { connection_->dispatch(readSocket); }

  private:
    std::shared_ptr<x11::XConnection> connection_;
};

} // namespace

std::unique_ptr<DisplayEventPump> x11::openDisplayEventPump() {
    auto connection = x11::XConnection::shared();
    if (!connection) return nullptr;
    return std::make_unique<X11DisplayEventPump>(std::move(connection));
}

} // namespace vexmira::platform
