#pragma once

#include "raster/Bitmap.h"
#include "raster/ScaleGeometry.h"
#include "widgets/ImageView.h"
#include "widgets/RealTimeMarquee.h"
#include "widgets/RichEdit.h"

#include <QWidget>

namespace vexmira::mirror {

// How the display window's picture view scales: set by the options, applied by `yoom`.
struct DisplayScaleSettings {
    raster::ScaleMode mode = raster::ScaleMode::smOptimal;
    double scale = 1.0;
    bool centred = true;
};

// The window that shows the chosen picture full-screen on the secondary monitor. It has no logic
// of its own for choosing what to show: the control window and the sources set its views.
class TFmonitor : public QWidget {
    Q_OBJECT
  public:
    explicit TFmonitor(QWidget* parent = nullptr);

    // The picture view, filling the window.
    widgets::ImageView* image;
    // The text page, hidden except while it is shown.
    widgets::TRichEdit* redMonitor;
    // The scrolling text strip along the top or bottom edge, hidden except while it runs.
    widgets::TRealTimeMarquee* rtmdis;
    // The latest desktop capture, kept with this window.
    raster::Bitmap DesktopFrame;
    // The size preset applied last (0..3).
    int DisplaySizeIndex = 3;

    // Size presets: 0 borderless and maximised; 1, 2, 3 a sizeable window of 3/4, 1/2 and 1/4 of
    // the primary screen's width and height. The position stays.
    void ApplyDisplaySize(int index);
    // Onto the secondary monitor, borderless and maximised; with one monitor, a quarter-size
    // sizeable window in the primary monitor's top-left corner. Shown when `visible`, else left
    // as it is. Returns whether a second monitor was found. Runs again by itself whenever a
    // monitor is switched off or on after the first placement.
    bool PlaceDisplayWindow(bool visible = true);
    // Shows the strip at the top or bottom edge; the picture and the text page take the rest.
    void showStrip(bool top);
    // Stops and hides the strip; the picture and the text page take the whole window again.
    void hideStrip();
    // A picture source shows its pictures: the picture view instead of the text page.
    void showPictureView();
    // The text page changed: the picture view goes to its fixed scale factor until `yoom` runs
    // again.
    void redMonitorChange();
    // Applies the scale settings to the picture view.
    void yoom(const DisplayScaleSettings& settings);

    // Blanks the whole window at once, over every view (the strip's own drawing included), with
    // black or, when `picture` is not empty, that picture fitted in and centred on black. The
    // views go on underneath and show again when the window is unblanked.
    void setBlanked(bool on, const raster::Bitmap& picture = {});
    // Also while the window itself is hidden: the shutter is there when it shows again.
    bool blanked() const { return shutter_ && !shutter_->isHidden(); }

    // The monitor the display goes to: the one directly right of the primary, else the first
    // that is not the primary; null with one monitor.
    static QScreen* secondaryScreen();

  signals:
    // The window became active (the control window ticks "Enable Secondary Monitor").
    void activated();
    // The user closed the window; it is hidden, not destroyed.
    void closeRequested();
    // The window was placed: on a second monitor, or in the one-monitor corner.
    void placed(bool onSecondMonitor);

  protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    void setBorderless(bool borderless);
    void layoutViews();
    // The shutter above every view, on the screen as well as among the widgets.
    void raiseShutter();
    widgets::ImageView* shutter_ = nullptr; // a native window of its own, above the views'
    bool stripAtTop_ = false;
    bool placed_ = false;
};

extern TFmonitor* Fmonitor;

} // namespace vexmira::mirror
