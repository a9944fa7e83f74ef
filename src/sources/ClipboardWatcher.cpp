#include "ClipboardWatcher.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QTimer>

namespace vexmira::sources {

ClipboardWatcher::ClipboardWatcher(QObject* owner) : QObject(owner) {
    connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, this,
            &ClipboardWatcher::ClipboardChanged);
    // Once the owner has finished setting up.
    QTimer::singleShot(0, this, [this] {
        if (TriggerOnCreation) ClipboardChanged();
    });
}

void ClipboardWatcher::ClipboardChanged() {
    if (Enabled) emit OnClipboardChanged(this);
}

} // namespace vexmira::sources
