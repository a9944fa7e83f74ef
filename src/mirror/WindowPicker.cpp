#include "WindowPicker.h"

#include "raster/Resample.h"
#include "raster/ScaleGeometry.h"
#include "widgets/ImageView.h"

#include <QFont>
#include <QFrame>
#include <QMouseEvent>
#include <QVBoxLayout>
#include <algorithm>

namespace vexmira::mirror {

std::string firstCharacters(const std::string& utf8, std::size_t count) {
    std::size_t characters = 0;
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        // A byte that does not continue a character starts one.
        if ((static_cast<unsigned char>(utf8[i]) & 0xC0) != 0x80 && characters++ == count)
            return utf8.substr(0, i);
    }
    return utf8;
}

std::vector<WindowRow> listWindows(platform::WindowSystem& windows) {
    std::vector<WindowRow> rows;
    for (const platform::TopLevelWindow& window : windows.topLevelWindows()) {
        if (!window.visible || window.desktopOrDock) continue;
        const std::string className = firstCharacters(window.className, 254);
        const std::string title = firstCharacters(window.title, 254);
        rows.push_back({className.empty() ? "Empty" : className, std::to_string(window.handle),
                        std::to_string(window.processId), title.empty() ? "Empty" : title});
    }
    return rows;
}

bool excludedFromPicker(const WindowRow& row, raster::Size capture) {
    const int width = std::max(capture.width, 1), height = std::max(capture.height, 1);
    if (width < 20 || height < 20) return true;
    for (const char* own : {"Program Manager", "Vexmira", "Vexmira - Display", "Start", "FstartForm"})
        if (row.title == own) return true;
    return row.title == "Empty" && row.className == "Shell_TrayWnd";
}

raster::Size thumbnailSize(raster::Size capture) {
    return raster::fitIntoBox(capture, {120, 120});
}

void PickerImage::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit clicked(handle);
}

WindowPicker::WindowPicker(QWidget* parent) : QScrollArea(parent) {
    setFrameShape(QFrame::NoFrame);
    setWidgetResizable(true);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    list_ = new QWidget;
    list_->setAutoFillBackground(true);
    QPalette navy = list_->palette();
    navy.setColor(QPalette::Window, QColor(0, 0, 128));
    list_->setPalette(navy);
    layout_ = new QVBoxLayout(list_);
    layout_->setContentsMargins(0, 0, 0, 0);
    layout_->setSpacing(0);
    layout_->addStretch();
    setWidget(list_);
}

int WindowPicker::addEntry(const WindowRow& row) {
    const int number = static_cast<int>(entries_.size());
    Entry entry;
    entry.panel = new QWidget(list_);
    entry.panel->setObjectName(QString("panel106%1").arg(number));
    entry.panel->setFixedHeight(145);
    entry.panel->setAutoFillBackground(true);
    QPalette grey = entry.panel->palette();
    grey.setColor(QPalette::Window, QColor(63, 63, 63));
    entry.panel->setPalette(grey);

    entry.image = new PickerImage(entry.panel);
    entry.image->setObjectName(QString("image106%1").arg(number));
    entry.image->setGeometry(0, 0, 115, 115);
    entry.image->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    entry.image->setToolTip(QString::fromStdString(row.title));
    entry.image->setCursor(Qt::PointingHandCursor);
    connect(entry.image, &PickerImage::clicked, this, &WindowPicker::windowChosen);

    auto* line = new QFrame(entry.panel);
    line->setObjectName(QString("crta106%1").arg(number));
    line->setFrameShape(QFrame::HLine);
    line->setGeometry(0, 140, 433, 1);

    entry.title = new QLabel(QString::fromStdString(row.title), entry.panel);
    entry.title->setObjectName(QString("label110%1").arg(number));
    entry.title->setGeometry(0, 1, 370, 20);
    entry.title->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    QFont bold = entry.title->font();
    bold.setBold(true);
    entry.title->setFont(bold);
    // The palette, not a style sheet: a style sheet would colour the label's tooltip too.
    QPalette white = entry.title->palette();
    white.setColor(QPalette::WindowText, Qt::white);
    entry.title->setPalette(white);
    entry.title->setToolTip(QString::fromStdString(
        "[Class Name: " + row.className + "] * [Handle: " + row.handle + "] * [PID: " + row.processId + "]"));
    layout_->insertWidget(layout_->count() - 1, entry.panel);
    entries_.push_back(entry);
    return number;
}

void WindowPicker::setThumbnail(int entry, const raster::Bitmap& capture, platform::WindowHandle handle) {
    Entry& e = entries_.at(entry);
    if (!e.panel) return;
    const raster::Size size = thumbnailSize(capture.size());
    raster::Bitmap thumbnail(std::max(size.width, 1), std::max(size.height, 1), 24);
    raster::stretchDrawNearest(thumbnail, {0, 0, size.width, size.height}, capture);
    e.image->setPixmap(QPixmap::fromImage(widgets::asQImage(thumbnail).copy()));
    e.image->move(185 - size.width / 2, 80 - size.height / 2);
    e.image->handle = handle;
}

void WindowPicker::removeEntry(int entry) {
    Entry& e = entries_.at(entry);
    delete e.panel;
    e = Entry{};
}

int WindowPicker::entryCount() const {
    return static_cast<int>(
        std::count_if(entries_.begin(), entries_.end(), [](const Entry& e) { return e.panel != nullptr; }));
}

PickerImage* WindowPicker::image(int entry) const {
    return entry >= 0 && entry < static_cast<int>(entries_.size()) ? entries_[entry].image : nullptr;
}
QLabel* WindowPicker::title(int entry) const {
    return entry >= 0 && entry < static_cast<int>(entries_.size()) ? entries_[entry].title : nullptr;
}

} // namespace vexmira::mirror
