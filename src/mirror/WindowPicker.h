#pragma once

#include "platform/WindowSystem.h"
#include "raster/Bitmap.h"

#include <QLabel>
#include <QScrollArea>
#include <QSize>
#include <string>
#include <vector>

class QVBoxLayout;

namespace vexmira::mirror {

// One listed window: the columns of the window table.
struct WindowRow {
    std::string className;
    std::string handle; // decimal
    std::string processId;
    std::string title;
};

// The first `count` characters of a UTF-8 text.
std::string firstCharacters(const std::string& utf8, std::size_t count);

// The visible top-level windows, topmost first, without the desktop background and panels;
// class names and titles are cut to 254 characters, and an empty one reads "Empty".
std::vector<WindowRow> listWindows(platform::WindowSystem& windows);

// Whether a listed window stays out of the picker: too small (below 20 pixels either way), one
// of this program's own windows, or one of the desktop's own.
bool excludedFromPicker(const WindowRow& row, raster::Size capture);

// The thumbnail's size for a capture: 120 along the longer side (a square counts as tall).
raster::Size thumbnailSize(raster::Size capture);

// A thumbnail that reports a click.
class PickerImage : public QLabel {
    Q_OBJECT
  public:
    using QLabel::QLabel;
    platform::WindowHandle handle = 0;
  signals:
    void clicked(platform::WindowHandle handle);

  protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
};

// The window picker: a scrolling navy list with one row per window, its thumbnail and title.
class WindowPicker : public QScrollArea {
    Q_OBJECT
  public:
    explicit WindowPicker(QWidget* parent);

    // A new row for `row`; returns its entry number.
    int addEntry(const WindowRow& row);
    // Gives the entry its thumbnail (the capture, shrunk) and makes a click on it choose `handle`.
    void setThumbnail(int entry, const raster::Bitmap& capture, platform::WindowHandle handle);
    void removeEntry(int entry);
    // The entries still listed, in order.
    int entryCount() const;
    // The entry's thumbnail and title; null for an entry that was removed or never made.
    PickerImage* image(int entry) const;
    QLabel* title(int entry) const;

  signals:
    void windowChosen(platform::WindowHandle handle);

  private:
    struct Entry {
        QWidget* panel = nullptr;
        PickerImage* image = nullptr;
        QLabel* title = nullptr;
    };
    QWidget* list_;
    QVBoxLayout* layout_;
    std::vector<Entry> entries_;
};

} // namespace vexmira::mirror
