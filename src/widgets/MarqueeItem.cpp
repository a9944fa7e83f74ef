// The items of the marquee: each text or owner-drawn picture, kept as tiles along the movement.
#include "RealTimeMarquee.h"
#include "TextPieces.h"

#include <QFontMetrics>
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

} // namespace vexmira::widgets
