#pragma once

#include "DesktopCapture.h"
#include "platform/ServerScaling.h"
#include "widgets/ImageView.h"

#include <QObject>

#include <functional>
#include <memory>

namespace vexmira::mirror {

class TFmonitor;

// The desktop mirror's road on which the display scales the desktop itself: onto a cover over
// the display window's picture, and small for the preview, read back. No pixel of the whole
// desktop passes through this program on it.
class ServerScaledMirror : public QObject {
    Q_OBJECT
  public:
    // `picture` gives the current picture whole (captured then) for when the display must show
    // it without the cover.
    explicit ServerScaledMirror(std::function<const raster::Bitmap&()> picture, QObject* parent = nullptr);
    ~ServerScaledMirror() override;

    // Whether the road may be taken at all (on by default where the display offers it).
    void setAllowed(bool allowed);
    // Whether `source` (desktop pixels) can go this road to `display` now: the display can scale,
    // no pointer overlay is drawn (`overlay`), the display window is not on the mirrored area (it
    // would mirror its own drawing) and its pixels are device pixels.
    bool available(TFmonitor& display, const raster::Rect& source, bool overlay);
    // Sends what `change` says of `source`: to the display when `toDisplay`, and to `preview`
    // when `previewFed`. False when nothing changed anywhere.
    bool deliver(TFmonitor& display, widgets::ImageView& preview, bool previewFed, const raster::Rect& source,
                 const FrameChange& change, bool toDisplay);
    // Takes the cover away: the display window's own picture shows again.
    void uncover();
    // Frames the display has scaled onto the display window so far.
    long framesScaled() const { return framesScaled_; }
    bool covering() const { return scaler_ && scaler_->covering(); }
    bool needsDrawing() { return scaler_ && scaler_->needsDrawing(); }

  signals:
    // A frame went to the display window.
    void delivered();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    std::function<const raster::Bitmap&()> picture_;
    std::unique_ptr<platform::ServerScaler> scaler_; // null until first wanted, and where it cannot
    bool tried_ = false;
    bool allowed_ = true;
    raster::Bitmap preview_; // the preview's picture last scaled by the display
    long framesScaled_ = 0;
};

} // namespace vexmira::mirror
