#include "Shutter.h"

#include "mirror/umonitor.h"
#include "platform/PictureFile.h"

namespace vexmira::app {

Shutter::Shutter(QWidget* markParent, QPoint markPlace, std::function<std::string()> picturePath)
    : QObject(markParent), markParent_(markParent), markPlace_(markPlace),
      picturePath_(std::move(picturePath)) {}

void Shutter::set(mirror::TFmonitor& display, bool closed) {
    if (closed == display.blanked()) return;
    if (closed) {
        emit closing();
        // At once, with the picture decoded at an earlier blanking (black until there is one).
        const std::string path = picturePath_();
        if (decodedPath_ != path) picture_ = raster::Bitmap();
        display.setBlanked(true, picture_);
        if (picture_.isEmpty() && !path.empty()) {
            try {
                picture_ = platform::loadPicture(std::filesystem::u8path(path));
                decodedPath_ = path;
                display.setBlanked(true, picture_);
            } catch (const std::exception& error) {
                emit problem("The picture for the blanked monitor cannot be shown: " +
                             QString::fromLocal8Bit(error.what()) + ". The monitor is black instead.");
            }
        }
    } else {
        display.setBlanked(false);
        emit opened();
    }
    showMark(display.blanked()); // a press during the message above may have undone it
}

void Shutter::showMark(bool shown) {
    if (!mark_) {
        mark_ = new QLabel("  Secondary monitor blanked  ", markParent_);
        mark_->setAutoFillBackground(true);
        QPalette red = mark_->palette();
        red.setColor(QPalette::Window, QColor(200, 0, 0));
        red.setColor(QPalette::WindowText, Qt::white);
        mark_->setPalette(red);
        QFont bold = mark_->font();
        bold.setBold(true);
        bold.setPixelSize(12);
        mark_->setFont(bold);
        mark_->adjustSize();
        mark_->move(markPlace_);
    }
    mark_->setVisible(shown);
    mark_->raise();
}

} // namespace vexmira::app
