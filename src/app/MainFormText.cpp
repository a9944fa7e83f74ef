// The text page: the control window's preview of it, the editor that writes it, and the way it
// reaches the display window.
#include "mainunit.h"
#include "sources/utext.h"

#include <QCoreApplication>
#include <QVBoxLayout>

namespace vexmira::app {

void TMainForm::buildTextPage() {
    p9 = new Panel(Panel1, 0x0080FF);
    p9->setFrameStyle(QFrame::Box | QFrame::Plain);
    p9->setLineWidth(1);
    p9->setGeometry(0, 0, Panel1->width(), Panel1->height());
    p9->hide();
    auto* column = new QVBoxLayout(p9);
    column->setContentsMargins(1, 1, 1, 1);
    column->setSpacing(0);
    red = new widgets::TRichEdit(p9);
    red->setReadOnly(true);
    red->setFrameShape(QFrame::NoFrame);
    red->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    red->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    column->addWidget(red, 1);
    Panel8 = new Panel(p9, 0xEAEAEA);
    Panel8->setFixedHeight(31);
    column->addWidget(Panel8);
    SpeedButton5 = new QToolButton(Panel8);
    SpeedButton5->setText("Edit");
    SpeedButton5->setAutoRaise(true);
    SpeedButton5->setFocusPolicy(Qt::NoFocus);
    SpeedButton5->setGeometry(312, 5, 63, 22);
    connect(SpeedButton5, &QToolButton::clicked, this, &TMainForm::SpeedButton5Click);
}

void TMainForm::copyEditorToRed() {
    // Straight from one control to the other, through memory: no file that a read-only folder,
    // a second copy of the program or a crash could break.
    if (sources::ftext) red->copyFrom(*sources::ftext->Editor);
}

void TMainForm::sbtextClick() {
    SourceMenuIndex = 5;
    Cekiraj(SourceMenuIndex);
    moveHighlight(sbtext);
    ClearImage();
    TrayTipText = "Text";
    if (red->parentWidget() != p9) {
        red->setParent(p9);
        static_cast<QVBoxLayout*>(p9->layout())->insertWidget(0, red, 1);
        red->show();
    }
    SlideStopRequested = true;
    stopSlideShow();
    cbx1->setChecked(false);
    showPicturePages(p9);
    pd->hide();
    p9->setGeometry(0, 0, Panel1->width(), Panel1->height());
    SourceMode = srcText;
    // The timers of the previous source go on; their pictures reach hidden views only.
    if (!sources::ftext) return;
    if (red->document()->isEmpty()) sources::ftext->exec();
    if (sources::ftext->ClosedWithOk()) {
        copyEditorToRed();
        PAnelHint->move(PAnelHint->x(), 1242);
    }
}

void TMainForm::ext1Click() {
    sbtextClick();
    Cekiraj(5);
}

void TMainForm::SpeedButton5Click() {
    if (sources::ftext && sources::ftext->exec() == QDialog::Accepted) copyEditorToRed();
}

} // namespace vexmira::app
