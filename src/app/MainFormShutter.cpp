// The shutter: the secondary monitor blanked at once while the sources go on in the preview.
#include "ExtraSettings.h"
#include "mainunit.h"
#include "raster/ImageFile.h"

namespace vexmira::app {

void TMainForm::setBlanked(bool on) {
    mirror::TFmonitor* display = mirror::Fmonitor;
    if (!display || on == display->blanked()) return;
    if (on) {
        raster::Bitmap picture;
        if (!Extras.blankPicture.empty()) {
            try {
                picture = raster::loadImage(std::filesystem::u8path(Extras.blankPicture));
            } catch (const std::exception& error) {
                // Black at once; what went wrong with the picture is told afterwards.
                display->setBlanked(true);
                showErrorOver(this, "The picture for the blanked monitor cannot be shown: " +
                                        QString::fromLocal8Bit(error.what()) +
                                        ". The monitor is black instead.");
            }
        }
        uncoverDisplay(); // the display's own scaling draws nothing while blanked
        display->setBlanked(true, picture);
    } else {
        display->setBlanked(false);
        // Back to what the sources show now.
        if (cbx1->Checked() && SourceMode != srcText && SourceMode != srcStopped) ShareM();
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
    blankMark_->setVisible(on);
    blankMark_->raise();
    emit blankedChanged(on);
}

bool TMainForm::blanked() const {
    return mirror::Fmonitor && mirror::Fmonitor->blanked();
}

} // namespace vexmira::app
