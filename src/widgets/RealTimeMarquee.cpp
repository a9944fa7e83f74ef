#include "RealTimeMarquee.h"
#include "TextPieces.h"
#include "platform/Capabilities.h"

#include <QEnterEvent>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QPaintEvent>
#include <QPainter>
#include <algorithm>
#include <climits>

namespace vexmira::widgets {

namespace {

int mulDiv(int value, int percent) {
    return (value * percent + 50) / 100;
}

} // namespace

// ---------------------------------------------------------------------------------------------
// The marquee

class TRealTimeMarquee::RunItems : public MarqueeRun::Items {
  public:
    explicit RunItems(TRealTimeMarquee& owner) : owner_(owner) {}
    int count() const override { return owner_.Count(); }
    int extent(int index) override {
        TMarqueeItem& item = owner_.Item(index);
        if (!item.prepared()) item.Prepare();
        return owner_.Orientation() == moHorizontal ? item.size().width() : item.size().height();
    }
    bool prepared(int index) const override { return owner_.Item(index).prepared(); }

  private:
    TRealTimeMarquee& owner_;
};

TRealTimeMarquee::TRealTimeMarquee(QWidget* parent) : QWidget(parent) {
    // Every pixel is painted by the marquee; the background is never erased first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    // Where the window system lets it, the timer's thread moves the pixels itself, in a window of its own
    // that the toolkit does not paint. That window is made when first needed: made with the control, it would
    // make its parent's window before the parent has its flags.
    direct_ = platform::capabilities().directDrawing;
    drawingFont_ = font();
    resize(200, 20);
    recomputeGaps();
}

QPaintEngine* TRealTimeMarquee::paintEngine() const {
    return direct_ && surface_ ? nullptr : QWidget::paintEngine();
}

bool TRealTimeMarquee::ensureSurface() {
    if (!direct_) return false;
    if (surface_) return true;
    setAttribute(Qt::WA_NativeWindow);
    setAttribute(Qt::WA_PaintOnScreen);
    surface_ = platform::openStripSurface(static_cast<std::uint64_t>(winId()));
    if (surface_) return true;
    // No way to the screen of our own: the toolkit paints every step.
    direct_ = false;
    setAttribute(Qt::WA_PaintOnScreen, false);
    update();
    return false;
}

void TRealTimeMarquee::putDirect(const QRect& area) {
    const QRect shown = area.intersected(QRect(QPoint(0, 0), size_));
    if (shown.isEmpty()) return;
    QImage picture(shown.size(), QImage::Format_RGB32);
    {
        QPainter painter(&picture);
        painter.translate(-shown.topLeft());
        DrawItems(painter, shown);
    }
    surface_->put(shown.x(), shown.y(), shown.width(), shown.height(),
                  reinterpret_cast<const std::uint32_t*>(picture.constBits()),
                  static_cast<int>(picture.bytesPerLine()));
    surface_->finish();
}

void TRealTimeMarquee::tickOnTimerThread() {
    std::unique_lock<std::mutex> hold(lock_, std::try_to_lock);
    if (!hold.owns_lock()) return; // busy: this step is skipped
    if (!timerOn_ || items_.empty() || !surface_) return;
    RunItems runItems(*this);
    const MarqueeRun::TickResult result = run_.tick(runItems, extent());
    ++steps_;
    const int step = run_.step;
    QRect uncovered(QPoint(0, 0), size_);
    if (!wholeRepaintPending_) {
        if (orientation_ == moVertical) {
            surface_->scroll(0, -step, size_.width(), size_.height());
            uncovered.setTop(size_.height() - step);
        } else if (reversed_) {
            surface_->scroll(step, 0, size_.width(), size_.height());
            uncovered.setWidth(step);
        } else {
            surface_->scroll(-step, 0, size_.width(), size_.height());
            uncovered.setLeft(size_.width() - step);
        }
    }
    putDirect(uncovered);
    wholeRepaintPending_ = false;
    hold.unlock();
    if (result.deactivated || result.wrapped)
        QMetaObject::invokeMethod(
            this,
            [this, result] {
                if (result.deactivated) {
                    active_ = false;
                    UpdateTimer();
                }
                if (result.wrapped) emit OnWrap();
            },
            Qt::QueuedConnection);
}

TRealTimeMarquee::~TRealTimeMarquee() {
    StopTimer();
}

TMarqueeItem& TRealTimeMarquee::Add() {
    {
        auto hold = busy();
        items_.push_back(std::make_unique<TMarqueeItem>(*this));
    }
    TMarqueeItem& item = *items_.back();
    if (updating_ == 0) itemChanged(item, true);
    return item;
}

void TRealTimeMarquee::Clear() {
    {
        auto hold = busy();
        items_.clear();
        run_.visibleCount = 0;
    }
    UpdateTimer();
    repaintWhole();
}

void TRealTimeMarquee::EndUpdate() {
    if (updating_ > 0 && --updating_ == 0 && !items_.empty()) itemChanged(*items_.front(), true);
}

void TRealTimeMarquee::itemChanged(TMarqueeItem& item, bool whole) {
    if (updating_ > 0) return;
    if (whole) {
        {
            auto hold = busy();
            Relayout();
        }
        repaintWhole();
        UpdateTimer();
        return;
    }
    if (isItemVisible(item)) repaintWhole();
}

bool TRealTimeMarquee::isItemVisible(const TMarqueeItem& item) {
    auto hold = busy();
    bool visible = false;
    RunItems runItems(*this);
    run_.walk(runItems, extent(), 0, extent(), reversed_ && orientation_ == moHorizontal,
              [&](int index, int) { visible = visible || &Item(index) == &item; });
    return visible;
}

void TRealTimeMarquee::setActive(bool active) {
    {
        auto hold = busy();
        active_ = active;
        run_.active = active;
    }
    UpdateTimer();
}

void TRealTimeMarquee::setInterval(unsigned milliseconds) {
    const platform::PeriodicTimer::Caps caps = platform::PeriodicTimer::caps();
    const unsigned interval = std::clamp(milliseconds, caps.minimumPeriod, caps.maximumPeriod);
    if (interval == interval_) return;
    StopTimer();
    interval_ = interval;
    UpdateTimer();
}

void TRealTimeMarquee::setStep(int pixels) {
    auto hold = busy();
    run_.step = std::clamp(pixels, 1, 255);
}

void TRealTimeMarquee::setSpacing(int percent) {
    {
        auto hold = busy();
        spacing_ = std::clamp(percent, 0, 100);
        recomputeGaps();
        Relayout();
    }
    repaintWhole();
}

void TRealTimeMarquee::setLoopSpacing(int percent) {
    {
        auto hold = busy();
        loopSpacing_ = std::clamp(percent, 0, 100);
        recomputeGaps();
        Relayout();
    }
    repaintWhole();
}

void TRealTimeMarquee::setOrientation(TMarqueeOrientation orientation) {
    if (orientation == orientation_) return;
    {
        auto hold = busy();
        orientation_ = orientation;
        recomputeGaps();
    }
    Restart();
}

void TRealTimeMarquee::setColor(const QColor& color) {
    if (color == color_) return;
    {
        auto hold = busy();
        color_ = color;
        clearPictures();
    }
    repaintWhole();
}

void TRealTimeMarquee::setFontColor(const QColor& color) {
    if (color == fontColor_) return;
    {
        auto hold = busy();
        fontColor_ = color;
        clearPictures();
    }
    repaintWhole();
}

void TRealTimeMarquee::setMarqueeFont(const QFont& font) {
    setFont(font);
    fontChanged();
}

void TRealTimeMarquee::UpdateTimer() {
    // A hidden marquee has nothing to show, so its timer rests.
    if (active_ && isVisible() && !items_.empty())
        StartTimer();
    else
        StopTimer();
}

void TRealTimeMarquee::StartTimer() {
    if (timer_.running()) return;
    if (ensureSurface()) {
        timerOn_ = true;
        timer_.start(interval_, [this] { tickOnTimerThread(); });
        return;
    }
    timerOn_ = true;
    timer_.start(interval_, [this] {
        // One tick waits for the user-interface thread at most; more would only pile up.
        if (tickPending_.exchange(true)) return;
        QMetaObject::invokeMethod(
            this,
            [this] {
                tickPending_ = false;
                Tick();
            },
            Qt::QueuedConnection);
    });
}

void TRealTimeMarquee::StopTimer() {
    timerOn_ = false;
    timer_.stop();
}

void TRealTimeMarquee::Tick() {
    std::unique_lock<std::mutex> hold(lock_, std::try_to_lock);
    if (!hold.owns_lock()) return; // busy: this step is skipped
    if (!timer_.running() || items_.empty()) return;
    RunItems runItems(*this);
    const MarqueeRun::TickResult result = run_.tick(runItems, extent());
    ++steps_;
    const int step = run_.step;
    QRect uncovered = rect();
    if (!wholeRepaintPending_) {
        if (orientation_ == moVertical) {
            scroll(0, -step);
            uncovered.setTop(height() - step);
        } else if (layoutDirection() == Qt::RightToLeft) {
            scroll(step, 0);
            uncovered.setWidth(step);
        } else {
            scroll(-step, 0);
            uncovered.setLeft(width() - step);
        }
    }
    hold.unlock();
    // Painted and put on the screen now: a step left to the toolkit's next update would reach
    // the screen some milliseconds late, by a varying amount.
    repaint(uncovered);
    if (result.deactivated) {
        active_ = false;
        UpdateTimer();
    }
    if (result.wrapped) emit OnWrap();
}

void TRealTimeMarquee::DrawItems(QPainter& painter, const QRect& area) {
    painter.fillRect(area, color_);
    if (run_.visibleCount == 0 || items_.empty()) return;
    const bool horizontal = orientation_ == moHorizontal;
    const bool reversed = horizontal && reversed_;
    const int from = horizontal ? area.left() : area.top();
    const int to = (horizontal ? area.right() : area.bottom()) + 1;
    const int across = crossExtent();
    RunItems runItems(*this);
    run_.walk(runItems, extent(), from, to, reversed, [&](int index, int position) {
        TMarqueeItem& item = Item(index);
        if (!item.prepared()) item.Prepare(); // its size places it
        const int size = horizontal ? item.size().height() : item.size().width();
        const int place = item.Alignment() == maLeftOrTop       ? 0
                          : item.Alignment() == maRightOrBottom ? across - size
                                                                : (across - size) / 2;
        if (horizontal)
            item.DrawAt(painter, position, place, area);
        else
            item.DrawAt(painter, place, position, area);
    });
}

void TRealTimeMarquee::paintEvent(QPaintEvent* event) {
    auto hold = busy();
    if (direct_ && ensureSurface()) {
        putDirect(event->region().boundingRect());
        if (event->region().contains(rect())) wholeRepaintPending_ = false;
        return;
    }
    QPainter painter(this);
    for (const QRect& area : event->region())
        DrawItems(painter, area);
    if (event->region().contains(rect())) wholeRepaintPending_ = false;
}

void TRealTimeMarquee::repaintWhole() {
    {
        auto hold = busy();
        wholeRepaintPending_ = true;
    }
    update();
}

void TRealTimeMarquee::Relayout() {
    RunItems runItems(*this);
    run_.relayout(runItems, extent());
}

void TRealTimeMarquee::Restart() {
    {
        auto hold = busy();
        UnprepareAll();
        run_.restart();
    }
    repaintWhole();
}

void TRealTimeMarquee::UnprepareAll() {
    for (auto& item : items_)
        item->Unprepare();
}

void TRealTimeMarquee::clearPictures() {
    for (auto& item : items_)
        item->clearPicture();
}

void TRealTimeMarquee::recomputeGaps() {
    run_.spacingPixels = mulDiv(extent(), spacing_);
    run_.loopSpacingPixels = mulDiv(extent(), loopSpacing_);
}

void TRealTimeMarquee::resizeEvent(QResizeEvent*) {
    {
        auto hold = busy();
        size_ = size();
        // Vertical text is laid out in the width; the pictures hold what fits across.
        if (orientation_ == moVertical)
            UnprepareAll();
        else
            clearPictures();
        recomputeGaps();
        Relayout();
    }
    repaintWhole();
}

void TRealTimeMarquee::changeEvent(QEvent* event) {
    if (event->type() == QEvent::FontChange || event->type() == QEvent::LayoutDirectionChange) fontChanged();
    QWidget::changeEvent(event);
}

void TRealTimeMarquee::fontChanged() {
    {
        auto hold = busy();
        if (drawingFont_ == font() && reversed_ == (layoutDirection() == Qt::RightToLeft)) return;
        drawingFont_ = font();
        reversed_ = layoutDirection() == Qt::RightToLeft;
        UnprepareAll();
        Relayout();
    }
    repaintWhole();
}

void TRealTimeMarquee::enterEvent(QEnterEvent* event) {
    mouseInside_ = true;
    emit OnMouseEnter();
    QWidget::enterEvent(event);
}

void TRealTimeMarquee::leaveEvent(QEvent* event) {
    mouseInside_ = false;
    emit OnMouseLeave();
    QWidget::leaveEvent(event);
}

void TRealTimeMarquee::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    fontChanged(); // a font from the parent may have come with the showing
    UpdateTimer();
}

void TRealTimeMarquee::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    UpdateTimer();
}

} // namespace vexmira::widgets
