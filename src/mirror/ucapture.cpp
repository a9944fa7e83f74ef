#include "ucapture.h"

namespace vexmira::mirror {

TfCapture* fCapture = nullptr;

TfCapture::TfCapture(QWidget* parent)
    : widgets::ChoiceDialog(" Capture  ", {"Single Window", "Single Window Area"}, parent),
      waitForReturn(new QCheckBox("Wait for the window when it closes", this)) {
    waitForReturn->setGeometry(16, 97, 316, 21);
}

} // namespace vexmira::mirror
