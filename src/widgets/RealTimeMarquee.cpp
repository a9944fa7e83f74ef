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

// Pieces of a text item's picture along the movement, and how many of them are kept.
constexpr int tileLength = 1024;
constexpr std::size_t keptTiles = 32;
// Lines longer than this are measured and drawn in pieces of `chunkLength` characters.
constexpr qsizetype longText = 2000;
constexpr qsizetype chunkLength = 256;

int mulDiv(int value, int percent) {
    return (value * percent + 50) / 100;
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Items

void TMarqueeItem::setText(const QString& text) {
    if (text == text_) return;
    {
        auto busy = owner_.busy();
        text_ = text;
        if (prepared_) Unprepare();
    }
    owner_.itemChanged(*this, false);
}

void TMarqueeItem::setStyle(TMarqueeStyle style) {
    if (style == style_) return;
    {
        auto busy = owner_.busy();
        style_ = style;
        if (prepared_) Unprepare();
    }
    owner_.itemChanged(*this, false);
}

void TMarqueeItem::setAlignment(TMarqueeAlignment alignment) {
    if (alignment == alignment_) return;
    {
        auto busy = owner_.busy();
        alignment_ = alignment;
        // Across a horizontal movement the alignment only places the picture; a vertical one
        // lays the text out by it.
        if (prepared_ && owner_.Orientation() == moVertical) Unprepare();
    }
    owner_.itemChanged(*this, false);
}

void TMarqueeItem::Unprepare() {
    prepared_ = false;
    chunks_.clear();
    size_ = {};
    ownerPicture_ = QImage();
    tiles_.clear();
    tileUse_.clear();
}

void TMarqueeItem::clearPicture() {
    if (style_ == msOwnerDraw) {
        Unprepare(); // the handler draws colour and size together
        return;
    }
    tiles_.clear();
    tileUse_.clear();
}

void TMarqueeItem::Prepare() {
    if (style_ == msOwnerDraw)
        PrepareOwnerDraw();
    else
        PrepareText();
    prepared_ = true;
}

void TMarqueeItem::PrepareText() {
    const QFontMetrics metrics(owner_.drawingFont());
    averageCharWidth_ = std::max(1, metrics.averageCharWidth());
    int flags = Qt::TextExpandTabs;
    QSize measured;
    if (owner_.Orientation() == moHorizontal) {
        flags |= Qt::AlignHCenter | Qt::AlignVCenter | Qt::TextSingleLine;
        chunks_.clear();
        if (text_.size() <= longText) {
            measured = metrics.size(flags, text_);
        } else {
            // A line this long is laid out in pieces: the toolkit cannot place glyphs millions
            // of pixels out, and each tile then draws only the pieces it holds. A right-to-left
            // line puts its first piece at the right end.
            int x = 0;
            for (const auto& [at, length] : linePieces(text_, chunkLength)) {
                const int width = metrics.horizontalAdvance(text_.mid(at, length));
                chunks_.push_back({at, length, x, width});
                x += width;
            }
            if (text_.isRightToLeft())
                for (Chunk& chunk : chunks_)
                    chunk.x = x - chunk.x - chunk.width;
            measured = {x, metrics.height()};
        }
    } else {
        const Qt::Alignment across = alignment_ == maLeftOrTop       ? Qt::AlignLeft
                                     : alignment_ == maRightOrBottom ? Qt::AlignRight
                                                                     : Qt::AlignHCenter;
        flags |= across | Qt::AlignTop | Qt::TextWordWrap;
        const int width = std::max(1, owner_.clientSize().width() - averageCharWidth_);
        measured = metrics.boundingRect(QRect(0, 0, width, INT_MAX / 2), flags, text_).size();
    }
    textFlags_ = flags;
    size_ = {measured.width() + averageCharWidth_, std::max(measured.height(), metrics.height())};
}

void TMarqueeItem::PrepareOwnerDraw() {
    ownerPicture_ = QImage();
    if (owner_.OnDrawItem) owner_.OnDrawItem(owner_, *this, ownerPicture_);
    size_ = ownerPicture_.size();
}

const QImage& TMarqueeItem::tile(int index) {
    const auto kept = tiles_.find(index);
    if (kept != tiles_.end()) {
        tileUse_.erase(std::find(tileUse_.begin(), tileUse_.end(), index));
        tileUse_.push_back(index);
        return kept->second;
    }
    const bool horizontal = owner_.Orientation() == moHorizontal;
    const int along = horizontal ? size_.width() : size_.height();
    const int start = index * tileLength;
    const int length = std::min(tileLength, along - start);
    // Across the movement only what the control can show is drawn: a tall font stays cheap.
    const int across =
        std::min(horizontal ? size_.height() : size_.width(), std::max(1, owner_.crossExtent()));
    QImage picture(horizontal ? QSize(length, across) : QSize(across, length), QImage::Format_RGB32);
    picture.fill(owner_.Color());
    QPainter painter(&picture);
    painter.setFont(owner_.drawingFont());
    painter.setPen(owner_.FontColor());
    const int skipAcross = std::max(0, ((horizontal ? size_.height() : size_.width()) - across) / 2);
    if (horizontal)
        painter.translate(-start, -skipAcross);
    else
        painter.translate(-skipAcross, -start);
    const int margin = averageCharWidth_ / 2;
    if (chunks_.empty()) {
        painter.drawText(QRect(margin, 0, size_.width() - 2 * margin, size_.height()), textFlags_, text_);
    } else {
        painter.resetTransform();
        const QFontMetrics metrics(owner_.drawingFont());
        const int baseline = (size_.height() - metrics.height()) / 2 + metrics.ascent() - skipAcross;
        const int end = start + length;
        for (const Chunk& chunk : chunks_) {
            const int left = margin + chunk.x;
            const int right = left + chunk.width;
            if (right < start - averageCharWidth_ || left > end + averageCharWidth_) continue;
            painter.drawText(QPoint(left - start, baseline), text_.mid(chunk.at, chunk.length));
        }
    }
    painter.end();
    if (tileUse_.size() >= keptTiles) {
        tiles_.erase(tileUse_.front());
        tileUse_.erase(tileUse_.begin());
    }
    tileUse_.push_back(index);
    return tiles_.emplace(index, std::move(picture)).first->second;
}

void TMarqueeItem::DrawAt(QPainter& painter, int x, int y, const QRect& clip) {
    if (!prepared_) Prepare();
    if (size_.isEmpty() || !clip.intersects(QRect(QPoint(x, y), size_))) return;
    if (style_ == msOwnerDraw) {
        painter.drawImage(x, y, ownerPicture_);
        return;
    }
    const bool horizontal = owner_.Orientation() == moHorizontal;
    const int fullAcross = horizontal ? size_.height() : size_.width();
    const int across = std::min(fullAcross, std::max(1, owner_.crossExtent()));
    const int skipAcross = std::max(0, (fullAcross - across) / 2);
    const int origin = horizontal ? x : y;
    const int from = (horizontal ? clip.left() : clip.top()) - origin;
    const int to = (horizontal ? clip.right() : clip.bottom()) - origin;
    const int along = horizontal ? size_.width() : size_.height();
    for (int i = std::max(0, from / tileLength); i <= std::min(to, along - 1) / tileLength; ++i) {
        const QImage& piece = tile(i);
        if (horizontal)
            painter.drawImage(x + i * tileLength, y + skipAcross, piece);
        else
            painter.drawImage(x + skipAcross, y + i * tileLength, piece);
    }
}

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
