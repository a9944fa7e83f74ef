#include "ChoiceDialog.h"

#include "XiButton.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QRadioButton>
#include <QVBoxLayout>

namespace vexmira::widgets {

ChoiceDialog::ChoiceDialog(const QString& groupCaption, const QStringList& items, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint) {
    setWindowTitle("Vexmira");
    setFixedSize(342, 160);
    setAutoFillBackground(true);
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    setPalette(white);

    rg1 = new QGroupBox(groupCaption, this);
    rg1->setGeometry(11, items.size() > 2 ? 10 : 16, 320, items.size() > 2 ? 102 : 81);
    auto* layout = new QVBoxLayout(rg1);
    choice_ = new QButtonGroup(this);
    for (int i = 0; i < items.size(); ++i) {
        auto* item = new QRadioButton(items[i], rg1);
        layout->addWidget(item);
        choice_->addButton(item, i);
    }
    setItemIndex(0);

    Panel1 = new QWidget(this);
    Panel1->setGeometry(0, 160 - 41, 342, 41);
    Panel1->setAutoFillBackground(true);
    QPalette strip = Panel1->palette();
    strip.setColor(QPalette::Window, QColor(0, 128, 255));
    Panel1->setPalette(strip);
    BitBtn1 = new TXiButton(Panel1);
    BitBtn1->setCaption("OK");
    BitBtn1->setGeometry(255, 8, 75, 25);
    BitBtn1->setDefault(true);
    BitBtn2 = new TXiButton(Panel1);
    BitBtn2->setCaption("Cancel");
    BitBtn2->setGeometry(167, 8, 75, 25);
    BitBtn2->setCancel(true);
    connect(BitBtn1, &TXiButton::clicked, this, [this] { BitBtn1Click(); });
    connect(BitBtn2, &TXiButton::clicked, this, &ChoiceDialog::BitBtn2Click);
}

int ChoiceDialog::ItemIndex() const {
    return choice_->checkedId();
}

void ChoiceDialog::setItemIndex(int index) {
    if (QAbstractButton* button = choice_->button(index)) button->setChecked(true);
}

void ChoiceDialog::BitBtn1Click() {
    done(QDialog::Accepted);
}

void ChoiceDialog::BitBtn2Click() {
    done(QDialog::Rejected);
}

void ChoiceDialog::showEvent(QShowEvent* event) {
    if (place_) move(*place_);
    QDialog::showEvent(event);
}

void ChoiceDialog::hideEvent(QHideEvent* event) {
    place_ = pos();
    QDialog::hideEvent(event);
}

} // namespace vexmira::widgets
