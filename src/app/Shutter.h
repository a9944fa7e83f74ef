#pragma once

#include "raster/Bitmap.h"

#include <QLabel>
#include <QObject>
#include <QPointer>

#include <functional>
#include <string>

namespace vexmira::mirror {
class TFmonitor;
}

namespace vexmira::app {

// The shutter: the display window blanked at once (black, or a chosen picture) while the
// sources go on in the preview, which carries a red mark meanwhile. The picture is decoded at
// the first blanking and kept while its file name stays the same.
class Shutter : public QObject {
    Q_OBJECT
  public:
    // `markParent` holds the mark, at `markPlace`; `picturePath` names the chosen picture ("" for
    // black) whenever the shutter closes.
    Shutter(QWidget* markParent, QPoint markPlace, std::function<std::string()> picturePath);

    // Closes (true) or opens the shutter over `display`; nothing when it is so already.
    void set(mirror::TFmonitor& display, bool closed);

  signals:
    // Just before the display blanks: whatever draws on it by other roads stops.
    void closing();
    // The display shows the sources again.
    void opened();
    // The chosen picture cannot be shown; the monitor is black instead.
    void problem(const QString& text);

  private:
    void showMark(bool shown);

    QWidget* markParent_;
    QPoint markPlace_;
    std::function<std::string()> picturePath_;
    QPointer<QLabel> mark_;
    raster::Bitmap picture_; // the blanked monitor's picture, decoded from:
    std::string decodedPath_;
};

} // namespace vexmira::app
