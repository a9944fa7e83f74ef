#include "ServerScaledMirror.h"

#include "platform/Capabilities.h"
#include "umonitor.h"

#include <QEvent>

namespace vexmira::mirror {

ServerScaledMirror::ServerScaledMirror(std::function<const raster::Bitmap&()> picture, QObject* parent)
    : QObject(parent), picture_(std::move(picture)) {}

ServerScaledMirror::~ServerScaledMirror() = default;

void ServerScaledMirror::setAllowed(bool allowed) {
    allowed_ = allowed;
    if (!allowed) uncover();
}

bool ServerScaledMirror::available(TFmonitor& display, const raster::Rect& source, bool overlay) {
    // An area without pixels has nothing to scale: the capture road says what it shows.
    if (!allowed_ || overlay || source.isEmpty()) return false;
    if (!platform::capabilities().serverScaling || display.devicePixelRatioF() != 1.0) return false;
    const QRect place = display.frameGeometry();
    if (!raster::Rect{place.x(), place.y(), place.width(), place.height()}.intersected(source).isEmpty())
        return false;
    if (!tried_) {
        scaler_ = platform::openServerScaler();
        tried_ = true;
        // Anything else shown on the display window, or the picture view hidden (the text page
        // shows), takes the cover away.
        connect(display.image, &widgets::ImageView::bitmapSet, this, [this] { uncover(); });
        display.image->installEventFilter(this);
    }
    return scaler_ != nullptr;
}

bool ServerScaledMirror::deliver(TFmonitor& display, widgets::ImageView& preview, bool previewFed,
                                 const raster::Rect& source, const FrameChange& change, bool toDisplay) {
    bool changed = change.any();
    if (toDisplay) {
        const QRect view = display.image->geometry();
        scaler_->cover(display.winId(), {view.x(), view.y(), view.width(), view.height()});
        if (change.any() || scaler_->needsDrawing()) {
            scaler_->draw(source, display.image->placementFor(source.size()),
                          change.whole ? nullptr : &change.parts);
            ++framesScaled_;
            changed = true;
        }
        emit delivered();
    } else if (scaler_->covering() && !display.blanked()) {
        // The display keeps the last picture it showed.
        display.image->setBitmap(picture_());
    }
    // The preview follows while it shows the picture scaled here last; a hidden one is brought up
    // to date when it shows again.
    if (!preview.isVisible()) preview_ = raster::Bitmap();
    const bool previewCurrent = !preview_.isEmpty() && preview.bitmap().sharesPixelsWith(preview_);
    if (previewFed && preview.isVisible() && (change.any() || !previewCurrent)) {
        const raster::Rect shown = preview.placementFor(source.size());
        raster::Bitmap small;
        if (scaler_->scaled(source, shown.size(), small) && !(previewCurrent && small.samePixels(preview_))) {
            preview_ = small;
            preview.setBitmap(preview_);
            changed = true;
        }
    }
    return changed;
}

void ServerScaledMirror::uncover() {
    if (scaler_ && scaler_->covering()) scaler_->uncover();
}

bool ServerScaledMirror::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Hide) uncover();
    return QObject::eventFilter(watched, event);
}

} // namespace vexmira::mirror
