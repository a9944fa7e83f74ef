#include "uoptions.h"

#include "OptionsValues.h"
#include "platform/FileSystem.h"
#include "widgets/WindowLook.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QVBoxLayout>
#include <cstdio>

namespace vexmira::options {

Tfoptions* foptions = nullptr;

namespace {

// A monitor on its stand: the picture beside the size choices.
QPixmap monitorPicture(QSize size) {
    QPixmap picture(size);
    picture.fill(Qt::black);
    QPainter p(&picture);
    p.setRenderHint(QPainter::Antialiasing);
    const int w = size.width(), h = size.height();
    p.setBrush(QColor(70, 70, 70));
    p.setPen(QPen(QColor(200, 200, 200), 2));
    p.drawRoundedRect(QRectF(w * 0.1, h * 0.08, w * 0.8, h * 0.7), 4, 4);
    p.fillRect(QRectF(w * 0.14, h * 0.14, w * 0.72, h * 0.58), QColor(0, 90, 180));
    p.fillRect(QRectF(w * 0.45, h * 0.78, w * 0.1, h * 0.1), QColor(200, 200, 200));
    p.fillRect(QRectF(w * 0.32, h * 0.88, w * 0.36, h * 0.05), QColor(200, 200, 200));
    return picture;
}

// Clicks on a label.
class ClickFilter : public QObject {
  public:
    ClickFilter(QObject* parent, std::function<void()> click) : QObject(parent), click_(std::move(click)) {}
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::MouseButtonPress) click_();
        return false;
    }

  private:
    std::function<void()> click_;
};

QString twoDecimals(double value) {
    return QString::number(value, 'f', 2);
}

} // namespace

Tfoptions::Tfoptions(OptionsHost& host, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowStaysOnTopHint), host_(host) {
    confirm = [this](const QString& question) {
        return QMessageBox::question(this, "Vexmira", question, QMessageBox::Yes | QMessageBox::No,
                                     QMessageBox::No) == QMessageBox::Yes;
    };
    tell = [this](const QString& text) { QMessageBox::warning(this, "Vexmira", text); };
    setWindowTitle("Vexmira - Options");
    setFixedSize(602, 428);
    widgets::setBackgroundColour(this, Qt::white);
    buildTabs();
    Notebook1 = new QStackedWidget(this);
    Notebook1->setGeometry(3, 55, 596, 330);
    Notebook1->addWidget(buildPositionPage());
    Notebook1->addWidget(buildGraphicPage());
    Notebook1->addWidget(buildRatePage());
    Notebook1->addWidget(buildMonitorPage());
    buildBottomBar();
    TimerCPU = new QTimer(this);
    TimerCPU->setInterval(1000);
    connect(TimerCPU, &QTimer::timeout, this, &Tfoptions::TimerCPUTimer);

    // FormCreate: the controls show the options as the settings file gave them.
    redpoint->setChecked(host_.showRedPoint());
    Showcursor1->setChecked(host_.showCursor());
    cb2->setChecked(host_.centred());
    rgscale[static_cast<std::size_t>(std::clamp(host_.scaleIndex(), 0, 4))]->setChecked(true);
    ScaleTenths = host_.currentScale() * 10;
    showScale();
    spinrefresh->setValue(host_.refreshRate());
    maskedClasses->setText(QString::fromStdString(host_.maskedClasses()));
    reattachTitle->setText(QString::fromStdString(host_.reattachTitle()));
    followMargin->setValue(host_.followMargin());
    showPage(0);
}

void Tfoptions::buildTabs() {
    const char* names[4] = {"Position", "Graphic", "Update rate", "Monitor Details"};
    for (int i = 0; i < 4; ++i) {
        auto* tab = new QLabel(names[i], this);
        tab->setGeometry(3 + i * 96, 19, 90, 30);
        tab->setAlignment(Qt::AlignCenter);
        tab->installEventFilter(new ClickFilter(tab, [this, i] { showPage(i); }));
        tabs[static_cast<std::size_t>(i)] = tab;
    }
}

void Tfoptions::showPage(int index) {
    for (int i = 0; i < 4; ++i) {
        const bool selected = i == index;
        widgets::setBackgroundColour(tabs[static_cast<std::size_t>(i)],
                                     selected ? Qt::white : QColor(98, 98, 98));
        widgets::setTextColour(tabs[static_cast<std::size_t>(i)], selected ? Qt::black : Qt::white);
    }
    Notebook1->setCurrentIndex(index);
}

QWidget* Tfoptions::buildPositionPage() {
    auto* page = new QWidget;
    auto* frame = new QLabel(page);
    frame->setGeometry(10, 10, 239, 153);
    widgets::setBackgroundColour(frame, Qt::black);
    Image1 = new QLabel(frame);
    Image1->setGeometry(0, 0, 245, 153);
    Image1->setPixmap(monitorPicture({245, 153}));
    auto* size = new QGroupBox("Size ", page);
    size->setGeometry(270, 10, 150, 140);
    const char* sizes[4] = {"100 %", "75 %", "50 %", "25 %"};
    for (int i = 0; i < 4; ++i) {
        rg1[static_cast<std::size_t>(i)] = new QRadioButton(sizes[i], size);
        rg1[static_cast<std::size_t>(i)]->setGeometry(12, 24 + i * 27, 120, 24);
        connect(rg1[static_cast<std::size_t>(i)], &QRadioButton::clicked, this, &Tfoptions::rg1Click);
    }
    rg1[0]->setChecked(true);
    XiButton4 = widgets::dialogButton(page, "Update", {270, 160, 150, 30});
    XiButton1 = widgets::dialogButton(page, "Hide", {10, 200, 115, 30});
    XiButton3 = widgets::dialogButton(page, "Show", {134, 200, 115, 30});
    XiButton2 = widgets::dialogButton(page, "Move to Second Monitor", {10, 240, 239, 30});
    sb5 = new QToolButton(page);
    sb5->setCheckable(true);
    sb5->setText("Move to Second Monitor");
    sb5->hide();
    connect(XiButton4, &QPushButton::clicked, this, &Tfoptions::XiButton4Click);
    connect(XiButton1, &QPushButton::clicked, this, [this] { host_.hideDisplay(); });
    connect(XiButton3, &QPushButton::clicked, this, &Tfoptions::XiButton3Click);
    connect(XiButton2, &QPushButton::clicked, this, &Tfoptions::XiButton2Click);
    return page;
}

QWidget* Tfoptions::buildGraphicPage() {
    auto* page = new QWidget;
    auto* modes = new QGroupBox(" Scale Mode ", page);
    modes->setGeometry(10, 10, 220, 230);
    const char* names[5] = {"Normal", "Optimal", "Scale", "Optimal Scaled", "Stretch"};
    for (int i = 0; i < 5; ++i) {
        rgscale[static_cast<std::size_t>(i)] = new QRadioButton(names[i], modes);
        rgscale[static_cast<std::size_t>(i)]->setGeometry(12, 24 + i * 27, 190, 24);
        connect(rgscale[static_cast<std::size_t>(i)], &QRadioButton::clicked, this, &Tfoptions::rgscaleClick);
    }
    Edit1 = new QLineEdit(modes);
    Edit1->setGeometry(12, 165, 80, 26);
    SpinUp = new QToolButton(modes);
    SpinUp->setArrowType(Qt::UpArrow);
    SpinUp->setGeometry(94, 165, 22, 13);
    SpinDown = new QToolButton(modes);
    SpinDown->setArrowType(Qt::DownArrow);
    SpinDown->setGeometry(94, 178, 22, 13);
    connect(SpinUp, &QToolButton::clicked, this, &Tfoptions::SpinButton1UpClick);
    connect(SpinDown, &QToolButton::clicked, this, &Tfoptions::SpinButton1DownClick);

    auto* captured = new QGroupBox(" On Captured Screen ", page);
    captured->setGeometry(250, 10, 330, 90);
    redpoint = new widgets::TBitCheckBox(captured);
    redpoint->setCaption("Show red point");
    redpoint->setGeometry(12, 24, 300, 22);
    Showcursor1 = new widgets::TBitCheckBox(captured);
    Showcursor1->setCaption("Show cursor");
    Showcursor1->setGeometry(12, 54, 300, 22);
    cb2 = new widgets::TBitCheckBox(page);
    cb2->setCaption("Center");
    cb2->setGeometry(262, 114, 300, 22);
    for (widgets::TBitCheckBox* box : {redpoint, Showcursor1, cb2})
        box->setColor(0xFFFFFF);
    connect(redpoint, &widgets::TBitCheckBox::clicked, this,
            [this] { host_.showRedPoint() = redpoint->Checked(); });
    connect(Showcursor1, &widgets::TBitCheckBox::clicked, this,
            [this] { host_.showCursor() = Showcursor1->Checked(); });
    connect(cb2, &widgets::TBitCheckBox::clicked, this, &Tfoptions::cb2Click);
    auto* previous = new QLabel("Previous Scale Values", page);
    previous->setGeometry(262, 150, 160, 24);
    CBX = new QComboBox(page);
    CBX->setEditable(true);
    CBX->setGeometry(430, 150, 57, 24);
    connect(CBX, &QComboBox::activated, this, &Tfoptions::CBXClick);
    return page;
}

QWidget* Tfoptions::buildRatePage() {
    auto* page = new QWidget;
    (new QLabel("Screen update rate:", page))->setGeometry(10, 20, 150, 26);
    spinrefresh = new QSpinBox(page);
    spinrefresh->setRange(1, 1000);
    spinrefresh->setValue(5);
    spinrefresh->setGeometry(160, 20, 80, 26);
    (new QLabel("updates per second", page))->setGeometry(250, 20, 200, 26);
    auto* warning = new QLabel(
        "Depend from hardware and operating system. Too high rate can cause application instability.", page);
    warning->setWordWrap(true);
    warning->setGeometry(10, 60, 560, 40);
    XiButton5 = widgets::dialogButton(page, "Confirm Changes", {10, 110, 160, 30});
    connect(XiButton5, &QPushButton::clicked, this, &Tfoptions::XiButton5Click);
    // The stored rate follows the box; the timers only on "Confirm Changes".
    connect(spinrefresh, &QSpinBox::valueChanged, this, [this](int v) { host_.refreshRate() = v; });
    auto* usage = new QLabel("CPU Usage", page);
    usage->setGeometry(10, 160, 100, 24);
    Label6 = new QLabel("000", page);
    Label6->setGeometry(110, 160, 60, 24);
    RLed1 = new QProgressBar(page);
    RLed1->setRange(0, 100);
    RLed1->setGeometry(10, 190, 300, 18);
    Label3 = new QLabel("Current screen update rate: ", page);
    Label3->setGeometry(10, 215, 400, 24);
    for (QWidget* hidden : {static_cast<QWidget*>(usage), static_cast<QWidget*>(Label6),
                            static_cast<QWidget*>(RLed1), static_cast<QWidget*>(Label3)})
        hidden->hide();
    auto* masks =
        new QLabel("Windows painted black on the secondary monitor (window classes, comma-separated):", page);
    masks->setGeometry(10, 160, 570, 24);
    maskedClasses = new QLineEdit(page);
    maskedClasses->setGeometry(10, 186, 570, 26);
    maskedClasses->setPlaceholderText("none");
    connect(maskedClasses, &QLineEdit::textEdited, this,
            [this](const QString& text) { host_.setMaskedClasses(text.toStdString()); });
    auto* title = new QLabel("A closed single window may also return as a window titled (* and ? match any "
                             "text):",
                             page);
    title->setGeometry(10, 222, 570, 24);
    reattachTitle = new QLineEdit(page);
    reattachTitle->setGeometry(10, 248, 570, 26);
    reattachTitle->setPlaceholderText("only a window of its class from its program");
    connect(reattachTitle, &QLineEdit::textEdited, this,
            [this](const QString& text) { host_.reattachTitle() = text.trimmed().toStdString(); });
    (new QLabel("Margin of the region that follows the mouse:", page))->setGeometry(10, 288, 300, 26);
    followMargin = new QSpinBox(page);
    followMargin->setRange(0, 1000);
    followMargin->setGeometry(310, 288, 80, 26);
    (new QLabel("pixels", page))->setGeometry(400, 288, 100, 26);
    connect(followMargin, &QSpinBox::valueChanged, this, [this](int v) { host_.followMargin() = v; });
    return page;
}

QWidget* Tfoptions::buildMonitorPage() {
    auto* page = new QWidget;
    widgets::setBackgroundColour(page, Qt::white);
    Memodisplay = new QPlainTextEdit(page);
    Memodisplay->setReadOnly(true);
    Memodisplay->setFrameShape(QFrame::NoFrame);
    Memodisplay->setGeometry(8, 0, 588, 330);
    QFont font = Memodisplay->font();
    font.setPixelSize(13);
    Memodisplay->setFont(font);
    return page;
}

void Tfoptions::buildBottomBar() {
    auto* bar = new QWidget(this);
    bar->setGeometry(0, 428 - 41, 602, 41);
    widgets::setBackgroundColour(bar, QColor(0, 128, 255));
    SpeedButton5 = new QPushButton("Reset all options", bar);
    SpeedButton5->setFlat(true);
    widgets::setTextColour(SpeedButton5, Qt::white);
    SpeedButton5->setGeometry(8, 8, 150, 26);
    BitBtn2 = new QPushButton("Close", bar);
    BitBtn2->setGeometry(602 - 95, 8, 85, 26);
    BitBtn1 = new QPushButton("Cancel", bar);
    BitBtn1->setGeometry(700, 8, 85, 26); // out of sight; Esc reaches it through the dialog
    for (QPushButton* b : {SpeedButton5, BitBtn2, BitBtn1})
        b->setAutoDefault(false);
    connect(SpeedButton5, &QPushButton::clicked, this, &Tfoptions::SpeedButton5Click);
    connect(BitBtn2, &QPushButton::clicked, this, &Tfoptions::BitBtn2Click);
    connect(BitBtn1, &QPushButton::clicked, this, &QDialog::reject);
}

void Tfoptions::showScale() {
    host_.currentScale() = ScaleTenths / 10;
    Edit1->setText(twoDecimals(host_.currentScale()));
}

void Tfoptions::rgscaleClick() {
    for (int i = 0; i < 5; ++i)
        if (rgscale[static_cast<std::size_t>(i)]->isChecked()) host_.scaleIndex() = i;
    host_.applyScale();
}

void Tfoptions::cb2Click() {
    host_.centred() = cb2->Checked();
    host_.applyScale();
}

void Tfoptions::SpinButton1UpClick() {
    ScaleTenths = stepScaleTenths(ScaleTenths, true);
    QCoreApplication::processEvents();
    showScale();
    host_.setDisplayScaleOnly(host_.currentScale());
}

void Tfoptions::SpinButton1DownClick() {
    ScaleTenths = stepScaleTenths(ScaleTenths, false);
    QCoreApplication::processEvents();
    showScale();
    host_.setDisplayScaleOnly(host_.currentScale());
}

void Tfoptions::CBXClick() {
    bool ok = false;
    const double scale = CBX->currentText().replace(',', '.').toDouble(&ok);
    if (!ok || !(scale > 0)) {
        tell("\"" + CBX->currentText() + "\" is not a scale.");
        return;
    }
    // What the arrows can reach, and no more: a huge value would step to infinity.
    if (scale < 0.1 || scale > 10.0) {
        tell("\"" + CBX->currentText() + "\" is outside the scales from 0.10 to 10.00.");
        return;
    }
    host_.currentScale() = scale;
    Edit1->setText(CBX->currentText());
    ScaleTenths = scale * 10;
    host_.setDisplayScaleOnly(scale);
}

void Tfoptions::loadHistory() {
    const platform::FileContent file = platform::readWholeFile(host_.scaleHistoryPath());
    if (file.status != platform::ReadStatus::Read) return;
    const auto history = readScaleHistory(file.bytes);
    if (!history) return; // a broken file leaves the box as it was
    CBX->clear();
    for (const std::string& item : history->items)
        CBX->addItem(QString::fromStdString(item));
    CBX->setEditText(QString::fromStdString(history->text));
    if (CBX->count() > 0) CBX->setCurrentIndex(0);
}

void Tfoptions::BitBtn2Click() {
    ScaleHistory history;
    for (int i = 0; i < CBX->count(); ++i)
        history.items.push_back(CBX->itemText(i).toStdString());
    rememberScale(history, Edit1->text().toStdString());
    history.text = Edit1->text().toStdString();
    CBX->clear();
    for (const std::string& item : history.items)
        CBX->addItem(QString::fromStdString(item));
    const std::vector<std::uint8_t> bytes = writeScaleHistory(history);
    try {
        platform::writeFileAtomically(host_.scaleHistoryPath(), bytes);
    } catch (const platform::FileError& error) {
        tell(QString::fromLocal8Bit(error.what()));
    }
    accept();
}

void Tfoptions::rg1Click() {
    // The picture shows the size chosen.
    const QSize previews[4] = {{245, 153}, {180, 114}, {120, 76}, {60, 38}};
    for (int i = 0; i < 4; ++i)
        if (rg1[static_cast<std::size_t>(i)]->isChecked()) {
            Image1->resize(previews[i]);
            Image1->setPixmap(monitorPicture(previews[i]));
        }
}

void Tfoptions::XiButton4Click() {
    for (int i = 0; i < 4; ++i)
        if (rg1[static_cast<std::size_t>(i)]->isChecked()) host_.applyDisplaySize(i);
}

void Tfoptions::XiButton3Click() {
    host_.showDisplay();
    Image1->show();
    XiButton2Click();
}

void Tfoptions::XiButton2Click() {
    host_.showDisplay();
    Image1->show();
    if (!sb5->isChecked()) return;
    if (!host_.moveDisplayToSecondMonitor()) sb5->setChecked(false);
}

void Tfoptions::XiButton5Click() {
    host_.setCaptureInterval(updateInterval(spinrefresh->value()));
}

void Tfoptions::TimerCPUTimer() {
    if (!sampler_.SampleCpuCounters()) {
        // Said once; the read-out shows 0.
        if (!samplerProblemShown_) tell("The processor usage cannot be read from /proc/stat.");
        samplerProblemShown_ = true;
    }
    const int n = sampler_.CpuCount();
    for (int i = 0; i < n; ++i) {
        const int p = static_cast<int>(std::lround(sampler_.CpuUsage(i) * 100));
        Label6->setText(QString::number(p) + "%");
        RLed1->setValue(p == 0 ? 1 : p);
        const int interval = std::max(1, host_.displayTimerInterval());
        Label3->setText("Current screen update rate: " + QString::number(1000 / interval) +
                        " updates per second");
    }
}

void Tfoptions::fillMonitorList() {
    std::vector<MonitorInfo> monitors;
    const QScreen* primary = QGuiApplication::primaryScreen();
    for (const QScreen* screen : QGuiApplication::screens()) {
        const QRect g = screen->geometry();
        monitors.push_back({g.left(), g.top(), g.width(), g.height(), screen == primary});
    }
    Memodisplay->setPlainText(QString::fromStdString(monitorListText(monitors)));
}

void Tfoptions::showEvent(QShowEvent* event) {
    // FormActivate
    loadHistory();
    TimerCPU->start();
    const int index = std::clamp(host_.displaySizeIndex(), 0, 3);
    rg1[static_cast<std::size_t>(index)]->setChecked(true);
    rg1Click();
    fillMonitorList();
    QDialog::showEvent(event);
}

bool Tfoptions::event(QEvent* event) {
    // Back from another window: a monitor may have gone, or the history changed meanwhile.
    if (event->type() == QEvent::WindowActivate && isVisible()) {
        loadHistory();
        fillMonitorList();
    }
    return QDialog::event(event);
}

void Tfoptions::hideEvent(QHideEvent* event) {
    TimerCPU->stop(); // FormClose
    QDialog::hideEvent(event);
}

void Tfoptions::SpeedButton5Click() {
    if (!confirm("Are you sure you want to reset all options ?")) return;
    cb2->setChecked(true);
    host_.centred() = true;
    rgscale[1]->setChecked(true);
    host_.scaleIndex() = 1;
    host_.applyScale();
    host_.resetControlWindow();
    redpoint->setChecked(false);
    Showcursor1->setChecked(false);
    host_.showRedPoint() = false;
    host_.showCursor() = false;
    ScaleTenths = 10.0;
    showScale();
    host_.setDisplayScaleOnly(1.0);
    spinrefresh->setValue(5);
    host_.resetExtras();
    maskedClasses->setText(QString::fromStdString(host_.maskedClasses()));
    reattachTitle->setText(QString::fromStdString(host_.reattachTitle()));
    followMargin->setValue(host_.followMargin());
    std::error_code error;
    std::filesystem::remove(host_.settingsPath(), error);
    std::filesystem::remove(host_.scaleHistoryPath(), error);
    CBX->clear();
    CBX->setEditText({});
}

} // namespace vexmira::options
