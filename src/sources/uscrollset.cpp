#include "uscrollset.h"

#include "EditorIcons.h"
#include "FileNames.h"
#include "widgets/QtColor.h"
#include "widgets/WindowLook.h"

#include <QFile>
#include <QFileInfo>
#include <QFontInfo>
#include <algorithm>

namespace vexmira::sources {

Tfscrolset* fscrolset = nullptr;

namespace {

const QString fileFilter = "Scroll Text File (.sct) (*.sct)";
constexpr int previewCentre = 105;

} // namespace

Tfscrolset::Tfscrolset(const QString& folder, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowStaysOnTopHint),
      questions_(std::make_unique<UserQuestions>()), folder_(folder) {
    setWindowTitle("Vexmira - Scrolling text");
    setFixedSize(620, 514);
    widgets::setBackgroundColour(this, Qt::white);
    buildPreview();
    buildSettings();
    buildBottomStrip();
}

void Tfscrolset::buildPreview() {
    Label4 = new QLabel("Preview", this);
    Label4->setGeometry(6, 4, 200, 18);
    gb2 = new QWidget(this);
    gb2->setGeometry(6, 24, 609, 210);
    widgets::setBackgroundColour(gb2, frameColour_);
    rtmSet = new widgets::TRealTimeMarquee(gb2);
    rtmSet->setGeometry(4, previewCentre - 10, 601, 20);
    rtmSet->setColor(Qt::white);
    rtmSet->Add();
    SpeedButton4 = new QToolButton(gb2);
    SpeedButton4->setGeometry(609 - 30, 0, 30, 30);
    SpeedButton4->setAutoRaise(true);
    SpeedButton4->setIcon(editorIcon(EditorIcon::LetterA));
    SpeedButton4->setToolTip("Colour of the preview's frame");
    connect(SpeedButton4, &QToolButton::clicked, this, &Tfscrolset::SpeedButton4Click);
}

void Tfscrolset::buildSettings() {
    GroupBox1 = new QGroupBox(" Enter Your Text  ", this);
    GroupBox1->setGeometry(6, 242, 609, 58);
    Edit1 = new QLineEdit(GroupBox1);
    Edit1->setGeometry(10, 22, 556, 26);
    Edit1->setMaxLength(longestText); // the field's own limit (32,767) would cut long texts
    connect(Edit1, &QLineEdit::textChanged, this, &Tfscrolset::Edit1Change);
    SpeedButton1 = new QToolButton(GroupBox1);
    SpeedButton1->setGeometry(572, 22, 28, 26);
    SpeedButton1->setText("X");
    SpeedButton1->setAutoRaise(true);
    SpeedButton1->setToolTip("Clear");
    connect(SpeedButton1, &QToolButton::clicked, this, &Tfscrolset::SpeedButton1Click);

    auto label = [this](const QString& text, int top) {
        auto* l = new QLabel(text, this);
        l->setGeometry(10, top, 60, 24);
        return l;
    };
    label("Interval", 316);
    Xinterval = new widgets::TXiTrackBar(this);
    Xinterval->setGeometry(70, 308, 250, 40);
    Xinterval->setMin(0);
    Xinterval->setMax(100);
    Xinterval->setFrequency(10);
    Xinterval->setPosition(10);
    connect(Xinterval, &widgets::TXiTrackBar::OnChange, this, &Tfscrolset::XintervalChange);
    label("Step", 364);
    Xstep = new widgets::TXiTrackBar(this);
    Xstep->setGeometry(70, 356, 250, 40);
    Xstep->setMin(0);
    Xstep->setMax(20);
    Xstep->setFrequency(1);
    Xstep->setPosition(1);
    connect(Xstep, &widgets::TXiTrackBar::OnChange, this, &Tfscrolset::XstepChange);
    label("Height", 412);
    SpinEdit1 = new QSpinBox(this);
    SpinEdit1->setGeometry(70, 412, 80, 26);
    SpinEdit1->setRange(0, 200);
    SpinEdit1->setValue(20);
    connect(SpinEdit1, &QSpinBox::valueChanged, this, &Tfscrolset::SpinEdit1Change);

    rg1 = new QGroupBox("Position", this);
    rg1->setGeometry(340, 308, 120, 80);
    rgTop = new QRadioButton("Top", rg1);
    rgTop->setGeometry(10, 22, 100, 22);
    rgBottom = new QRadioButton("Bottom", rg1);
    rgBottom->setGeometry(10, 48, 100, 22);
    rgBottom->setChecked(true);

    XiButton1 = widgets::dialogButton(this, "Background Color", {475, 310, 140, 30});
    XiButton2 = widgets::dialogButton(this, "Font", {475, 348, 140, 30});
    XiFontColor = widgets::dialogButton(this, "Font Color", {475, 386, 140, 30});
    connect(XiButton1, &QPushButton::clicked, this, &Tfscrolset::SpeedButton2Click);
    connect(XiButton2, &QPushButton::clicked, this, &Tfscrolset::SpeedButton3Click);
    connect(XiFontColor, &QPushButton::clicked, this, &Tfscrolset::fontColourClick);
}

void Tfscrolset::buildBottomStrip() {
    Panel2 = new QWidget(this);
    Panel2->setGeometry(0, 514 - 41, 620, 41);
    widgets::setBackgroundColour(Panel2, QColor(0, 128, 255));
    auto iconButton = [this](EditorIcon icon, const QString& hint, int left) {
        auto* b = new QToolButton(Panel2);
        b->setGeometry(left, 5, 31, 31);
        b->setIcon(editorIcon(icon));
        b->setAutoRaise(true);
        b->setToolTip(hint);
        return b;
    };
    SpeedButton5 = iconButton(EditorIcon::Disk, "Save the setup", 6);
    SpeedButton6 = iconButton(EditorIcon::OpenFolder, "Open a setup", 40);
    connect(SpeedButton5, &QToolButton::clicked, this, &Tfscrolset::SpeedButton5Click);
    connect(SpeedButton6, &QToolButton::clicked, this, &Tfscrolset::SpeedButton6Click);
    SpeedButton8 = widgets::dialogButton(Panel2, "Send Text", {290, 6, 105, 29});
    sbhide = widgets::dialogButton(Panel2, "Hide", {400, 6, 100, 29});
    BitBtn1 = widgets::dialogButton(Panel2, "Close", {510, 6, 100, 29});
    for (widgets::TXiButton* b : {SpeedButton8, sbhide, BitBtn1})
        b->setAutoDefault(false);
    connect(SpeedButton8, &QPushButton::clicked, this, &Tfscrolset::SpeedButton8Click);
    connect(sbhide, &QPushButton::clicked, this, &Tfscrolset::sbhideClick);
    connect(BitBtn1, &QPushButton::clicked, this, &QDialog::reject);
}

void Tfscrolset::centrePreview() {
    rtmSet->move(rtmSet->x(), previewCentre - rtmSet->height() / 2);
}

void Tfscrolset::showEvent(QShowEvent* event) {
    centrePreview();
    emit activated();
    QDialog::showEvent(event);
}

void Tfscrolset::done(int result) {
    emit closing(); // closing is always allowed
    QDialog::done(result);
}

void Tfscrolset::Edit1Change() {
    // One line: a line break pasted into the text becomes a space.
    QString text = Edit1->text();
    if (text.contains('\n') || text.contains('\r')) {
        text.replace("\r\n", " ").replace('\n', ' ').replace('\r', ' ');
        const int caret = Edit1->cursorPosition();
        Edit1->setText(text); // runs this handler again
        Edit1->setCursorPosition(std::min(caret, static_cast<int>(text.size())));
        return;
    }
    rtmSet->Item(0).setText(text);
    rtmSet->setActive(true);
    centrePreview();
}

void Tfscrolset::XintervalChange() {
    rtmSet->setInterval(static_cast<unsigned>(Xinterval->Position()));
}

void Tfscrolset::XstepChange() {
    rtmSet->setStep(Xstep->Position());
}

void Tfscrolset::SpinEdit1Change() {
    if (SpinEdit1->value() > 6) rtmSet->resize(rtmSet->width(), SpinEdit1->value());
    centrePreview();
}

void Tfscrolset::SpeedButton1Click() {
    Edit1->clear();
}

void Tfscrolset::SpeedButton2Click() {
    if (const auto chosen = questions_->colour(this, rtmSet->Color())) rtmSet->setColor(*chosen);
}

void Tfscrolset::SpeedButton3Click() {
    if (const auto chosen = questions_->font(this, rtmSet->font())) rtmSet->setMarqueeFont(*chosen);
}

void Tfscrolset::fontColourClick() {
    if (const auto chosen = questions_->colour(this, rtmSet->FontColor())) rtmSet->setFontColor(*chosen);
}

void Tfscrolset::setFrameColour(const QColor& colour) {
    frameColour_ = colour;
    widgets::setBackgroundColour(gb2, colour);
}

void Tfscrolset::SpeedButton4Click() {
    if (const auto chosen = questions_->colour(this, frameColour_)) setFrameColour(*chosen);
}

ScrollSetup Tfscrolset::setup() const {
    ScrollSetup s;
    s.text = Edit1->text().toStdString();
    s.previewPanel = widgets::toTColor(frameColour_);
    s.interval = Xinterval->Position();
    s.step = Xstep->Position();
    s.background = widgets::toTColor(rtmSet->Color());
    s.height = rtmSet->height();
    s.position = rgTop->isChecked() ? 0 : 1;
    s.fontColor = widgets::toTColor(rtmSet->FontColor());
    const QFont font = rtmSet->font();
    const QFontInfo shown(font);
    s.fontHeight = -shown.pixelSize();
    s.fontName = font.family().toStdString();
    s.fontSize = font.pointSize() > 0 ? font.pointSize() : shown.pointSize();
    const bool styles[4] = {font.bold(), font.italic(), font.underline(), font.strikeOut()};
    const int set = static_cast<int>(std::count(std::begin(styles), std::end(styles), true));
    for (int i = 0; i < 4; ++i)
        s.soleStyle[static_cast<std::size_t>(i)] = set == 1 && styles[i] ? 1 : 0;
    return s;
}

void Tfscrolset::apply(const ScrollSetup& s) {
    const QString text = QString::fromStdString(s.text);
    if (text.size() > longestText)
        questions_->tell(this, QString("The text holds %1 characters; the strip shows the first %2 of them.")
                                   .arg(text.size())
                                   .arg(longestText));
    Edit1->setText(text);
    setFrameColour(widgets::toQColor(s.previewPanel));
    Xinterval->setPosition(s.interval); // the track bar keeps it in range and tells the preview
    Xstep->setPosition(s.step);
    XintervalChange();
    XstepChange();
    rtmSet->setColor(widgets::toQColor(s.background));
    const int height = std::clamp(s.height, 0, 200);
    rtmSet->resize(rtmSet->width(), height);
    SpinEdit1->setValue(height);
    (s.position == 0 ? rgTop : rgBottom)->setChecked(true);
    rtmSet->setFontColor(widgets::toQColor(s.fontColor));
    QFont font = rtmSet->font();
    if (s.fontHeight != 0) font.setPixelSize(std::clamp(std::abs(s.fontHeight), 1, 1000));
    font.setFamily(QString::fromStdString(s.fontName));
    // The size decides; one outside what a font can have, with no height either, is the default
    // (not the size of the file read before).
    if (s.fontSize >= 1 && s.fontSize <= 1638)
        font.setPointSize(s.fontSize);
    else if (s.fontHeight == 0)
        font.setPointSize(ScrollSetup{}.fontSize);
    // Each style that is set alone replaces the one before; none leaves the style as it was.
    for (int i = 0; i < 4; ++i) {
        if (s.soleStyle[static_cast<std::size_t>(i)] != 1) continue;
        font.setBold(i == 0);
        font.setItalic(i == 1);
        font.setUnderline(i == 2);
        font.setStrikeOut(i == 3);
    }
    rtmSet->setMarqueeFont(font);
}

ScrollStrip Tfscrolset::strip() const {
    ScrollStrip s;
    s.text = Edit1->text();
    s.interval = rtmSet->Interval();
    s.step = rtmSet->Step();
    s.height = SpinEdit1->value(); // no lower bound here: 0 shows no strip
    s.font = rtmSet->font();
    s.colour = rtmSet->Color();
    s.fontColour = rtmSet->FontColor();
    s.top = rgTop->isChecked();
    return s;
}

void Tfscrolset::SpeedButton8Click() {
    emit sendText(strip());
}

void Tfscrolset::sbhideClick() {
    emit hideText();
}

bool Tfscrolset::saveFile(const QString& path) {
    platform::IniFile file(localPath(path));
    writeScrollSetup(file, setup());
    std::string problem;
    if (!file.save(&problem)) {
        questions_->warn(this, QString("Cannot save %1: %2").arg(path, QString::fromStdString(problem)));
        return false;
    }
    return true;
}

bool Tfscrolset::loadFile(const QString& path) {
    const std::filesystem::path local = localPath(path);
    std::error_code error;
    if (!std::filesystem::is_regular_file(local, error)) {
        questions_->warn(this, QString("Cannot open %1: it is not a file").arg(path));
        return false;
    }
    const platform::IniFile file(local);
    if (file.unreadableReason()) {
        questions_->warn(
            this, QString("Cannot open %1: %2").arg(path, QString::fromStdString(*file.unreadableReason())));
        return false;
    }
    apply(readScrollSetup(file));
    return true;
}

void Tfscrolset::SpeedButton5Click() {
    const QString chosen = questions_->fileToSave(this, folder_, saveDialogName_, fileFilter, "sct", true);
    if (chosen.isEmpty()) return;
    folder_ = QFileInfo(chosen).absolutePath();
    if (saveFile(chosen)) saveDialogName_ = chosen;
}

void Tfscrolset::SpeedButton6Click() {
    const auto chosen = questions_->fileToOpen(this, folder_, fileFilter, false);
    if (!chosen) return;
    folder_ = QFileInfo(chosen->path).absolutePath();
    saveDialogName_ = chosen->path;
    // Only read: a file the user opens is not written back.
    loadFile(chosen->path);
    rtmSet->Item(0).setText(Edit1->text());
    rtmSet->setActive(true);
    centrePreview();
}

} // namespace vexmira::sources
