// The scrolling text: its setup window, and the strip it sends to the display window with the
// red line that stands for it in the preview.
#include "mainunit.h"
#include "sources/uscrollset.h"
#include "widgets/QtColor.h"

namespace vexmira::app {

void TMainForm::SBSCrollClick() {
    SourceMenuIndex = 6;
    Cekiraj(SourceMenuIndex);
    // Only the setup opens: the source, the timers and the display stay as they are.
    if (!sources::fscrolset) return;
    sources::fscrolset->show();
    sources::fscrolset->raise();
    sources::fscrolset->activateWindow();
}

void TMainForm::sendScrollText(const QString& text, const QColor& colour, const QColor& fontColour,
                               bool top) {
    pscroll->setColor(widgets::toTColor(colour));
    pscroll->setText(text);
    QPalette p = pscroll->palette();
    p.setColor(QPalette::WindowText, fontColour);
    pscroll->setPalette(p);
    pscroll->move(0, top ? 0 : Panel1->height() - pscroll->height());
    pscroll->show();
    pscroll->raise();
}

void TMainForm::hideScrollText() {
    if (mirror::Fmonitor) mirror::Fmonitor->hideStrip();
    pscroll->hide();
}

} // namespace vexmira::app
