#include "ualldesktop.h"

#include "ugrab.h"
#include "widgets/ImageView.h"
#include "widgets/XiButton.h"

#include <QApplication>
#include <QButtonGroup>
#include <QGroupBox>
#include <QRadioButton>
#include <QScreen>
#include <QThread>
#include <QVBoxLayout>

namespace vexmira::capture {

TfAlldesktop* fAlldesktop = nullptr;

TfAlldesktop::TfAlldesktop(mirror::DesktopCapture& capture, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint), capture_(capture) {
    setWindowTitle("Vexmira");
    setFixedSize(342, 160);
    setAutoFillBackground(true);
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    setPalette(white);

    rg1 = new QGroupBox(" Display  ", this);
    rg1->setGeometry(16, 12, 310, 94);
    allDesktop = new QRadioButton("All Desktop", rg1);
    partOfDesktop = new QRadioButton("Part of Desktop", rg1);
    auto* layout = new QVBoxLayout(rg1);
    layout->addWidget(allDesktop);
    layout->addWidget(partOfDesktop);
    choice_ = new QButtonGroup(this);
    choice_->addButton(allDesktop, mirror::AllDesktop);
    choice_->addButton(partOfDesktop, mirror::PartOfDesktop);
    allDesktop->setChecked(true);

    Panel1 = new QWidget(this);
    Panel1->setGeometry(0, 160 - 41, 342, 41);
    Panel1->setAutoFillBackground(true);
    QPalette strip = Panel1->palette();
    strip.setColor(QPalette::Window, QColor(0, 128, 255));
    Panel1->setPalette(strip);
    BitBtn1 = new widgets::TXiButton(Panel1);
    BitBtn1->setCaption("OK");
    BitBtn1->setGeometry(170, 8, 75, 25);
    BitBtn1->setDefault(true);
    BitBtn2 = new widgets::TXiButton(Panel1);
    BitBtn2->setCaption("Cancel");
    BitBtn2->setGeometry(255, 8, 75, 25);
    BitBtn2->setCancel(true);
    connect(BitBtn1, &widgets::TXiButton::clicked, this, &TfAlldesktop::BitBtn1Click);
    connect(BitBtn2, &widgets::TXiButton::clicked, this, &TfAlldesktop::BitBtn2Click);
}

int TfAlldesktop::ItemIndex() const { return choice_->checkedId(); }

void TfAlldesktop::setItemIndex(int index) {
    if (QAbstractButton* button = choice_->button(index)) button->setChecked(true);
}

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

void TfAlldesktop::BitBtn2Click() { done(QDialog::Rejected); }

} // namespace vexmira::capture
