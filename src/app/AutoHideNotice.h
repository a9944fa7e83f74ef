#pragma once

#include <QDialog>

class QCheckBox;
class QPushButton;

namespace vexmira::app {

// The notice shown when auto-hide is switched on: how to bring the faded window back, and
// "Don't show me again.". 180 pixels high, the check box at (8, 115). Only its OK button ends
// it with Accepted; Esc and the close box reject it.
class AutoHideNotice : public QDialog {
    Q_OBJECT
  public:
    explicit AutoHideNotice(QWidget* parent = nullptr);

    QCheckBox* dontShowAgain;
    QPushButton* ok;
};

} // namespace vexmira::app
