#pragma once

#include "widgets/ChoiceDialog.h"

#include <QCheckBox>

namespace vexmira::mirror {

// Asks how the single-application source copies its window: "Single Window" (the window's own
// drawing, capture method 2) or "Single Window Area" (what the screen shows there, method 1).
class TfCapture : public widgets::ChoiceDialog {
    Q_OBJECT
  public:
    explicit TfCapture(QWidget* parent = nullptr);

    // When the window closes, the display keeps its last picture until a window of the same
    // class from the same program appears, which is then mirrored.
    QCheckBox* waitForReturn;

    // 2 for "Single Window", 1 for "Single Window Area".
    int captureMethod() const { return ItemIndex() == 1 ? 1 : 2; }
};

extern TfCapture* fCapture;

} // namespace vexmira::mirror
