#pragma once

#include "MarqueeRun.h"
#include "platform/PeriodicTimer.h"
#include "platform/StripSurface.h"

#include <QColor>
#include <QImage>
#include <QWidget>
#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

namespace vexmira::widgets {

enum TMarqueeStyle { msText, msHTML, msOwnerDraw };
enum TMarqueeAlignment { maCenter, maLeftOrTop, maRightOrBottom };
enum TMarqueeOrientation { moHorizontal, moVertical };

class TRealTimeMarquee;

// One line of a marquee. Its picture is drawn once and kept; a very long line is kept in tiles,
// of which only those on screen are drawn.
class TMarqueeItem {
  public:
    explicit TMarqueeItem(TRealTimeMarquee& owner) : owner_(owner) {}

    const QString& Text() const { return text_; }
    void setText(const QString& text);
    TMarqueeStyle Style() const { return style_; }
    // msHTML items are drawn as plain text.
    void setStyle(TMarqueeStyle style);
    TMarqueeAlignment Alignment() const { return alignment_; }
    void setAlignment(TMarqueeAlignment alignment);
    int Tag = 0;

    bool prepared() const { return prepared_; }
    QSize size() const { return size_; }
    // Draws the part of the item at (x, y) that falls in `clip`.
    void DrawAt(class QPainter& painter, int x, int y, const QRect& clip);
    void Unprepare();
    void Prepare();
    // Forgets the drawn picture but keeps the size: for a new colour, or a new size across.
    void clearPicture();

  private:
    void PrepareText();
    void PrepareOwnerDraw();
    const QImage& tile(int index);

    TRealTimeMarquee& owner_;
    QString text_;
    TMarqueeStyle style_ = msText;
    TMarqueeAlignment alignment_ = maCenter;
    bool prepared_ = false;
    QSize size_;
    int averageCharWidth_ = 0;
    int textFlags_ = 0;
    QImage ownerPicture_;         // msOwnerDraw: the whole picture
    std::map<int, QImage> tiles_; // msText: pieces along the movement, drawn when first needed
    std::vector<int> tileUse_;    // the tiles' indexes, least recently used first
    struct Chunk {
        qsizetype at, length;
        int x;     // where it starts in the line
        int width; // how far it reaches
    };
    std::vector<Chunk> chunks_; // a very long line, in pieces
};

// A control that scrolls its items through its client area, horizontally or vertically, driven
// by a periodic timer of its own. Each tick moves the pixels already on screen by `Step` and draws
// only the uncovered strip from the items' kept pictures.
class TRealTimeMarquee : public QWidget {
    Q_OBJECT
  public:
    explicit TRealTimeMarquee(QWidget* parent = nullptr);
    ~TRealTimeMarquee() override;

    // --- items ---
    int Count() const { return static_cast<int>(items_.size()); }
    TMarqueeItem& Item(int index) { return *items_.at(static_cast<std::size_t>(index)); }
    TMarqueeItem& Add();
    void Clear();
    // Several changes of the list at once: the run is rebuilt at the end.
    void BeginUpdate() { ++updating_; }
    void EndUpdate();

    // --- properties ---
    bool Active() const { return active_; }
    void setActive(bool active);
    unsigned Interval() const { return interval_; }
    void setInterval(unsigned milliseconds); // clamped to the timer's periods
    int Step() const { return run_.step; }
    void setStep(int pixels); // 0 becomes 1; at most 255
    int Spacing() const { return spacing_; }
    void setSpacing(int percent);
    int LoopSpacing() const { return loopSpacing_; }
    void setLoopSpacing(int percent);
    TMarqueeOrientation Orientation() const { return orientation_; }
    void setOrientation(TMarqueeOrientation orientation);
    int NumLoops() const { return run_.numLoops; }
    void setNumLoops(int loops) {
        auto hold = busy();
        run_.numLoops = loops;
    }
    QColor Color() const { return color_; }
    void setColor(const QColor& color);
    QColor FontColor() const { return fontColor_; }
    void setFontColor(const QColor& color);
    void setMarqueeFont(const QFont& font);

    // Draws an msOwnerDraw item: the handler sizes and fills the picture it is given.
    std::function<void(TRealTimeMarquee&, TMarqueeItem&, QImage&)> OnDrawItem;

    // --- the run, for tests and the picture's owner ---
    const MarqueeRun& run() const { return run_; }
    // One step, as the timer gives it. Skipped (and not counted) while the marquee is busy.
    void Tick();
    bool timerRunning() const { return timer_.running(); }
    // Whether the timer's thread moves the pixels on the screen itself (else each step is
    // painted on the user-interface thread).
    bool drawsFromTimerThread() const { return direct_; }
    // Steps taken since the marquee was made (skipped ticks do not count).
    unsigned long stepsTaken() const { return steps_; }
    // Holds the marquee busy, as painting or a property change does, while the object lives.
    std::unique_lock<std::mutex> busy() { return std::unique_lock<std::mutex>(lock_); }

    // For the items.
    void itemChanged(TMarqueeItem& item, bool whole);
    int crossExtent() const { return orientation_ == moHorizontal ? size_.height() : size_.width(); }
    int extent() const { return orientation_ == moHorizontal ? size_.width() : size_.height(); }
    QSize clientSize() const { return size_; }
    // The font the pictures are drawn in (a copy the timer's thread may read under the lock).
    const QFont& drawingFont() const { return drawingFont_; }

  signals:
    void OnWrap();
    void OnMouseEnter();
    void OnMouseLeave();

  protected:
    QPaintEngine* paintEngine() const override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

  private:
    class RunItems;
    void UpdateTimer();
    void StartTimer();
    void StopTimer();
    void Relayout();
    void Restart();
    void UnprepareAll();
    void clearPictures();
    void recomputeGaps();
    // Takes the widget's font and reading order for the pictures, which are drawn again.
    void fontChanged();
    void DrawItems(QPainter& painter, const QRect& area);
    // On the timer's thread: one step straight to the screen.
    void tickOnTimerThread();
    // Draws `area` into a picture and puts it on the screen (the lock held).
    void putDirect(const QRect& area);
    bool ensureSurface();
    void repaintWhole();
    bool isItemVisible(const TMarqueeItem& item);

    // The timer's thread (Tick(), tickOnTimerThread(), and OnDrawItem called from them) reads
    // and writes the items, the run, the surface, wholeRepaintPending_ and the drawing font, all
    // under lock_; it skips its step when the lock is taken. Everything else is the
    // user-interface thread's, which takes lock_ to change any of those.
    std::vector<std::unique_ptr<TMarqueeItem>> items_;
    MarqueeRun run_;
    std::mutex lock_;
    platform::PeriodicTimer timer_;
    std::atomic<bool> tickPending_{false};
    bool active_ = false;
    unsigned interval_ = 10;
    int spacing_ = 100;
    int loopSpacing_ = 100;
    TMarqueeOrientation orientation_ = moHorizontal;
    QColor color_ = Qt::white;
    QColor fontColor_ = Qt::black;
    int updating_ = 0;
    bool wholeRepaintPending_ = true;
    bool mouseInside_ = false;
    unsigned long steps_ = 0;
    bool direct_ = false;
    std::unique_ptr<platform::StripSurface> surface_;
    std::atomic<bool> timerOn_{false};
    QSize size_{200, 20};
    QFont drawingFont_;
    bool reversed_ = false;
};

} // namespace vexmira::widgets
