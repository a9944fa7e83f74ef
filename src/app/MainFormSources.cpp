// The source switches of the control window.
#include "capture/ualldesktop.h"
#include "mainunit.h"
#include "platform/Log.h"
#include "uStartForm.h"

#include <QCoreApplication>
#include <QPixmap>

namespace vexmira::app {

void TMainForm::moveHighlight(widgets::TXiButton* button) {
    redall->move(redall->x(), button->y());
    redall->resize(redall->width(), button->height());
    sbred->setPixmap(QPixmap::fromImage(button->Glyph()));
    redall->setToolTip(button->toolTip());
    // Drawn now, but no click is taken here: a source pressed meanwhile would run in the middle
    // of this switch, which would then undo it.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    redall->show();
    redall->raise();
}

// Shows one page of the picture area and hides the others.
void TMainForm::showPicturePages(QWidget* shown) {
    for (QWidget* page : {static_cast<QWidget*>(xpanel1), static_cast<QWidget*>(Panel2),
                          static_cast<QWidget*>(xPanel3), static_cast<QWidget*>(p9)})
        page->setVisible(page == shown);
}

void TMainForm::releaseWindowCaptures() {
    if (windows_) windows_->releaseCaptures();
}

void TMainForm::SpeedButton1Click() {
    if (!desktopCaptureOffered_) {
        showErrorOver(this, "This desktop does not let programs copy the screen, so the desktop cannot be "
                            "mirrored here. On GNOME, KDE Plasma and other desktops, screen sharing needs "
                            "the desktop portal: install xdg-desktop-portal and your desktop's portal "
                            "(xdg-desktop-portal-gnome, xdg-desktop-portal-kde or xdg-desktop-portal-wlr), "
                            "then start Vexmira again.");
        return;
    }
    if (!capture::fAlldesktop || capture::fAlldesktop->exec() != QDialog::Accepted) return;
    SourceMenuIndex = 1;
    Cekiraj(SourceMenuIndex);
    moveHighlight(SpeedButton1);
    ClearImage();
    TrayTipText = "Desktop";
    cbx1->setChecked(false);
    showPicturePages(xpanel1);
    pd->setText("Preview");
    if (mirror::Fmonitor) mirror::Fmonitor->showPictureView();
    SourceMode = srcDesktop;
    clipWatch->Enabled = false;
    releaseWindowCaptures();
    Timer1->stop();
    stopSlideShow();
    stopDesktopTicks(); // a resting mirror starts again from its first tick
    Timer3zaslon->start();
}

void TMainForm::sbSTOPClick() {
    try {
        cbx1->setChecked(false);
        TrayTipText = "Stopped";
        Panel2->hide();
        p9->hide();
        xPanel3->hide();
        if (mirror::Fmonitor) mirror::Fmonitor->redMonitor->hide();
        redall->hide();
        SourceMenuIndex = 0;
        Cekiraj(SourceMenuIndex);
        ClearImage();
        SourceMode = srcStopped;
        releaseWindowCaptures();
        if (mirror::Fmonitor) mirror::Fmonitor->image->hide();
        cbx1->setChecked(false);
        hideScrollText();
        QCoreApplication::processEvents();
        Timer1->stop();
        stopDesktopTicks();
        stopSlideShow();
        ClearImage();
        QCoreApplication::processEvents();
    } catch (...) {
        platform::logCaught("Stop All went on regardless: every source is stopped below");
    }
    pd->setText("Stop All");
    if (FstartForm) FstartForm->BarvajIkono();
}

} // namespace vexmira::app
