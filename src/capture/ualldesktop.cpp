#include "ualldesktop.h"

#include "ugrab.h"
#include "widgets/ImageView.h"

#include <QApplication>
#include <QScreen>
#include <QThread>

namespace vexmira::capture {

TfAlldesktop* fAlldesktop = nullptr;

TfAlldesktop::TfAlldesktop(mirror::DesktopCapture& capture, QWidget* parent)
    : widgets::ChoiceDialog(" Display  ", {"All Desktop", "Part of Desktop"}, parent), capture_(capture) {}

bool TfAlldesktop::GrabScreen(QImage& shot) {
    const QSize primary = QGuiApplication::primaryScreen()->size();
    raster::Bitmap frame;
    if (!capture_.CaptureDesktop(frame, mirror::AllDesktop, {}, primary.width(), primary.height(), {})) return false;
    shot = widgets::asQImage(frame).copy();
    return true;
}

void TfAlldesktop::BitBtn1Click() {
    const int top = y();
    QImage shot;
    if (ItemIndex() == mirror::PartOfDesktop && grab_) {
        if (controlWindow_) controlWindow_->hide();
        move(x(), top - 500);
        hide();
        // Let the screen repaint without our windows before it is photographed.
        for (int i = 0; i < 5; ++i) {
            QApplication::processEvents();
            QThread::msleep(20);
        }
        GrabScreen(shot);
        grab_->GrabShot = shot;
        grab_->exec();
        grab_->GrabShot = QImage();
        if (controlWindow_) controlWindow_->show();
    }
    move(x(), top);
    done(QDialog::Accepted);
}


} // namespace vexmira::capture
