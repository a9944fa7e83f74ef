#include "ualldesktop.h"

#include "platform/ScreenCapture.h"
#include "ugrab.h"
#include "widgets/ImageView.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QScreen>
#include <QThread>
#include <QToolTip>

namespace vexmira::capture {

TfAlldesktop* fAlldesktop = nullptr;

TfAlldesktop::TfAlldesktop(mirror::DesktopCapture& capture, QWidget* parent)
    : widgets::ChoiceDialog(" Display  ", {"All Desktop", "Part of Desktop", "Follow the mouse"}, parent),
      capture_(capture) {}

bool TfAlldesktop::GrabScreen(QImage& shot) {
    raster::Bitmap frame;
    // A screen shared a moment ago may take a little while to send its first picture.
    QElapsedTimer waited;
    waited.start();
    while (!capture_.CaptureDesktop(frame, mirror::AllDesktop, {}, {}) || frame.isEmpty()) {
        if (waited.elapsed() > 3000) return false;
        QApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 20);
        QThread::msleep(20);
    }
    shot = widgets::asQImage(frame).copy();
    return true;
}

bool TfAlldesktop::mayCopyScreen() {
    // The desktop's own dialog answers; ours waits without taking a second OK meanwhile.
    setEnabled(false);
    const platform::ScreenConsent consent = platform::askToCopyScreen(permissionFile_);
    setEnabled(true);
    if (consent.outcome == platform::ScreenConsent::Allowed) return true;
    QWidget* over = controlWindow_ ? controlWindow_ : this;
    if (consent.outcome == platform::ScreenConsent::Cancelled)
        QToolTip::showText(over->mapToGlobal(QPoint(10, 30)),
                           "The screen was not shared; the source stays as it was.", over);
    else
        QMessageBox::warning(over, "Vexmira", QString::fromStdString(consent.problem));
    done(QDialog::Rejected);
    return false;
}

void TfAlldesktop::BitBtn1Click() {
    if (!mayCopyScreen()) return;
    // A followed region takes the size of the dragged one, and starts where it was dragged.
    if ((ItemIndex() == mirror::PartOfDesktop || ItemIndex() == mirror::FollowMouse) && grab_) {
        // Out of the way while the screen is photographed; hidden windows keep their place.
        auto showControlWindow = [&] {
            if (controlWindow_) controlWindow_->show();
        };
        if (controlWindow_) controlWindow_->hide();
        hide();
        // Let the screen repaint without our windows before it is photographed.
        for (int i = 0; i < 5; ++i) {
            QApplication::processEvents();
            QThread::msleep(20);
        }
        QImage shot;
        if (!GrabScreen(shot)) {
            showControlWindow();
            show();
            QMessageBox::critical(
                this, "Vexmira",
                "Cannot take a picture of the screen, so a part of the desktop cannot be chosen now.");
            return; // the dialog stays open
        }
        grab_->GrabShot = shot;
        grab_->exec();
        grab_->GrabShot = QImage();
        showControlWindow();
    }
    done(QDialog::Accepted);
}

} // namespace vexmira::capture
