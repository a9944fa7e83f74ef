// The slide show: the control window's slide panel, its buttons and the slide timer.
#include "ArtWork.h"
#include "mainunit.h"
#include "mirror/umonitor.h"
#include "platform/Log.h"
#include "sources/SlideText.h"
#include "sources/uss.h"

#include <QApplication>
#include <QMessageBox>
#include <algorithm>

namespace vexmira::app {

namespace {

constexpr int firstSlide = 2;

QColor panelGrey() {
    return QColor(67, 67, 67);
}

int lastSlide() {
    return sources::fss ? sources::fss->lineCount() - 1 : firstSlide - 1;
}

bool listHasSlides() {
    return sources::fss && sources::fss->hasSlides();
}

std::filesystem::path slidePath(int index) {
    return sources::fss ? std::filesystem::path(sources::fss->line(index)) : std::filesystem::path();
}

} // namespace

void TMainForm::buildSlidePanel() {
    Panel3 = new Panel(xPanel3, 0x000000);
    Panel3->setGeometry(4, 4, 283, 197);
    slika2 = new widgets::ImageView(Panel3);
    slika2->setGeometry(0, 0, 283, 197);
    slika2->setScaleMode(raster::ScaleMode::smResize);
    slika2->setCentered(true);
    slideText = new widgets::TRichEdit(Panel3);
    slideText->setGeometry(0, 0, 283, 197);
    slideText->setReadOnly(true);
    slideText->setFrameShape(QFrame::NoFrame);
    slideText->hide();

    auto button = [this](int left, int width, Glyph glyph, const QString& hint) {
        auto* b = new widgets::TXiButton(xPanel3);
        b->setGeometry(left, 207, width, 32);
        b->setColorScheme(widgets::TXiButton::csNeoSilver);
        b->setGlyph(glyphImage(glyph));
        b->setToolTip(hint);
        b->setFocusPolicy(Qt::NoFocus);
        return b;
    };
    SpeedButtonFirstOne = button(4, 38, Glyph::FirstSlide, "First Image");
    SpeedButton10 = button(45, 38, Glyph::PreviousSlide, "Previous");
    SpeedButtonPlayForward = button(86, 50, Glyph::PlaySlides, "Show");
    SpeedButton11 = button(139, 38, Glyph::NextSlide, "Next");
    SpeedButtonLastOne = button(180, 38, Glyph::LastSlide, "Last Image");
    SpeedButtonPause = button(221, 38, Glyph::PauseSlides, "Stop");
    sbadslide = button(293, 89, Glyph::SetUpSlides, "Set Up");
    sbadslide->move(293, 169);
    connect(SpeedButtonFirstOne, &widgets::TXiButton::clicked, this, &TMainForm::SpeedButtonFirstOneClick);
    connect(SpeedButton10, &widgets::TXiButton::clicked, this, &TMainForm::SpeedButton10Click);
    connect(SpeedButtonPlayForward, &widgets::TXiButton::clicked, this,
            &TMainForm::SpeedButtonPlayForwardClick);
    connect(SpeedButton11, &widgets::TXiButton::clicked, this, &TMainForm::SpeedButton11Click);
    connect(SpeedButtonLastOne, &widgets::TXiButton::clicked, this, &TMainForm::SpeedButtonLastOneClick);
    connect(SpeedButtonPause, &widgets::TXiButton::clicked, this, &TMainForm::SpeedButtonPauseClick);
    connect(sbadslide, &widgets::TXiButton::clicked, this, &TMainForm::sbadslideClick);

    cbloop = new widgets::TBitCheckBox(xPanel3);
    cbloop->setGeometry(293, 8, 89, 21);
    cbloop->setCaption("Loop");
    cbloop->setColor(0x434343);
    cbloop->setChecked(true);
    cbloop->setFocusPolicy(Qt::NoFocus);
    l_td = new QLabel("Duration (s)", xPanel3);
    l_td->setGeometry(293, 42, 89, 18);
    tbr = new QSpinBox(xPanel3);
    tbr->setGeometry(293, 62, 80, 26);
    tbr->setRange(1, 5000);
    tbr->setValue(4);
    for (QWidget* white : {static_cast<QWidget*>(cbloop), static_cast<QWidget*>(l_td)}) {
        QPalette palette = white->palette();
        palette.setColor(QPalette::WindowText, Qt::white);
        palette.setColor(QPalette::Window, panelGrey());
        white->setPalette(palette);
    }
    connect(tbr, &QSpinBox::valueChanged, this, &TMainForm::tbrChange);
}

void TMainForm::stopSlideShow() {
    TimerStep->stop();
    slides_->stop();
}

void TMainForm::SpeedButton3Click() {
    SourceMenuIndex = 4;
    Cekiraj(SourceMenuIndex);
    moveHighlight(SpeedButton3);
    ClearImage();
    TrayTipText = "Images";
    cbx1->setChecked(false);
    SourceMode = srcImages;
    showPicturePages(xPanel3);
    pd->hide();
    if (mirror::Fmonitor) mirror::Fmonitor->showPictureView();
    clipWatch->Enabled = false;
    releaseWindowCaptures();
    stopDesktopTicks();
    Timer1->stop();
    stopSlideShow();
}

void TMainForm::Images1Click() {
    SpeedButton3Click();
    Cekiraj(4);
}

void TMainForm::tbrChange() {
    TimerStep->setInterval(tbr->value() * 1000);
}

void TMainForm::risisliko(const std::filesystem::path& file) {
    const sources::TFileKind kind = sources::FileKind(file);
    if (!sources::isPictureKind(kind)) {
        ClearImage();
        if (kind != sources::fkOther) showTextSlide(file);
        return;
    }
    slideText->hide();
    slika2->show();
    raster::Bitmap picture;
    try {
        picture = slides_->take(file);
    } catch (...) {
        // Said by whoever catches it: the picture is cleared so no stale slide stays.
        ClearImage();
        throw;
    }
    // Every view the black picture would reach gets the new one at once: no black frame shows
    // between two picture slides.
    if (!cbx1->Checked() && mirror::Fmonitor)
        mirror::Fmonitor->image->setBitmap(
            raster::Bitmap(mirror::Fmonitor->image->width() + 1, mirror::Fmonitor->image->height() + 1, 24));
    CurrentFrame = picture;
    if (previewFed()) slika->setBitmap(CurrentFrame);
    if (cbx1->Checked()) ShareM();
}

void TMainForm::showTextSlide(const std::filesystem::path& file) {
    sources::loadTextSlide(*slideText, file);
    slideText->show();
    slideText->raise();
    slika2->hide();
}

void TMainForm::risiprikaz(const std::filesystem::path& file) {
    if (!sources::isPictureKind(sources::FileKind(file))) return;
    slika2->show();
    slika2->setBitmap(slides_->picture(file));
}

void TMainForm::prefetchNextSlide() {
    const auto next = sources::SlidePlayer::nextIndex(SlideIndex, firstSlide, lastSlide(), cbloop->Checked());
    if (!next) return;
    const std::filesystem::path file = slidePath(*next);
    if (sources::isPictureKind(sources::FileKind(file))) slides_->prefetch(file);
}

void TMainForm::showSlideAtIndex() {
    SlideIndex = std::clamp(SlideIndex, firstSlide, std::max(firstSlide, lastSlide()));
    const std::filesystem::path file = slidePath(SlideIndex);
    risisliko(file);
    risiprikaz(file);
    prefetchNextSlide();
}

void TMainForm::reportSlideError(const QString& text) {
    if (slideError_) return; // the message still showing says enough
    auto* box = new QMessageBox(QMessageBox::Critical, "Vexmira", text, QMessageBox::Ok, this);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::NonModal);
    box->setWindowFlag(Qt::WindowStaysOnTopHint);
    slideError_ = box;
    box->show();
}

void TMainForm::SpeedButtonPlayForwardClick() {
    try {
        cbx1->setChecked(true);
        SlideStopRequested = false;
        if (!sources::fss) return;
        sources::fss->Button1Click();
        if (!listHasSlides()) {
            QApplication::beep();
            if (sources::fss->questions().confirm(this, "Open Slide Show ?")) {
                sources::fss->XiButton2Click();
                SlideIndex = firstSlide;
            }
            if (!listHasSlides()) {
                sources::fss->exec();
                sources::fss->Button1Click();
            }
            if (!listHasSlides()) return;
        }
        showSlideAtIndex();
        QCoreApplication::processEvents();
        tbrChange();
        TimerStep->start();
    } catch (...) {
        platform::logCaught("the slide cannot be shown; Show ends here and Next moves past it");
    }
}

void TMainForm::TimerStepTimer() {
    if (slideTickRunning_) return;
    if (SlideStopRequested) {
        TimerStep->stop();
        return;
    }
    slideTickRunning_ = true;
    QCoreApplication::processEvents();
    // What ran meanwhile may have stopped the show or chosen another source.
    if (SlideStopRequested || SourceMode != srcImages || !TimerStep->isActive() || !listHasSlides()) {
        if (SlideStopRequested || !listHasSlides()) TimerStep->stop();
        slideTickRunning_ = false;
        return;
    }
    const auto next = sources::SlidePlayer::nextIndex(SlideIndex, firstSlide, lastSlide(), cbloop->Checked());
    if (!next) { // the end of a show that does not loop
        SlideIndex = lastSlide();
        TimerStep->stop();
        slideTickRunning_ = false;
        return;
    }
    SlideIndex = *next;
    const std::filesystem::path file = slidePath(SlideIndex);
    const sources::TFileKind kind = sources::FileKind(file);
    try {
        if (sources::isPictureKind(kind)) {
            risisliko(file);
            risiprikaz(file);
        } else if (kind != sources::fkOther) {
            showTextSlide(file); // in the slide panel alone: the picture stays where it is
        }
    } catch (const std::exception& error) {
        reportSlideError(QString::fromStdString(error.what()));
    }
    prefetchNextSlide();
    slideTickRunning_ = false;
}

void TMainForm::goToSlide(int index, bool tellErrors) {
    if (!listHasSlides()) return;
    SlideStopRequested = true;
    TimerStep->stop();
    SlideIndex = index;
    try {
        showSlideAtIndex();
    } catch (const std::exception& error) {
        if (tellErrors) showErrorOver(this, QString::fromStdString(error.what()));
    }
}

void TMainForm::SpeedButtonFirstOneClick() {
    goToSlide(firstSlide, true);
}

void TMainForm::SpeedButton10Click() {
    goToSlide(SlideIndex > firstSlide ? SlideIndex - 1 : SlideIndex, false);
}

void TMainForm::SpeedButton11Click() {
    goToSlide(SlideIndex < lastSlide() ? SlideIndex + 1 : SlideIndex, false);
}

void TMainForm::SpeedButtonLastOneClick() {
    goToSlide(lastSlide(), true);
}

void TMainForm::SpeedButtonPauseClick() {
    SlideStopRequested = true;
    TimerStep->stop();
}

void TMainForm::sbadslideClick() {
    if (!sources::fss) return;
    TimerStep->stop();
    sources::fss->exec();
    sources::fss->Button1Click();
    if (listHasSlides()) SpeedButtonFirstOneClick();
}

} // namespace vexmira::app
