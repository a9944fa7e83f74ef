#include "AutoHideNotice.h"

#include <QCheckBox>
#include <QFontMetrics>
#include <QLabel>
#include <QPushButton>
#include <QStyle>

namespace vexmira::app {

AutoHideNotice::AutoHideNotice(QWidget* parent) : QDialog(parent, Qt::Dialog | Qt::WindowStaysOnTopHint) {
    setWindowTitle("Vexmira");
    const QString text = " \r   Move cursor to upper left corner to show hidden Vexmira.          ";
    auto* icon = new QLabel(this);
    const int iconSize = style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, this);
    icon->setPixmap(
        style()->standardIcon(QStyle::SP_MessageBoxInformation, nullptr, this).pixmap(iconSize, iconSize));
    icon->setGeometry(12, 16, iconSize, iconSize);
    auto* message = new QLabel(QString(text).replace('\r', '\n'), this);
    message->adjustSize();
    message->move(12 + iconSize + 8, 16);

    dontShowAgain = new QCheckBox("Don't show me again.", this);
    dontShowAgain->setGeometry(
        8, 115, QFontMetrics(dontShowAgain->font()).horizontalAdvance(dontShowAgain->text()) + 30,
        dontShowAgain->sizeHint().height());

    const int width =
        std::max(message->x() + message->width() + 16, dontShowAgain->x() + dontShowAgain->width() + 16);
    ok = new QPushButton("OK", this);
    ok->setDefault(true);
    ok->resize(ok->sizeHint().expandedTo(QSize(75, 25)));
    ok->move((width - ok->width()) / 2, 180 - ok->height() - 12);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    setFixedSize(width, 180);
}

} // namespace vexmira::app
