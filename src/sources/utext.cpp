#include "utext.h"

#include "EditorIcons.h"
#include "FileNames.h"
#include "platform/FileSystem.h"
#include "widgets/FontNameBox.h"

#include <QButtonGroup>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QPrinter>
#include <QTextBlock>
#include <QTextList>
#include <QVBoxLayout>
#include <algorithm>

namespace vexmira::sources {

Tftext* ftext = nullptr;
int Tftext::SizeCounter = 10;

namespace {

const QString fileFilter = "Rich Text Files (*.RTF);;Text Files (*.TXT)";
const QString untitled = "Untitled";
constexpr int smallestSize = 1;
constexpr int largestSize = 1638; // the largest size in points that rich text can hold

QString joined(const std::vector<std::string>& parts) {
    QStringList list;
    for (const std::string& part : parts)
        list << QString::fromStdString(part);
    return list.join(", ");
}

} // namespace

Tftext::Tftext(const QString& folder, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowStaysOnTopHint), questions_(std::make_unique<UserQuestions>()),
      folder_(folder) {
    setModal(true);
    setAutoFillBackground(true);
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    setPalette(white);
    resize(785, 547);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    buildToolBar();
    column->addWidget(ToolBar1);
    Panel3 = new QFrame(this);
    Panel3->setFixedHeight(1);
    Panel3->setAutoFillBackground(true);
    QPalette silver = Panel3->palette();
    silver.setColor(QPalette::Window, QColor(192, 192, 192));
    Panel3->setPalette(silver);
    column->addWidget(Panel3);

    Editor = new widgets::TRichEdit(this);
    Editor->setFrameShape(QFrame::NoFrame);
    QFont editorFont("MS Sans Serif");
    editorFont.setPixelSize(16);
    Editor->setFont(editorFont);
    Editor->document()->setDefaultFont(editorFont);
    Editor->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Editor->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    column->addWidget(Editor, 1);

    PopupMenu1 = new QMenu(this);
    connect(PopupMenu1->addAction("Undo"), &QAction::triggered, this, &Tftext::CutButtonClick); // Undo1Click
    PopupMenu1->addSeparator();
    QAction* cut = PopupMenu1->addAction("Cut"); // Cut1Click
    cut->setShortcut(QKeySequence("Ctrl+X"));
    connect(cut, &QAction::triggered, this, &Tftext::CopyButtonClick);
    QAction* copy = PopupMenu1->addAction("Copy"); // Copz1Click
    copy->setShortcut(QKeySequence("Ctrl+C"));
    connect(copy, &QAction::triggered, this, &Tftext::PasteButtonClick);
    QAction* paste = PopupMenu1->addAction("Paste"); // Paste1Click
    paste->setShortcut(QKeySequence("Ctrl+V"));
    connect(paste, &QAction::triggered, this, &Tftext::UndoButtonClick);
    Editor->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(Editor, &QWidget::customContextMenuRequested, this,
            [this](QPoint at) { PopupMenu1->popup(Editor->viewport()->mapToGlobal(at)); });

    buildBottomStrip();
    column->addWidget(Panel1);

    // FormCreate
    setFileName(untitled);
    fillFontList();
    setButtonsFromCaret();
    QTextCharFormat start;
    start.setFontFamilies({"MS Sans Serif"});
    start.setFontPointSize(8);
    Editor->setCurrentCharFormat(start);
}

QToolButton* Tftext::toolButton(EditorIcon icon, const QString& hint, void (Tftext::*handler)()) {
    auto* b = new QToolButton(ToolBar1);
    b->setIcon(editorIcon(icon));
    b->setAutoRaise(true);
    b->setFocusPolicy(Qt::NoFocus);
    if (!hint.isEmpty()) b->setToolTip(hint);
    ToolBar1->addWidget(b);
    if (handler) connect(b, &QToolButton::clicked, this, handler);
    return b;
}

void Tftext::buildToolBar() {
    ToolBar1 = new QToolBar(this);
    ToolBar1->setFixedHeight(30);
    ToolBar1->setIconSize({16, 16});
    ToolBar1->setAutoFillBackground(true);
    ToolBar1->setStyleSheet("QToolBar { background: white; border: none; }");
    const auto button = [this](EditorIcon icon, const QString& hint, void (Tftext::*handler)()) {
        return toolButton(icon, hint, handler);
    };
    ToolButton1 = button(EditorIcon::BlankPage, {}, &Tftext::ToolButton1Click);
    OpenButton = button(EditorIcon::OpenFolder, {}, &Tftext::OpenButtonClick);
    SaveButton = button(EditorIcon::Disk, {}, &Tftext::SaveButtonClick);
    editorcolor = button(EditorIcon::DiskWithGrid, {}, &Tftext::editorcolorClick);
    PrintButton = button(EditorIcon::Printer, {}, &Tftext::PrintButtonClick);
    ToolBar1->addSeparator();
    // Each clipboard button does what its picture shows; the names were given the other way round.
    CopyButton = button(EditorIcon::Scissors, {}, &Tftext::CopyButtonClick);
    PasteButton = button(EditorIcon::TwoPages, {}, &Tftext::PasteButtonClick);
    UndoButton = button(EditorIcon::Clipboard, {}, &Tftext::UndoButtonClick);
    CutButton = button(EditorIcon::CurvedArrow, {}, &Tftext::CutButtonClick);

    auto* fonts = new widgets::FontNameBox(ToolBar1);
    fontname = fonts;
    fontname->setFixedWidth(206);
    fontname->setFocusPolicy(Qt::ClickFocus);
    ToolBar1->addWidget(fontname);
    // Only the user's choice applies the font; filling the list selects without applying.
    connect(fontname, &QComboBox::activated, this, &Tftext::fontnameChange);
    buildFormatButtons();
}

void Tftext::buildFormatButtons() {
    const auto button = [this](EditorIcon icon, const QString& hint, void (Tftext::*handler)()) {
        return toolButton(icon, hint, handler);
    };
    ToolBar1->addSeparator();
    ToolBar1->addSeparator();
    aplus = button(EditorIcon::LargerA, {}, &Tftext::aplusClick);
    aminus = button(EditorIcon::SmallerA, {}, &Tftext::aminusClick);
    ToolBar1->addSeparator();
    ToolButton3 = button(EditorIcon::LetterA, {}, &Tftext::ToolButton3Click);
    BoldButton = button(EditorIcon::Bold, "Bold", &Tftext::BoldButtonClick);
    ItalicButton = button(EditorIcon::Italic, "Italic", &Tftext::ItalicButtonClick);
    UnderlineButton = button(EditorIcon::Underline, "Underline", &Tftext::UnderlineButtonClick);
    for (QToolButton* b : {BoldButton, ItalicButton, UnderlineButton})
        b->setCheckable(true);
    ToolBar1->addSeparator();
    LeftAlign = button(EditorIcon::AlignLeft, "Align Left", nullptr);
    CenterAlign = button(EditorIcon::AlignCentre, "Center", nullptr);
    RightAlign = button(EditorIcon::AlignRight, "Align Right", nullptr);
    LeftAlign->setProperty("Tag", 0);
    RightAlign->setProperty("Tag", 1);
    CenterAlign->setProperty("Tag", 2);
    auto* alignments = new QButtonGroup(this);
    alignments->setExclusive(true);
    for (QToolButton* b : {LeftAlign, CenterAlign, RightAlign}) {
        b->setCheckable(true);
        alignments->addButton(b);
        connect(b, &QToolButton::clicked, this, [this, b] { AlignClick(b); });
    }
    ToolBar1->addSeparator();
    BulletsButton = button(EditorIcon::BulletList, "Bullets", &Tftext::BulletsButtonClick);
    BulletsButton->setStatusTip("Enter bullet mode");
    // A toggle: a plain button is never down when its click arrives, so bullets could never be
    // switched on.
    BulletsButton->setCheckable(true);
}

void Tftext::buildBottomStrip() {
    Panel1 = new QWidget(this);
    Panel1->setFixedHeight(35);
    Panel1->setAutoFillBackground(true);
    QPalette blue = Panel1->palette();
    blue.setColor(QPalette::Window, QColor(0, 128, 255));
    Panel1->setPalette(blue);
    auto* row = new QHBoxLayout(Panel1);
    row->setContentsMargins(6, 4, 8, 4);
    row->addStretch(1);
    BitBtn1 = new QPushButton("Cancel", Panel1);
    BitBtn2 = new QPushButton("OK", Panel1);
    for (QPushButton* b : {BitBtn1, BitBtn2}) {
        b->setAutoDefault(false); // Enter belongs to the text
        b->setFixedSize(75, 25);
        row->addWidget(b);
    }
    connect(BitBtn1, &QPushButton::clicked, this, &QDialog::reject);
    connect(BitBtn2, &QPushButton::clicked, this, &QDialog::accept);
}

void Tftext::fillFontList() {
    const QSignalBlocker quiet(fontname);
    static_cast<widgets::FontNameBox*>(fontname)->fillFromSystem();
}

void Tftext::setButtonsFromCaret() {
    updating_ = true;
    const QTextCharFormat format = Editor->currentCharFormat();
    BoldButton->setChecked(format.fontWeight() >= QFont::Bold);
    ItalicButton->setChecked(format.fontItalic());
    UnderlineButton->setChecked(format.fontUnderline());
    {
        // The caret's own family, or the page's where the text names none.
        const QSignalBlocker quiet(fontname);
        const QStringList families = format.fontFamilies().toStringList();
        static_cast<widgets::FontNameBox*>(fontname)->showFamily(
            families.isEmpty() || families.front().isEmpty() ? Editor->document()->defaultFont().family()
                                                             : families.front());
    }
    const Qt::Alignment alignment = Editor->alignment() & Qt::AlignHorizontal_Mask;
    if (alignment & Qt::AlignHCenter)
        CenterAlign->setChecked(true);
    else if (alignment & Qt::AlignRight)
        RightAlign->setChecked(true);
    else
        LeftAlign->setChecked(true);
    BulletsButton->setChecked(Editor->textCursor().currentList() != nullptr);
    updating_ = false;
}

void Tftext::setFileName(const QString& name) {
    FileName = name;
    setWindowTitle(QString("%1 - %2").arg(QFileInfo(name).fileName(), "Vexmira"));
}

bool Tftext::event(QEvent* event) {
    // Every showing starts with the page unchanged (FormActivate). A dialog of the editor's own
    // closing does not count: what was changed before it stays changed.
    if (event->type() == QEvent::Show) {
        emit activated();
        Editor->document()->setModified(false);
        Editor->setFocus();
    }
    return QDialog::event(event);
}

void Tftext::done(int result) {
    closedWithOk_ = result == QDialog::Accepted;
    emit closing(); // FormCloseQuery: closing is always allowed
    QDialog::done(result);
}

bool Tftext::savePromptGoesOn() {
    if (!Editor->document()->isModified()) return true;
    switch (questions_->ask(this, QString("Save changes to %1?").arg(FileName))) {
    case UserQuestions::Answer::Yes:
        FileSave();
        return true;
    case UserQuestions::Answer::No:
        return true;
    case UserQuestions::Answer::Cancel:
        break;
    }
    return false;
}

void Tftext::ToolButton1Click() {
    // Unsaved changes get the same question as before Open.
    if (!savePromptGoesOn()) return;
    setFileName(untitled);
    Editor->clear();
    Editor->setReadOnly(false);
    Editor->document()->setModified(false);
    saveDialogName_.clear();
}

namespace {

// What the editor lays out in reasonable time; larger pages are refused before anything changes.
constexpr std::size_t largestPage = std::size_t(100) << 20;
constexpr std::size_t mostParagraphs = 1'000'000;

std::size_t paragraphsIn(const std::string& bytes) {
    std::size_t count = static_cast<std::size_t>(std::count(bytes.begin(), bytes.end(), '\n'));
    for (std::size_t at = bytes.find("\\par"); at != std::string::npos; at = bytes.find("\\par", at + 4))
        ++count;
    return count;
}

} // namespace

bool Tftext::loadFile(const QString& path) {
    const platform::FileContent content = platform::readWholeFile(localPath(path), largestPage);
    if (content.status == platform::ReadStatus::Read && paragraphsIn(content.bytes) > mostParagraphs) {
        questions_->warn(this, QString("Cannot open %1: it holds more than %2 lines, more than this editor "
                                       "can lay out. The page is left as it was.")
                                   .arg(path)
                                   .arg(mostParagraphs));
        return false;
    }
    if (content.status != platform::ReadStatus::Read) {
        questions_->warn(this,
                         QString("Cannot open %1: %2")
                             .arg(path, QString::fromStdString(content.status == platform::ReadStatus::Missing
                                                                   ? "the file does not exist"
                                                                   : content.reason)));
        return false;
    }
    const richtext::ReadResult result = Editor->loadText(content.bytes);
    if (!result.error.empty()) {
        questions_->warn(this, QString("Cannot open %1: %2").arg(path, QString::fromStdString(result.error)));
        return false;
    }
    if (!result.dropped.empty())
        questions_->tell(this,
                         QString("%1 holds what this editor cannot show: %2. It is left out, and saving "
                                 "the page writes the file without it.")
                             .arg(QFileInfo(path).fileName(), joined(result.dropped)));
    return true;
}

void Tftext::OpenButtonClick() {
    if (!savePromptGoesOn()) return;
    const auto chosen = questions_->fileToOpen(this, folder_, fileFilter);
    if (!chosen) return;
    folder_ = QFileInfo(chosen->path).absolutePath();
    if (!loadFile(chosen->path)) return;
    setFileName(chosen->path);
    Editor->setFocus();
    Editor->document()->setModified(false);
    Editor->setReadOnly(chosen->readOnly);
}

bool Tftext::saveFile(const QString& path) {
    return saveOrWarn(*questions_, this, path, Editor->richText());
}

void Tftext::FileSave() {
    if (FileName == untitled) {
        editorcolorClick();
        return;
    }
    if (saveFile(FileName)) Editor->document()->setModified(false);
}

void Tftext::editorcolorClick() {
    const QString chosen = questions_->fileToSave(this, folder_, saveDialogName_, fileFilter);
    if (chosen.isEmpty()) return;
    folder_ = QFileInfo(chosen).absolutePath();
    saveDialogName_ = chosen;
    if (QFileInfo::exists(chosen) &&
        questions_->ask(this, QString("OK to overwrite %1").arg(chosen)) != UserQuestions::Answer::Yes)
        return;
    // Always rich text, whichever filter was chosen.
    if (!saveFile(chosen)) return;
    setFileName(chosen);
    Editor->document()->setModified(false);
}

void Tftext::PrintButtonClick() {
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(QFileInfo(FileName).fileName());
    if (questions_->setUpPrinter(this, printer)) printOn(printer);
}

void Tftext::printOn(QPrinter& printer) {
    widgets::printTextDocument(*Editor->document(), printer);
}

void Tftext::CopyButtonClick() {
    Editor->cut();
}

void Tftext::PasteButtonClick() {
    Editor->copy();
}

void Tftext::UndoButtonClick() {
    Editor->paste();
}

void Tftext::CutButtonClick() {
    Editor->undo();
}

void Tftext::mergeFormat(const QTextCharFormat& format) {
    // With a selection its characters change; without one, what is typed next.
    Editor->mergeCurrentCharFormat(format);
}

void Tftext::fontnameChange() {
    QTextCharFormat format;
    format.setFontFamilies({widgets::plainFamily(fontname->currentText())});
    mergeFormat(format);
}

void Tftext::applySize(int points) {
    QTextCharFormat format;
    format.setFontPointSize(points);
    mergeFormat(format);
}

void Tftext::aplusClick() {
    SizeCounter = std::clamp(SizeCounter + 1, smallestSize, largestSize);
    applySize(SizeCounter);
}

void Tftext::aminusClick() {
    SizeCounter = std::clamp(SizeCounter - 1, smallestSize, largestSize);
    applySize(SizeCounter);
}

void Tftext::ToolButton3Click() {
    const auto chosen = questions_->colour(this, Editor->currentCharFormat().foreground().color());
    if (!chosen) return;
    QTextCharFormat format;
    format.setForeground(*chosen);
    mergeFormat(format);
}

void Tftext::BoldButtonClick() {
    if (updating_) return;
    QTextCharFormat format;
    format.setFontWeight(BoldButton->isChecked() ? QFont::Bold : QFont::Normal);
    mergeFormat(format);
}

void Tftext::ItalicButtonClick() {
    if (updating_) return;
    QTextCharFormat format;
    format.setFontItalic(ItalicButton->isChecked());
    mergeFormat(format);
}

void Tftext::UnderlineButtonClick() {
    if (updating_) return;
    QTextCharFormat format;
    format.setFontUnderline(UnderlineButton->isChecked());
    mergeFormat(format);
}

void Tftext::AlignClick(QToolButton* button) {
    if (updating_) return;
    switch (button->property("Tag").toInt()) {
    case 1:
        Editor->setAlignment(Qt::AlignRight | Qt::AlignAbsolute);
        break;
    case 2:
        Editor->setAlignment(Qt::AlignHCenter);
        break;
    default:
        Editor->setAlignment(Qt::AlignLeft | Qt::AlignAbsolute);
        break;
    }
}

void Tftext::BulletsButtonClick() {
    if (updating_) return;
    QTextCursor cursor = Editor->textCursor();
    cursor.beginEditBlock();
    if (BulletsButton->isChecked()) {
        if (!cursor.currentList()) {
            QTextListFormat bullets;
            bullets.setStyle(QTextListFormat::ListDisc);
            bullets.setIndent(1);
            cursor.createList(bullets);
        }
    } else {
        // Every paragraph the selection touches leaves its list.
        const QTextDocument* document = Editor->document();
        QTextBlock block = document->findBlock(cursor.selectionStart());
        const QTextBlock last = document->findBlock(cursor.selectionEnd());
        while (block.isValid()) {
            if (QTextList* list = block.textList()) {
                list->remove(block);
                QTextCursor at(block);
                QTextBlockFormat format = block.blockFormat();
                format.setIndent(0);
                at.setBlockFormat(format);
            }
            if (block == last) break;
            block = block.next();
        }
    }
    cursor.endEditBlock();
}

} // namespace vexmira::sources
