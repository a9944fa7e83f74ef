// The shutter: the secondary monitor blanked at once while the sources go on in the preview.
#include "ExtraSettings.h"
#include "mainunit.h"
#include "platform/PictureFile.h"
#include "raster/ImageFile.h"

namespace vexmira::app {

void TMainForm::setBlanked(bool on) {
    mirror::TFmonitor* display = mirror::Fmonitor;
    if (!display || on == display->blanked()) return;
    if (on) {
        uncoverDisplay(); // the display's own scaling draws nothing while blanked
        // At once, with the picture decoded at an earlier blanking (black until there is one).
        if (shutterPicturePath_ != Extras.blankPicture) shutterPicture_ = raster::Bitmap();
        display->setBlanked(true, shutterPicture_);
        if (shutterPicture_.isEmpty() && !Extras.blankPicture.empty()) {
            try {
                shutterPicture_ = platform::loadPicture(std::filesystem::u8path(Extras.blankPicture));
                shutterPicturePath_ = Extras.blankPicture;
                display->setBlanked(true, shutterPicture_);
            } catch (const std::exception& error) {
                showErrorOver(this, "The picture for the blanked monitor cannot be shown: " +
                                        QString::fromLocal8Bit(error.what()) +
                                        ". The monitor is black instead.");
            }
        }
    } else {
        display->setBlanked(false);
        // Back to what the sources show now.
        if (cbx1->Checked() && SourceMode != srcText && SourceMode != srcStopped) ShareM();
        wakeDesktopTicks();
    }
    if (!blankMark_) {
        blankMark_ = new QLabel("  Secondary monitor blanked  ", this);
        blankMark_->setAutoFillBackground(true);
        QPalette red = blankMark_->palette();
        red.setColor(QPalette::Window, QColor(200, 0, 0));
        red.setColor(QPalette::WindowText, Qt::white);
        blankMark_->setPalette(red);
        QFont bold = blankMark_->font();
        bold.setBold(true);
        bold.setPixelSize(12);
        blankMark_->setFont(bold);
        blankMark_->adjustSize();
        blankMark_->move(Panel1->x() + 4, Panel1->y() + 4);
    }
    blankMark_->setVisible(display->blanked()); // a press during the message above may have undone it
    blankMark_->raise();
}

bool TMainForm::blanked() const {
    return mirror::Fmonitor && mirror::Fmonitor->blanked();
}

} // namespace vexmira::app
