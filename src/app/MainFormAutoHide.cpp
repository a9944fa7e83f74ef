// Auto-hide, keeping the control window on the screen, and the display window's commands.
#include "FadeSchedule.h"
#include "mainunit.h"

#include <QCheckBox>
#include <QCursor>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>

namespace vexmira::app {

void TMainForm::setOpacity(int opacity) { setWindowOpacity(opacity / 255.0); }

void TMainForm::showAutoHideNotice() {
    QMessageBox notice(QMessageBox::Information, "Vexmira",
                       " \r   Move cursor to upper left corner to show hidden Vexmira.          ", QMessageBox::NoButton, this);
    QAbstractButton* ok = notice.addButton("OK", QMessageBox::YesRole);
    auto* again = new QCheckBox("Don't show me again.");
    notice.setCheckBox(again);
    notice.exec();
    if (notice.clickedButton() == ok) AutohideAgain = again->isChecked();
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
        const FadeStep step = fadeTick(screen, mapFromGlobal(screen), size(), frameGeometry().width(), AlphaLevel);
        AlphaLevel = step.alphaLevel;
        if (step.opacity >= 0) setOpacity(step.opacity);
    } catch (...) {
        // A failed fade tick is forgotten.
    }
}

void TMainForm::Timer3Timer() {
    const int screenWidth = QGuiApplication::primaryScreen()->geometry().width();
    if (x() > screenWidth - 30) move(screenWidth - width() - 30, y());
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
    mirror::Fmonitor->move(QGuiApplication::primaryScreen()->geometry().width(), mirror::Fmonitor->y());
}

} // namespace vexmira::app
