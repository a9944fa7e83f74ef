// The shutter, as the control window drives it: the display's own scaling stops while it is
// closed, and the sources' picture goes to the display again when it opens.
#include "ExtraSettings.h"
#include "Shutter.h"
#include "mainunit.h"

namespace vexmira::app {

void TMainForm::setBlanked(bool on) {
    if (!mirror::Fmonitor) return;
    if (!shutter_) {
        shutter_ = new Shutter(this, {Panel1->x() + 4, Panel1->y() + 4}, [] { return Extras.blankPicture; });
        connect(shutter_, &Shutter::closing, this, [this] { uncoverDisplay(); });
        connect(shutter_, &Shutter::opened, this, [this] {
            // Back to what the sources show now.
            if (cbx1->Checked() && SourceMode != srcText && SourceMode != srcStopped) ShareM();
            wakeDesktopTicks();
        });
        connect(shutter_, &Shutter::problem, this,
                [this](const QString& text) { showErrorOver(this, text); });
    }
    shutter_->set(*mirror::Fmonitor, on);
}

bool TMainForm::blanked() const {
    return mirror::Fmonitor && mirror::Fmonitor->blanked();
}

} // namespace vexmira::app
