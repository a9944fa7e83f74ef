#include "umonitor.h"

#include "platform/Capabilities.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QTimer>
#include <QWindow>
#include <algorithm>

namespace vexmira::mirror {

TFmonitor* Fmonitor = nullptr;

TFmonitor::TFmonitor(QWidget* parent) : QWidget(parent) {
    setWindowTitle("Vexmira");
    setAutoFillBackground(true);
    QPalette black = palette();
    black.setColor(QPalette::Window, Qt::black);
    setPalette(black);
    image = new widgets::ImageView(this);
    image->setScaleMode(raster::ScaleMode::smResize);
    image->setCentered(true);
    redMonitor = new widgets::TRichEdit(this);
    redMonitor->setReadOnly(true);
    redMonitor->setFrameShape(QFrame::NoFrame);
    redMonitor->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    redMonitor->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    redMonitor->hide();
    connect(redMonitor, &QTextEdit::textChanged, this, &TFmonitor::redMonitorChange);
    rtmdis = new widgets::TRealTimeMarquee(this);
    rtmdis->setColor(QColor(128, 128, 128));
    rtmdis->Add();
    rtmdis->hide();
    move(0, -600); // above the visible desktop until it is placed
    ApplyDisplaySize(3);
    // Where programs cannot place their windows, it is shown only once placed: mapped first at
    // its small size, it would stand on the primary monitor meanwhile.
    if (platform::capabilities().placesWindows) show();
    // A monitor switched off or plugged in: the display follows, once it has been placed.
    auto layoutChanged = [this] {
        if (placed_) QTimer::singleShot(0, this, [this] { PlaceDisplayWindow(isVisible()); });
    };
    auto watch = [this, layoutChanged](QScreen* screen) {
        connect(screen, &QScreen::geometryChanged, this, layoutChanged);
    };
    for (QScreen* screen : QGuiApplication::screens())
        watch(screen);
    connect(qApp, &QGuiApplication::screenAdded, this, [watch, layoutChanged](QScreen* screen) {
        watch(screen);
        layoutChanged();
    });
    connect(qApp, &QGuiApplication::screenRemoved, this, layoutChanged);
    connect(qApp, &QGuiApplication::primaryScreenChanged, this, layoutChanged);
}

void TFmonitor::setBorderless(bool borderless) {
    const bool wasVisible = isVisible();
    Qt::WindowFlags flags = Qt::Window | Qt::WindowStaysOnTopHint;
    if (borderless) flags |= Qt::FramelessWindowHint;
    if (windowFlags() != flags) setWindowFlags(flags);
    if (wasVisible && !isVisible()) show();
}

void TFmonitor::ApplyDisplaySize(int index) {
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    DisplaySizeIndex = index;
    if (index == 0) {
        setBorderless(true);
        if (QScreen* monitor = this->screen()) setGeometry(monitor->geometry());
        setWindowState(Qt::WindowMaximized);
        return;
    }
    setBorderless(false);
    setWindowState(Qt::WindowNoState);
    switch (index) {
    case 1:
        resize((screen.width() / 4) * 3, (screen.height() / 4) * 3);
        break;
    case 2:
        resize(screen.width() / 2, screen.height() / 2);
        break;
    default:
        resize(screen.width() / 4, screen.height() / 4);
        break;
    }
}

QScreen* TFmonitor::secondaryScreen() {
    QScreen* primary = QGuiApplication::primaryScreen();
    const QList<QScreen*> screens = QGuiApplication::screens();
    for (QScreen* s : screens)
        if (s != primary && s->geometry().left() == primary->geometry().right() + 1 &&
            s->geometry().top() == primary->geometry().top())
            return s;
    for (QScreen* s : screens)
        if (s != primary) return s;
    return nullptr;
}

bool TFmonitor::PlaceDisplayWindow(bool visible) {
    placed_ = true;
    QScreen* target = secondaryScreen();
    if (!target) {
        // One monitor: a quarter-size window in the primary monitor's corner.
        QScreen* primaryScreen = QGuiApplication::primaryScreen();
        const QRect primary = primaryScreen ? primaryScreen->geometry() : QRect(0, 0, 640, 480);
        // Withdrawn while it changes: the window manager then forgets the place and state it gave
        // on the monitor that went away, and maps it afresh where it is asked to be.
        hide();
        // The screen first: the window may still name a monitor that is gone, and re-creating it
        // for the new border would use that.
        if (primaryScreen) setScreen(primaryScreen);
        setBorderless(false);
        setWindowState(Qt::WindowNoState);
        DisplaySizeIndex = 3; // the size the options offer is the size it has
        const QRect corner(primary.x(), primary.y(), primary.width() / 4, primary.height() / 4);
        setGeometry(corner);
        // Where the compositor places windows, one of a fixed size floats instead of taking a
        // whole tile of the only monitor.
        if (!platform::capabilities().placesWindows) setFixedSize(corner.size());
        if (visible) show();
        // Shown again so soon after it was withdrawn, a window can stay unmapped, or keep the place
        // the window manager gave it before (both seen under load): once the manager has had it,
        // a window that is not shown at its place is withdrawn and shown again.
        const auto settle = [this, corner] {
            if (secondaryScreen() || !isVisible()) return;
            const QWindow* window = windowHandle();
            if (window && window->isExposed() && geometry().size() == corner.size()) return;
            hide();
            setWindowState(Qt::WindowNoState);
            setGeometry(corner);
            show();
        };
        QTimer::singleShot(400, this, settle);
        QTimer::singleShot(1200, this, settle);
        emit placed(false);
        return false;
    }
    DisplaySizeIndex = 0; // the whole monitor
    if (!platform::capabilities().placesWindows) {
        // Where programs cannot place their windows (Wayland), the display asks to be full-screen
        // on its monitor.
        // The window is mapped anew, already at the monitor's size and asking to be full-screen.
        // Turned full-screen at another size, it can keep telling the compositor that size (the
        // toolkit sends a new size only while the window is exposed), and the compositor then
        // centres the picture around that, off the monitor's middle.
        const bool fullScreenThere = isVisible() && isFullScreen() && screen() == target &&
                                     windowFlags().testFlag(Qt::FramelessWindowHint);
        if (!fullScreenThere) {
            hide();
            setMinimumSize(0, 0);
            setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
            setBorderless(true);
            // The monitor's whole area, not only its size: the toolkit takes a window's screen
            // from where its geometry lies.
            setGeometry(target->geometry());
            setScreen(target);
            setWindowState(Qt::WindowFullScreen);
        }
        if (visible && !isVisible()) show();
        emit placed(true);
        return true;
    }
    setScreen(target);
    setBorderless(true);
    setWindowState(Qt::WindowNoState);
    // The monitor's whole area as a plain geometry, not a maximised state: a window manager can
    // keep that state after the monitor goes, and the display would cover the primary.
    setGeometry(target->geometry());
    if (visible && !isVisible()) show();
    emit placed(true);
    return true;
}

void TFmonitor::showPictureView() {
    redMonitor->hide();
    image->show();
}

void TFmonitor::redMonitorChange() {
    image->setScaleMode(raster::ScaleMode::smScale);
}

void TFmonitor::yoom(const DisplayScaleSettings& settings) {
    image->setScaleMode(settings.mode);
    image->setScale(static_cast<float>(settings.scale));
    image->setCentered(settings.centred);
}

bool TFmonitor::event(QEvent* event) {
    if (event->type() == QEvent::WindowActivate) emit activated();
    return QWidget::event(event);
}

void TFmonitor::closeEvent(QCloseEvent* event) {
    emit closeRequested();
    hide();
    event->ignore();
}

void TFmonitor::resizeEvent(QResizeEvent*) {
    layoutViews();
}

void TFmonitor::layoutViews() {
    const int strip = rtmdis->isHidden() ? 0 : std::clamp(rtmdis->height(), 0, height());
    const QRect rest =
        stripAtTop_ ? QRect(0, strip, width(), height() - strip) : QRect(0, 0, width(), height() - strip);
    if (!rtmdis->isHidden()) rtmdis->setGeometry(0, stripAtTop_ ? 0 : height() - strip, width(), strip);
    image->setGeometry(rest);
    redMonitor->setGeometry(rest);
    if (blanked()) {
        shutter_->setGeometry(rect());
        raiseShutter(); // a strip shown meanwhile was created above it
    }
}

void TFmonitor::raiseShutter() {
    shutter_->raise();
    // Qt leaves the stacking alone when the shutter is already its last child, but a view's own
    // window made after the shutter's lies above it on the screen: the window is raised itself.
    if (QWindow* window = shutter_->windowHandle()) window->raise();
}

bool TFmonitor::eventFilter(QObject* watched, QEvent* event) {
    // A view that shows, or gets a window of its own, while the monitor is blanked stays beneath.
    if (blanked() && (event->type() == QEvent::Show || event->type() == QEvent::WinIdChange)) {
        raiseShutter();
        // Once more when the view's own window has been made and mapped.
        QTimer::singleShot(0, this, [this] {
            if (blanked()) raiseShutter();
        });
    }
    return QWidget::eventFilter(watched, event);
}

void TFmonitor::setBlanked(bool on, const raster::Bitmap& picture) {
    if (!on) {
        if (shutter_) shutter_->hide();
        return;
    }
    if (!shutter_) {
        shutter_ = new widgets::ImageView(this);
        shutter_->setScaleMode(raster::ScaleMode::smResize);
        shutter_->setCentered(true);
        // Its own window: the server clips every drawing of the views beneath it.
        shutter_->setAttribute(Qt::WA_NativeWindow);
        for (QWidget* view :
             {static_cast<QWidget*>(image), static_cast<QWidget*>(redMonitor), static_cast<QWidget*>(rtmdis)})
            view->installEventFilter(this);
    }
    shutter_->setBitmap(picture);
    shutter_->setGeometry(rect());
    shutter_->show();
    raiseShutter();
    shutter_->repaint();
}

void TFmonitor::showStrip(bool top) {
    stripAtTop_ = top;
    rtmdis->show();
    layoutViews();
}

void TFmonitor::hideStrip() {
    rtmdis->setActive(false);
    rtmdis->hide();
    layoutViews();
}

} // namespace vexmira::mirror
