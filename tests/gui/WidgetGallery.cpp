// The widget gallery: every button scheme in its four states, every track bar scheme with tick
// marks, and the check box states, enabled and disabled, side by side; with live widgets to try
// below. `widget_gallery --png FILE` writes the picture instead of showing it.
#include "widgets/BtChkBox.h"
#include "widgets/XiButton.h"
#include "widgets/XiTrackBar.h"

#include <QApplication>
#include <QEnterEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QMetaEnum>
#include <QMouseEvent>
#include <QPainter>
#include <QVBoxLayout>
#include <cstdio>

using namespace vexmira::widgets;

namespace {

constexpr int cellWidth = 110, rowHeight = 34, labelWidth = 110;

QImage buttonInState(TXiButton::TColorScheme scheme, int state) {
    TXiButton button;
    button.resize(100, 27);
    button.setCaption("Desktop");
    button.setColorScheme(scheme);
    const QPointF inside(10, 10);
    if (state == 1 || state == 2) {
        QEnterEvent enter(inside, inside, inside);
        QApplication::sendEvent(&button, &enter);
    }
    if (state == 2) {
        QMouseEvent press(QEvent::MouseButtonPress, inside, inside, inside, Qt::LeftButton, Qt::LeftButton,
                          Qt::NoModifier);
        QApplication::sendEvent(&button, &press);
    }
    if (state == 3) button.setEnabled(false);
    return button.render();
}

QImage trackBarOf(TXiTrackBar::TColorScheme scheme) {
    TXiTrackBar bar;
    bar.resize(200, 28);
    bar.setColorScheme(scheme);
    bar.setMax(20);
    bar.setTickStyle(TXiTrackBar::tsAuto);
    bar.setFrequency(2);
    bar.setTickMarks(TXiTrackBar::tmBoth);
    bar.setPosition(7 + scheme);
    return bar.render();
}

QImage checkBoxOf(TBitCheckBox::TCheckBoxState state, bool enabled) {
    TBitCheckBox box;
    box.resize(150, 21);
    box.setCaption(enabled ? "Show cursor" : "Show cursor (off)");
    box.setAllowGrayed(true);
    box.setState(state);
    box.setEnabled(enabled);
    return box.render();
}

QImage galleryPicture() {
    const QMetaEnum buttonSchemes = QMetaEnum::fromType<TXiButton::TColorScheme>();
    const QMetaEnum barSchemes = QMetaEnum::fromType<TXiTrackBar::TColorScheme>();
    const int width = labelWidth + 4 * cellWidth + 20;
    const int height = rowHeight * (1 + 12 + 1 + 6 + 1 + 3) + 20;
    QImage picture(width, height, QImage::Format_RGB32);
    picture.fill(QColor(240, 240, 240));
    QPainter painter(&picture);
    int y = 10;
    auto heading = [&](const QString& text) {
        painter.setPen(Qt::black);
        painter.drawText(QRect(10, y, width - 20, rowHeight), Qt::AlignLeft | Qt::AlignVCenter, text);
        y += rowHeight;
    };
    heading("Buttons: normal, hot, down, disabled");
    for (int scheme = 0; scheme < 12; ++scheme, y += rowHeight) {
        painter.drawText(QRect(10, y, labelWidth, 27), Qt::AlignVCenter, buttonSchemes.valueToKey(scheme));
        for (int state = 0; state < 4; ++state)
            painter.drawImage(labelWidth + state * cellWidth, y,
                              buttonInState(TXiButton::TColorScheme(scheme), state));
    }
    heading("Track bars with tick marks above and below");
    for (int scheme = TXiTrackBar::csDesert; scheme <= TXiTrackBar::csSun; ++scheme, y += rowHeight) {
        painter.drawText(QRect(10, y, labelWidth, 28), Qt::AlignVCenter, barSchemes.valueToKey(scheme));
        painter.drawImage(labelWidth, y, trackBarOf(TXiTrackBar::TColorScheme(scheme)));
    }
    heading("Check boxes: unchecked, checked, grayed; enabled and disabled");
    for (bool enabled : {true, false}) {
        int x = 10;
        for (auto state : {TBitCheckBox::cbUnchecked, TBitCheckBox::cbChecked, TBitCheckBox::cbGrayed}) {
            painter.drawImage(x, y, checkBoxOf(state, enabled));
            x += 160;
        }
        y += rowHeight;
    }
    return picture;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QImage picture = galleryPicture();
    if (argc == 3 && QString(argv[1]) == "--png") {
        if (!picture.save(argv[2], "PNG")) {
            std::fprintf(stderr, "cannot write %s\n", argv[2]);
            return 1;
        }
        std::printf("wrote %s (%d x %d)\n", argv[2], picture.width(), picture.height());
        return 0;
    }
    QWidget window;
    window.setWindowTitle("Vexmira widget gallery");
    auto* layout = new QVBoxLayout(&window);
    auto* label = new QLabel;
    label->setPixmap(QPixmap::fromImage(picture));
    layout->addWidget(label);
    auto* live = new QHBoxLayout;
    auto* button = new TXiButton;
    button->setCaption("&Try me");
    button->setFixedSize(100, 27);
    auto* box = new TBitCheckBox;
    box->setCaption("Automatically Send  ");
    box->setFixedSize(170, 21);
    auto* bar = new TXiTrackBar;
    bar->setFixedSize(200, 28);
    bar->setTickStyle(TXiTrackBar::tsAuto);
    live->addWidget(button);
    live->addWidget(box);
    live->addWidget(bar);
    layout->addLayout(live);
    window.show();
    return app.exec();
}
