#pragma once

#include <QObject>

namespace vexmira::sources {

// Raises `OnClipboardChanged` whenever the system clipboard's content changes, and once right
// after it is created when `TriggerOnCreation` is on. While `Enabled` is off the changes pass
// unreported. User-interface thread.
class ClipboardWatcher : public QObject {
    Q_OBJECT
  public:
    explicit ClipboardWatcher(QObject* owner = nullptr);

    bool Enabled = true;
    bool TriggerOnCreation = true;

    // Raises the event when enabled.
    void ClipboardChanged();

  signals:
    void OnClipboardChanged(ClipboardWatcher* sender);
};

} // namespace vexmira::sources
