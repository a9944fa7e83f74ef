#include "usaveImage.h"

#include "platform/Capabilities.h"
#include "platform/FileSystem.h"
#include "raster/BmpCodec.h"
#include "raster/JpegCodec.h"
#include "raster/PngCodec.h"

#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QGuiApplication>
#include <QMessageBox>
#include <QTimer>
#include <QtGui/qguiapplication_platform.h>
#include <array>
#include <climits>

namespace vexmira::capture {

TFsave* Fsave = nullptr;

namespace {

struct QtKeyName {
    Qt::Key key;
    const char* name;
};

constexpr std::array<QtKeyName, 16> qtKeyNames{{{Qt::Key_Backspace, "BkSp"},
                                                {Qt::Key_Tab, "Tab"},
                                                {Qt::Key_Return, "Enter"},
                                                {Qt::Key_Enter, "Enter"},
                                                {Qt::Key_Escape, "Esc"},
                                                {Qt::Key_Space, "Space"},
                                                {Qt::Key_PageUp, "PgUp"},
                                                {Qt::Key_PageDown, "PgDn"},
                                                {Qt::Key_End, "End"},
                                                {Qt::Key_Home, "Home"},
                                                {Qt::Key_Left, "Left"},
                                                {Qt::Key_Up, "Up"},
                                                {Qt::Key_Right, "Right"},
                                                {Qt::Key_Down, "Down"},
                                                {Qt::Key_Insert, "Ins"},
                                                {Qt::Key_Delete, "Del"}}};

std::string nameOfQtKey(Qt::Key key) {
    if (key >= Qt::Key_A && key <= Qt::Key_Z)
        return std::string(1, static_cast<char>('A' + (key - Qt::Key_A)));
    if (key >= Qt::Key_0 && key <= Qt::Key_9)
        return std::string(1, static_cast<char>('0' + (key - Qt::Key_0)));
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24) return "F" + std::to_string(key - Qt::Key_F1 + 1);
    for (const QtKeyName& k : qtKeyNames)
        if (k.key == key) return k.name;
    return {};
}

Qt::Key qtKeyOfName(const std::string& name) {
    if (name.size() == 1 && name[0] >= 'A' && name[0] <= 'Z')
        return static_cast<Qt::Key>(Qt::Key_A + (name[0] - 'A'));
    if (name.size() == 1 && name[0] >= '0' && name[0] <= '9')
        return static_cast<Qt::Key>(Qt::Key_0 + (name[0] - '0'));
    if (name.size() >= 2 && name[0] == 'F')
        return static_cast<Qt::Key>(Qt::Key_F1 + std::stoi(name.substr(1)) - 1);
    for (const QtKeyName& k : qtKeyNames)
        if (name == k.name) return k.key;
    return Qt::Key_unknown;
}

std::optional<HotKeyChord> chordIn(const QKeySequenceEdit& field) {
    const QKeySequence keys = field.keySequence();
    if (keys.isEmpty()) return std::nullopt;
    const QKeyCombination combination = keys[0];
    const std::string name = nameOfQtKey(combination.key());
    if (name.empty()) return std::nullopt;
    HotKeyChord chord;
    chord.shift = combination.keyboardModifiers() & Qt::ShiftModifier;
    chord.ctrl = combination.keyboardModifiers() & Qt::ControlModifier;
    chord.alt = combination.keyboardModifiers() & Qt::AltModifier;
    chord.key = name;
    return chord;
}

void setChordIn(QKeySequenceEdit& field, const std::optional<HotKeyChord>& chord) {
    if (!chord) {
        field.clear();
        return;
    }
    Qt::KeyboardModifiers modifiers;
    if (chord->shift) modifiers |= Qt::ShiftModifier;
    if (chord->ctrl) modifiers |= Qt::ControlModifier;
    if (chord->alt) modifiers |= Qt::AltModifier;
    field.setKeySequence(QKeySequence(QKeyCombination(modifiers, qtKeyOfName(chord->key))));
}

const char* extensions[3] = {".jpg", ".png", ".bmp"};

QString withSeparator(QString folder) {
    if (!folder.isEmpty() && !folder.endsWith('/')) folder += '/';
    return folder;
}

} // namespace

TFsave::TFsave(std::string& hotKeyText, bool& beepOnSave, std::function<raster::Bitmap()> currentPicture,
               const QString& programFolder, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowStaysOnTopHint),
      hotKeyText_(hotKeyText), beepOnSave_(beepOnSave), currentPicture_(std::move(currentPicture)) {
    tell = [this](const QString& text) { QMessageBox::warning(this, "Vexmira", text); };
    setWindowTitle("Vexmira - Capture Image");
    setFixedSize(556, 383);
    setAutoFillBackground(true);
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    setPalette(white);
    auto label = [this](const QString& text, QRect place) {
        auto* l = new QLabel(text, this);
        l->setGeometry(place);
        return l;
    };
    label("File name: ", {20, 20, 120, 24});
    edit1 = new QLineEdit("image", this);
    edit1->setGeometry(20, 46, 220, 26);
    label("+ starting counter", {252, 20, 140, 24});
    SpinEdit1 = new QSpinBox(this);
    SpinEdit1->setGeometry(252, 46, 120, 26);
    SpinEdit1->setRange(INT_MIN, INT_MAX); // any whole number
    SpinEdit1->setValue(1);
    Label6 = label("( )", {384, 46, 160, 26});
    QFont bold = Label6->font();
    bold.setBold(true);
    Label6->setFont(bold);
    label("Destination directory: ", {20, 84, 200, 24});
    Edit2 = new QLineEdit(this);
    Edit2->setGeometry(20, 110, 400, 26);
    XiButton1 = new widgets::TXiButton(this);
    XiButton1->setCaption("Browse");
    XiButton1->setGeometry(430, 108, 106, 30);
    auto* type = label("File type:", {20, 150, 100, 26});
    type->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    cbformat = new QComboBox(this);
    cbformat->setEditable(true);
    cbformat->addItems({"JPG - JPG/JPEG Format", "PNG - Portable Network Graphics", "BMP - Windows Bitmap"});
    cbformat->setGeometry(130, 150, 290, 26);
    cbBeep = new widgets::TBitCheckBox(this);
    cbBeep->setCaption("Play default beep when save");
    cbBeep->setGeometry(130, 188, 300, 22);
    cbBeep->setColor(0xFFFFFF);
    label("Enter your desired keyboard shortcut key and then click \u201cStart\u201d", {20, 226, 520, 24});
    label("Shortcut Key:", {20, 258, 110, 26});
    HotKey = new QKeySequenceEdit(this);
    HotKey->setGeometry(130, 258, 200, 26);
    XiButton3 = new widgets::TXiButton(this);
    XiButton3->setCaption("Start");
    XiButton3->setGeometry(340, 256, 106, 30);
    XiButton3->setAutoDefault(false);
    label("Blank key:", {20, 298, 110, 26});
    BlankKey = new QKeySequenceEdit(this);
    BlankKey->setGeometry(130, 298, 200, 26);
    BlankKey->setToolTip("Blanks the secondary monitor at once, and gives it back at the next press");
    XiButton4 = new widgets::TXiButton(this);
    XiButton4->setCaption("Start");
    XiButton4->setGeometry(340, 296, 106, 30);
    XiButton4->setAutoDefault(false);
    XiButton5 = new widgets::TXiButton(this);
    XiButton5->setGeometry(452, 296, 94, 30);
    XiButton5->setAutoDefault(false);
    auto* strip = new QWidget(this);
    strip->setGeometry(0, 383 - 41, 556, 41);
    strip->setAutoFillBackground(true);
    QPalette blue = strip->palette();
    blue.setColor(QPalette::Window, QColor(0, 128, 255));
    strip->setPalette(blue);
    BitBtn2 = new QPushButton("Close", strip);
    BitBtn2->setGeometry(556 - 95, 8, 85, 26);
    BitBtn2->setAutoDefault(false);

    // Enter does what the dialog is for (Start), not Browse.
    XiButton1->setAutoDefault(false);
    XiButton3->setDefault(true);
    connect(XiButton1, &QPushButton::clicked, this, &TFsave::BitBtn1Click);
    connect(XiButton3, &QPushButton::clicked, this, &TFsave::bbokClick);
    connect(XiButton4, &QPushButton::clicked, this, &TFsave::blankKeyClick);
    connect(XiButton5, &QPushButton::clicked, this, &TFsave::blankPictureClick);
    connect(BitBtn2, &QPushButton::clicked, this, &QDialog::reject);
    connect(cbBeep, &widgets::TBitCheckBox::clicked, this, [this] { beepOnSave_ = cbBeep->Checked(); });
    connect(edit1, &QLineEdit::textChanged, this, &TFsave::updatePreview);
    connect(SpinEdit1, &QSpinBox::valueChanged, this, &TFsave::updatePreview);
    connect(Edit2, &QLineEdit::textChanged, this, [this] {
        Edit2->setToolTip(Edit2->text());
        updatePreview();
    });
    // One key combination: what is typed after the first is let go.
    for (QKeySequenceEdit* field : {HotKey, BlankKey})
        connect(field, &QKeySequenceEdit::keySequenceChanged, this, [field](const QKeySequence& keys) {
            if (keys.count() > 1) field->setKeySequence(QKeySequence(keys[0]));
        });

    // FormCreate
    setChordInField(parseHotKeyText("Ctrl+F11"));
    const auto documents = platform::documentsFolder();
    if (documents) {
        // Kept as the bytes the system gave: a name that is not UTF-8 would not survive the text.
        folderBytes_ = *documents;
        folderShown_ = withSeparator(QFile::decodeName(QByteArray::fromStdString(documents->native())));
        Edit2->setText(folderShown_);
    } else {
        Edit2->setText(withSeparator(programFolder));
    }
    if (platform::capabilities().globalKeys) {
        hotKey_ = platform::openGlobalHotKey({"save-image", "Save the picture on the second monitor"});
        blankHotKey_ = platform::openGlobalHotKey({"blank", "Blank the second monitor, or show it again"});
    }
    // Each press is handled once the event pump is done with the display's events.
    if (hotKey_) hotKey_->onPress([this] { QTimer::singleShot(0, this, [this] { fishHotKey(); }); });
    if (blankHotKey_)
        blankHotKey_->onPress([this] {
            QTimer::singleShot(0, this, [this] {
                if (blankPress_) blankPress_();
            });
        });
    updatePreview();
}

TFsave::~TFsave() = default;

std::optional<HotKeyChord> TFsave::chordInField() const {
    return chordIn(*HotKey);
}

void TFsave::setChordInField(const std::optional<HotKeyChord>& chord) {
    setChordIn(*HotKey, chord);
}

void TFsave::showEvent(QShowEvent* event) {
    // FormActivate
    if (beepOnSave_) cbBeep->setChecked(true);
    setChordInField(parseHotKeyText(hotKeyText_));
    if (blankKeyText_ && !blankKeyArmed()) setChordIn(*BlankKey, parseHotKeyText(*blankKeyText_));
    updatePreview();
    QDialog::showEvent(event);
}

void TFsave::updatePreview() {
    Label6->setText("[ " + edit1->text() + QString::number(SpinEdit1->value()) + " ]");
}

void TFsave::setArmed(bool on) {
    XiButton3->setCaption(on ? "Stop" : "Start");
}

void TFsave::bbokClick() {
    const std::optional<HotKeyChord> chord = chordInField();
    hotKeyText_ = chord ? hotKeyText(chord) : std::string();
    if (!chord) return;
    if (armed()) {
        hotKey_->release();
        setArmed(false);
        return;
    }
    setArmed(grabOrTell(hotKey_.get(), *chord));
}

bool TFsave::grabOrTell(platform::GlobalHotKey* hotKey, const HotKeyChord& chord) {
    if (!hotKey) {
        // The desktop's own shortcuts can run the commands that do the same.
        tell("This desktop does not let programs take keys for themselves. Bind \u201cvexmira "
             "--save-image\u201d (and \u201cvexmira --blank\u201d for the blank key) to keys in the "
             "desktop\u2019s keyboard shortcut settings instead.");
        return false;
    }
    const bool other = (hotKey == hotKey_.get() && blankKeyArmed() && blankKeyText_ &&
                        parseHotKeyText(*blankKeyText_) == chord) ||
                       (hotKey == blankHotKey_.get() && armed() && parseHotKeyText(hotKeyText_) == chord);
    if (other ||
        !hotKey->grab({keysymOfKey(chord.key), chord.shift, chord.ctrl, chord.alt, hotKeyText(chord)})) {
        tell(QString::fromStdString("The key " + hotKeyText(chord) +
                                    (other
                                         ? " is already the other key of this dialog."
                                         : " is taken by another program, or the keyboard has no such key.") +
                                    " Choose another key."));
        return false;
    }
    return true;
}

void TFsave::setBlankKey(std::string& keyText, bool& armed, std::string& picture,
                         std::function<void()> press) {
    blankKeyText_ = &keyText;
    blankKeyOn_ = &armed;
    blankPicture_ = &picture;
    showBlankPicture();
    blankPress_ = std::move(press);
    const std::optional<HotKeyChord> chord = parseHotKeyText(keyText);
    setChordIn(*BlankKey, chord);
    // Armed at the last run: taken again once the program runs, or the user is told why not.
    if (armed)
        QTimer::singleShot(0, this, [this, chord] {
            if (chord) grabOrTell(blankHotKey_.get(), *chord);
            showBlankKeyArmed();
        });
}

void TFsave::showBlankPicture() {
    const bool chosen = blankPicture_ && !blankPicture_->empty();
    XiButton5->setCaption(chosen ? "Use black" : "Picture...");
    XiButton5->setToolTip(chosen ? "While blanked the monitor shows " +
                                       QString::fromStdString(*blankPicture_) + "; click for black instead"
                                 : "While blanked the monitor is black; click to show a picture instead");
}

void TFsave::blankPictureClick() {
    if (!blankPicture_) return;
    if (!blankPicture_->empty()) {
        blankPicture_->clear();
    } else {
        const QString file = QFileDialog::getOpenFileName(this, "Picture for the blanked monitor", {},
                                                          "Pictures (*.jpg *.jpeg *.png *.bmp)");
        if (!file.isEmpty()) *blankPicture_ = file.toStdString();
    }
    showBlankPicture();
}

void TFsave::blankKeyClick() {
    if (!blankKeyText_ || !blankKeyOn_) return;
    if (blankKeyArmed()) {
        blankHotKey_->release();
    } else {
        const std::optional<HotKeyChord> chord = chordIn(*BlankKey);
        *blankKeyText_ = hotKeyText(chord);
        if (chord) grabOrTell(blankHotKey_.get(), *chord);
    }
    showBlankKeyArmed();
}

void TFsave::resetBlankKey() {
    if (blankKeyArmed()) blankHotKey_->release();
    if (blankKeyText_) setChordIn(*BlankKey, parseHotKeyText(*blankKeyText_));
    if (blankKeyOn_) showBlankKeyArmed();
    showBlankPicture();
}

void TFsave::showBlankKeyArmed() {
    *blankKeyOn_ = blankKeyArmed();
    XiButton4->setCaption(*blankKeyOn_ ? "Stop" : "Start");
}

std::optional<std::string> TFsave::fishHotKey() {
    // A press during another press's saving, or with nothing to save, saves nothing: no beep and
    // no new number.
    if (saveBusy_) return std::nullopt;
    const int type = cbformat->findText(cbformat->currentText());
    if (type < 0 || type > 2) return std::nullopt;
    QString folder = Edit2->text();
    if (!platform::isFullPath(folder.toStdString())) {
        tell("The destination \"" + folder + "\" is not a full folder path (it must start with /).");
        return std::nullopt;
    }
    const std::filesystem::path folderPath =
        folder == folderShown_ && !folderBytes_.empty()
            ? folderBytes_
            : std::filesystem::path(QFile::encodeName(withSeparator(folder)).toStdString());
    const raster::Bitmap picture = currentPicture_ ? currentPicture_() : raster::Bitmap();
    if (picture.width() <= 0 || picture.height() <= 0) return std::nullopt;
    saveBusy_ = true;
    std::optional<std::string> written;
    try {
        const std::vector<std::uint8_t> bytes = type == 0   ? raster::encodeJpeg(picture, 90)
                                                : type == 1 ? raster::encodePng(picture)
                                                            : raster::encodeBmp(picture);
        // A name that is taken is never written over: the next number is tried.
        for (long long number = SpinEdit1->value(); number <= INT_MAX; ++number) {
            const QString name = edit1->text() + QString::number(number) + extensions[type];
            const std::filesystem::path local = folderPath / QFile::encodeName(name).toStdString();
            if (!platform::writeNewFile(local, bytes)) continue;
            written = local.string();
            if (cbBeep->Checked()) QApplication::beep();
            if (number == INT_MAX) {
                tell("The counter has reached its largest number; the hot key is stopped.");
                if (hotKey_) hotKey_->release();
                setArmed(false);
            } else {
                SpinEdit1->setValue(static_cast<int>(number + 1));
            }
            break;
        }
        if (!written) tell("Every numbered name from the counter on is taken in " + folder + ".");
    } catch (const std::exception& error) {
        tell(QString::fromLocal8Bit(error.what()));
    }
    QCoreApplication::processEvents();
    saveBusy_ = false;
    return written;
}

void TFsave::BitBtn1Click() {
    const QString chosen =
        QFileDialog::getExistingDirectory(this, "Select folder to save image", Edit2->text());
    if (!chosen.isEmpty()) Edit2->setText(withSeparator(chosen));
}

} // namespace vexmira::capture
