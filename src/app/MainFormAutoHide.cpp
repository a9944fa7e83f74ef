// Auto-hide, keeping the control window on the screen, and the display window's commands.
#include "AutoHideNotice.h"
#include "FadeSchedule.h"
#include "mainunit.h"
#include "platform/Log.h"
#include "uStartForm.h"

#include <QCheckBox>
#include <QCursor>
#include <QDialog>
#include <QGuiApplication>
#include <QScreen>

namespace vexmira::app {

void TMainForm::setOpacity(int opacity) {
    setWindowOpacity(opacity / 255.0);
    // Each tick's opacity is shown at that tick, not with the next batch of requests.
    QGuiApplication::sync();
}

void TMainForm::showAutoHideNotice() {
    AutoHideNotice notice(this);
    // Only OK applies the tick; Esc and the close box change nothing.
    if (notice.exec() == QDialog::Accepted) AutohideAgain = notice.dontShowAgain->isChecked();
}

void TMainForm::AutoHide1Click() {
    // The menu has already flipped the tick.
    if (AutoHide1->isChecked()) {
        Timer2->start();
        if (!AutohideAgain) showAutoHideNotice();
    } else {
        Timer2->stop(); // the opacity stays where the fade left it
    }
}

void TMainForm::Timer2Timer() {
    if (!AutoHide1->isChecked()) return;
    try {
        const QPoint screen = QCursor::pos();
        // The corner that brings the window back is the primary monitor's top-left one.
        const QPoint onPrimary = screen - primaryScreenRect().topLeft();
        const FadeStep step =
            fadeTick(onPrimary, mapFromGlobal(screen), size(), frameGeometry().width(), AlphaLevel);
        AlphaLevel = step.alphaLevel;
        if (step.opacity >= 0) setOpacity(step.opacity);
    } catch (...) {
        platform::logCaught("a fade step failed; the next one starts from the window as it is");
    }
}

void TMainForm::Timer3Timer() {
    if (FstartForm) FstartForm->BarvajIkono();
    const QRect primary = primaryScreenRect();
    const QPoint place = placeOnDesktop();
    if (place.x() - primary.x() > primary.width() - 30)
        moveTo({primary.x() + primary.width() - width() - 30, place.y()});
    else if (place.x() + width() < primary.x() + 30) // dragged off to a monitor on the left
        moveTo({primary.x() + 5, place.y()});
}

void TMainForm::sbseconddisplayClick() {
    if (!mirror::Fmonitor) return;
    if (mirror::Fmonitor->isVisible()) {
        mirror::Fmonitor->close();
        sbseconddisplay->setChecked(false);
    } else {
        mirror::Fmonitor->show();
        sbseconddisplay->setChecked(true);
    }
}

void TMainForm::Movetoseconddisplay1Click() {
    if (!mirror::Fmonitor || QGuiApplication::screens().size() < 2) return;
    const QRect primary = primaryScreenRect();
    mirror::Fmonitor->move(primary.x() + primary.width(), mirror::Fmonitor->y());
}

} // namespace vexmira::app
