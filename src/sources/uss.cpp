#include "uss.h"
#include "platform/PictureFile.h"

#include "FileNames.h"
#include "SlideText.h"
#include "platform/FileSystem.h"
#include "platform/Log.h"
#include "raster/ImageFile.h"
#include "widgets/ImageView.h"
#include "widgets/WindowLook.h"

#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMimeData>
#include <QPixmap>
#include <QProgressDialog>
#include <QTimer>
#include <QUrl>
#include <algorithm>
#include <utility>

namespace vexmira::sources {

Tfss* fss = nullptr;

namespace {

const QString pictureFilter =
    "All (*.jpg;*.jpeg;*.bmp;*.png;*.rtf;*.txt) (*.jpg *.jpeg *.bmp *.png *.rtf *.txt);;"
    "JPEG Image File (*.jpg) (*.jpg);;JPEG Image File (*.jpeg) (*.jpeg);;"
    "Bitmaps (*.bmp) (*.bmp);;Png Images(*.png) (*.png);;Rich Text Format (*.rtf);;"
    "Text File (*.txt) (*.txt)";
constexpr int firstSlide = 2;
constexpr int stopCheckMs = 50;

bool holdsLineBreak(const std::filesystem::path& file) {
    return file.native().find_first_of("\r\n") != std::string::npos;
}

} // namespace

QString Tfss::listed(const QStringList& lines) {
    constexpr int listedProblems = 20;
    QStringList shown = lines.mid(0, listedProblems);
    if (lines.size() > listedProblems)
        shown << QString("\u2026 and %1 more").arg(lines.size() - listedProblems);
    return shown.join('\n');
}

Tfss::Tfss(bool& stopRequested, int& slideIndex, const QString& folder, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowStaysOnTopHint),
      stopRequested_(stopRequested), slideIndex_(slideIndex), folder_(folder),
      questions_(std::make_unique<UserQuestions>()) {
    setWindowTitle("Vexmira - Setup Slide Show");
    setFixedSize(976, 581);
    widgets::setBackgroundColour(this, Qt::white);
    setAcceptDrops(true);
    buildButtons();
    buildList();
    buildPreviewBox();
    buildPlayer();
    tbrChange();
}

Tfss::~Tfss() = default;

void Tfss::buildButtons() {
    XiButton6 = widgets::dialogButton(this, "Add Images", {10, 10, 140, 32});
    XiButton4 = widgets::dialogButton(this, "Remove", {156, 10, 140, 32});
    XiButton2 = widgets::dialogButton(this, "Open Images List", {302, 10, 160, 32});
    XiButton3 = widgets::dialogButton(this, "Save Images List", {468, 10, 160, 32});
    connect(XiButton6, &widgets::TXiButton::clicked, this, &Tfss::XiButton6Click);
    connect(XiButton4, &widgets::TXiButton::clicked, this, &Tfss::XiButton4Click);
    connect(XiButton2, &widgets::TXiButton::clicked, this, &Tfss::XiButton2Click);
    connect(XiButton3, &widgets::TXiButton::clicked, this, &Tfss::XiButton3Click);
}

void Tfss::buildList() {
    tabela = new QTreeWidget(this);
    tabela->setGeometry(10, 52, 706, 470);
    tabela->setColumnCount(5);
    tabela->setHeaderLabels({"File", "Size [B]", "Type", "Location", "Dimensions"});
    const int widths[5] = {120, 90, 150, 230, 150};
    for (int c = 0; c < 5; ++c)
        tabela->setColumnWidth(c, widths[c]);
    tabela->headerItem()->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
    tabela->setRootIsDecorated(false);
    tabela->setUniformRowHeights(true);
    tabela->setSelectionMode(QAbstractItemView::ExtendedSelection);
    tabela->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Sorted only on a click on a heading: automatic sorting would re-sort every insert and undo
    // every move.
    tabela->setSortingEnabled(false);
    tabela->header()->setSectionsClickable(true);
    tabela->header()->setSectionsMovable(false);
    tabela->installEventFilter(this);
    connect(tabela->header(), &QHeaderView::sectionClicked, this, &Tfss::tabelaColumnClick);
    connect(tabela, &QTreeWidget::itemClicked, this, &Tfss::tabelaDblClick);
    connect(tabela, &QTreeWidget::itemDoubleClicked, this, &Tfss::tabelaDblClick);

    SB3 = widgets::dialogButton(this, "Move Up", {736, 284, 105, 28});
    sb4 = widgets::dialogButton(this, "Move Down", {850, 284, 105, 28});
    connect(SB3, &widgets::TXiButton::clicked, this, &Tfss::SB3Click);
    connect(sb4, &widgets::TXiButton::clicked, this, &Tfss::sb4Click);
}

void Tfss::buildPreviewBox() {
    Panel5 = new QLabel(this);
    Panel5->setGeometry(736, 52, 219, 219);
    Panel5->setFrameStyle(QFrame::Box | QFrame::Plain);
    Panel5->setLineWidth(1);
    widgets::setBackgroundColour(Panel5, QColor(98, 98, 98));
    slika = new QLabel(Panel5);
    slika->setGeometry(5, 5, 209, 209);
    slika->setAlignment(Qt::AlignCenter);
    Editor = new widgets::TRichEdit(Panel5);
    Editor->setGeometry(1, 1, 217, 217);
    Editor->setReadOnly(true);
    Editor->setFrameShape(QFrame::NoFrame);
    widgets::setBackgroundColour(Editor->viewport(), QColor(98, 98, 98));
    Editor->hide();
}

void Tfss::buildPlayer() {
    GroupBox1 = new QGroupBox(" Preview ", this);
    GroupBox1->setGeometry(722, 324, 246, 190);
    l_td = new QLabel(GroupBox1);
    l_td->setGeometry(12, 24, 220, 18);
    tbr = new widgets::TXiTrackBar(GroupBox1);
    tbr->setGeometry(8, 46, 230, 36);
    tbr->setMin(0);
    tbr->setMax(100);
    tbr->setFrequency(1);
    tbr->setTickStyle(widgets::TXiTrackBar::tsNone);
    tbr->setPosition(4);
    connect(tbr, &widgets::TXiTrackBar::OnChange, this, &Tfss::tbrChange);
    cbLoop = new widgets::TBitCheckBox(GroupBox1);
    cbLoop->setGeometry(12, 92, 120, 21);
    cbLoop->setCaption("Loop");
    cbLoop->setColor(0xFFFFFF);
    BitBtn1 = widgets::dialogButton(GroupBox1, "Preview", {12, 134, 105, 30});
    BitBtn3 = widgets::dialogButton(GroupBox1, "Stop", {129, 134, 105, 30});
    connect(BitBtn1, &widgets::TXiButton::clicked, this, &Tfss::BitBtn1Click);
    connect(BitBtn3, &widgets::TXiButton::clicked, this, &Tfss::BitBtn3Click);

    Panel1 = new QWidget(this);
    Panel1->setGeometry(0, 581 - 48, 976, 48);
    widgets::setBackgroundColour(Panel1, QColor(0, 128, 255));
    BitBtn2 = widgets::dialogButton(Panel1, "Close", {976 - 122, 9, 110, 30});
    connect(BitBtn2, &widgets::TXiButton::clicked, this, &Tfss::BitBtn2Click);
}

// --- the slide list text ---

std::string Tfss::line(int n) const {
    return n >= 0 && n < lineCount() ? mm[static_cast<std::size_t>(n)] : std::string();
}

void Tfss::Button1Click() {
    mm.clear();
    mm.push_back(cbLoop->Checked() ? "1" : "0");
    mm.push_back(std::to_string(tbr->Position()));
    for (const SlideEntry& entry : entries_)
        mm.push_back(entry.path.native());
}

// --- the entries ---

QTreeWidgetItem* Tfss::rowOf(const SlideEntry& entry) const {
    auto* row = new QTreeWidgetItem;
    for (int c = 0; c < 5; ++c)
        row->setText(c, entry.column(c));
    row->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
    return row;
}

std::vector<int> Tfss::selectedRows() const {
    std::vector<int> rows;
    for (QTreeWidgetItem* item : tabela->selectedItems())
        rows.push_back(tabela->indexOfTopLevelItem(item));
    std::sort(rows.begin(), rows.end());
    return rows;
}

std::vector<bool> Tfss::selection() const {
    std::vector<bool> selected(entries_.size(), false);
    for (int row : selectedRows())
        selected[static_cast<std::size_t>(row)] = true;
    return selected;
}

void Tfss::showEntries(const std::vector<bool>& selected) {
    tabela->setUpdatesEnabled(false);
    tabela->clear();
    QList<QTreeWidgetItem*> rows;
    rows.reserve(static_cast<qsizetype>(entries_.size()));
    for (const SlideEntry& entry : entries_)
        rows << rowOf(entry);
    tabela->addTopLevelItems(rows);
    for (std::size_t i = 0; i < selected.size() && i < entries_.size(); ++i)
        if (selected[i]) rows[static_cast<qsizetype>(i)]->setSelected(true);
    tabela->setUpdatesEnabled(true);
}

int Tfss::AddListEntry(const std::filesystem::path& file, const QString& mode) {
    if (FileKind(file) == fkOther) return -1;
    // Linux names differ by letter case: only the same path is the same file.
    if (mode != "open")
        for (auto entry = entries_.rbegin(); entry != entries_.rend(); ++entry)
            if (entry->path == file) return -1;
    entries_.push_back(entryNoting(file));
    tabela->addTopLevelItem(rowOf(entries_.back()));
    return static_cast<int>(entries_.size()) - 1;
}

SlideEntry Tfss::entryNoting(const std::filesystem::path& file) {
    SlideEntryBuild build = makeSlideEntry(file);
    if (!build.problem.isEmpty()) problems_ << displayName(file) + ": " + build.problem;
    return std::move(build.entry);
}

bool Tfss::beginListChange() {
    if (!changingList_) return true;
    QApplication::beep();
    return false;
}

void Tfss::addFiles(const std::vector<std::filesystem::path>& files) {
    if (!beginListChange()) return;
    changingList_ = true;
    QElapsedTimer sinceEvents;
    sinceEvents.start();
    for (const std::filesystem::path& file : files) {
        std::error_code error;
        if (holdsLineBreak(file) || std::filesystem::is_directory(file, error)) continue;
        AddListEntry(file);
        if (sinceEvents.elapsed() > 100) { // the window stays alive through a long drop
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
            sinceEvents.restart();
        }
    }
    changingList_ = false;
    reportProblems();
}

void Tfss::reportProblems() {
    if (problems_.isEmpty()) return;
    const QStringList problems = std::exchange(problems_, {});
    questions_->warn(this, "The size of these pictures could not be read; they are listed without it:\n" +
                               listed(problems));
}

void Tfss::XiButton6Click() {
    if (!beginListChange()) return;
    const QStringList chosen = questions_->filesToOpen(this, folder_, pictureFilter);
    if (chosen.isEmpty()) return;
    folder_ = QFileInfo(chosen.front()).absolutePath();
    std::vector<std::filesystem::path> files;
    for (const QString& name : chosen)
        files.push_back(localPath(name));
    addFiles(files);
}

void Tfss::XiButton4Click() {
    if (!beginListChange()) return;
    changingList_ = true;
    const std::vector<int> rows = selectedRows();
    tabela->setUpdatesEnabled(false);
    for (auto row = rows.rbegin(); row != rows.rend(); ++row) {
        delete tabela->takeTopLevelItem(*row);
        entries_.erase(entries_.begin() + *row);
    }
    tabela->setUpdatesEnabled(true);
    changingList_ = false;
    tabelaDblClick();
}

void Tfss::moveFirstSelected(bool up) {
    const std::vector<int> rows = selectedRows();
    if (rows.empty()) return;
    const int to = moveListEntry(entries_, rows.front(), up);
    QTreeWidgetItem* row = tabela->takeTopLevelItem(rows.front());
    tabela->insertTopLevelItem(to, row);
    row->setSelected(true);
    tabela->scrollToItem(row);
}

void Tfss::SB3Click() {
    moveFirstSelected(true);
}

void Tfss::sb4Click() {
    moveFirstSelected(false);
}

void Tfss::tabelaColumnClick(int column) {
    descending_ = !descending_;
    const std::vector<int> order = sortedOrder(entries_, column, descending_);
    const std::vector<bool> wasSelected = selection();
    std::vector<SlideEntry> sorted;
    std::vector<bool> selected;
    sorted.reserve(entries_.size());
    for (int i : order) {
        sorted.push_back(std::move(entries_[static_cast<std::size_t>(i)]));
        selected.push_back(wasSelected[static_cast<std::size_t>(i)]);
    }
    entries_ = std::move(sorted);
    showEntries(selected);
}

// --- the preview box ---

void Tfss::clearPreviewPicture() {
    slika->setPixmap(QPixmap());
}

void Tfss::showInPreviewBox(const std::filesystem::path& file) {
    const TFileKind kind = FileKind(file);
    if (kind == fkText || kind == fkRichText) {
        loadTextSlide(*Editor, file);
        Editor->show();
        slika->hide();
    } else if (isPictureKind(kind)) {
        Editor->hide();
        slika->show();
        const raster::Bitmap picture = platform::loadPicture(file);
        const raster::Size shown = thumbnailSize(picture.size());
        slika->setPixmap(QPixmap::fromImage(widgets::asQImage(picture).scaled(
            shown.width, shown.height, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)));
    }
}

void Tfss::tabelaDblClick() {
    clearPreviewPicture();
    const std::vector<int> rows = selectedRows();
    if (rows.size() != 1) return;
    try {
        showInPreviewBox(entries_[static_cast<std::size_t>(rows.front())].path);
    } catch (const std::exception& error) {
        questions_->warn(this, QString::fromStdString(error.what()));
    }
}

// --- the player ---

void Tfss::tbrChange() {
    l_td->setText(QString("Slide duration: %1 s").arg(tbr->Position()));
}

void Tfss::stopPreviewWait() {
    if (previewWait_) previewWait_->quit();
}

void Tfss::BitBtn1Click() {
    if (previewing_) return;
    tbrChange();
    stopRequested_ = false;
    Button1Click();
    if (!hasSlides()) return;
    previewing_ = true;
    for (int i = firstSlide; !stopRequested_;) {
        try {
            showInPreviewBox(line(i));
        } catch (...) {
            platform::logCaught("a slide cannot be shown in the preview box; it is passed over");
        }
        // The wait runs the event loop, so the window stays usable; the stop request ends it.
        QEventLoop wait;
        QTimer due, stopCheck;
        due.setTimerType(Qt::PreciseTimer);
        due.setSingleShot(true);
        connect(&due, &QTimer::timeout, &wait, &QEventLoop::quit);
        connect(&stopCheck, &QTimer::timeout, &wait, [this, &wait] {
            if (stopRequested_) wait.quit();
        });
        due.start(tbr->Position() * 1000);
        stopCheck.start(stopCheckMs);
        previewWait_ = &wait;
        wait.exec();
        previewWait_ = nullptr;
        if (++i >= lineCount()) {
            if (!cbLoop->Checked()) break;
            i = firstSlide;
        }
    }
    previewing_ = false;
}

void Tfss::BitBtn3Click() {
    stopRequested_ = true;
    stopPreviewWait();
}

void Tfss::BitBtn2Click() {
    slideIndex_ = firstSlide;
    stopRequested_ = true;
    stopPreviewWait();
    accept();
}

// --- the window ---

void Tfss::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    widgets::centreOnPrimaryScreen(this);
    tbrChange();
    emit activated();
}

void Tfss::closeEvent(QCloseEvent* event) {
    stopRequested_ = true;
    stopPreviewWait();
    QDialog::closeEvent(event);
}

void Tfss::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        BitBtn2Click();
        return;
    }
    QDialog::keyPressEvent(event);
}

void Tfss::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void Tfss::dropEvent(QDropEvent* event) {
    std::vector<std::filesystem::path> files;
    for (const QUrl& url : event->mimeData()->urls())
        if (const auto file = localPathOfUrl(url)) files.push_back(*file);
    event->acceptProposedAction();
    // After the drop is finished: a message about a file must not hold the file manager's drag.
    QTimer::singleShot(0, this, [this, files] { addFiles(files); });
}

bool Tfss::eventFilter(QObject* watched, QEvent* event) {
    // A key let go in the list previews its entry, only when it was pressed there too: the release
    // of the key that closed a message box is not a new request.
    if (watched == tabela && event->type() == QEvent::KeyPress) keyPressedInList_ = true;
    if (watched == tabela && event->type() == QEvent::KeyRelease && keyPressedInList_) {
        keyPressedInList_ = false;
        tabelaDblClick();
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace vexmira::sources
