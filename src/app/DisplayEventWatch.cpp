#include "DisplayEventWatch.h"

#include <QAbstractEventDispatcher>

namespace vexmira::app {

DisplayEventWatch::DisplayEventWatch(std::unique_ptr<platform::DisplayEventPump> pump, QObject* parent)
    : QObject(parent), pump_(std::move(pump)) {
    if (!pump_ || pump_->descriptor() < 0) return;
    notifier_ = new QSocketNotifier(pump_->descriptor(), QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, [this] { pump_->dispatch(true); });
    if (auto* dispatcher = QAbstractEventDispatcher::instance())
        connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, this,
                [this] { pump_->dispatch(false); });
}

} // namespace vexmira::app
