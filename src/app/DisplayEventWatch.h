#pragma once

#include "platform/DisplayEvents.h"

#include <QObject>
#include <QSocketNotifier>

#include <memory>

namespace vexmira::app {

// Runs the display's event pump from the event loop: when its connection turns readable, and
// before the loop sleeps (a reply waited for may have queued events that the descriptor no
// longer shows).
class DisplayEventWatch : public QObject {
    Q_OBJECT
  public:
    // Does nothing when `pump` is null.
    explicit DisplayEventWatch(std::unique_ptr<platform::DisplayEventPump> pump, QObject* parent = nullptr);

  private:
    std::unique_ptr<platform::DisplayEventPump> pump_;
    QSocketNotifier* notifier_ = nullptr;
};

} // namespace vexmira::app
