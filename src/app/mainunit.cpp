#include "mainunit.h"
#include "platform/Capabilities.h"
#include "uStartForm.h"
#include "uabout.h"

#include "ArtWork.h"
#include "CustomColors.h"
#include "capture/usaveImage.h"
#include "platform/UserValueStore.h"
#include "widgets/QtColor.h"
#include "widgets/WindowLook.h"

#include <QActionGroup>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QGuiApplication>
#include <QMessageBox>
#include <QMouseEvent>
#include <QMoveEvent>
#include <QScreen>

namespace vexmira::app {

TSourceMode SourceMode = srcStopped;
int SourceMenuIndex = 0;
QString ProgramFolder;
bool SlideStopRequested = false;
int SlideIndex = 2;
QString TrayTipText = "Stopped";
raster::Bitmap CurrentFrame;
mirror::TGrabRect GrabRect;
mirror::CursorOverlaySwitches Overlay;
mirror::DisplayScaleSettings DisplayScale;
TMainForm* MainForm = nullptr;

void showError(const QString& text) {
    QMessageBox::critical(nullptr, "Vexmira", text);
}

void showErrorOver(QWidget* window, const QString& text) {
    QMessageBox box(QMessageBox::Critical, "Vexmira", text, QMessageBox::Ok,
                    window && window->isVisible() ? window : nullptr);
    box.setWindowFlag(Qt::WindowStaysOnTopHint);
    box.exec();
}

Panel::Panel(QWidget* parent, raster::TColor color, const QString& caption) : QLabel(caption, parent) {
    setAlignment(Qt::AlignCenter);
    setAutoFillBackground(true);
    setColor(color);
}

void Panel::setColor(raster::TColor color) {
    QPalette p = palette();
    p.setColor(QPalette::Window, widgets::toQColor(color));
    setPalette(p);
}

// Through the palette, not a style sheet: a style sheet would also colour the tooltips of
// everything inside the widget.
TMainForm::TMainForm(std::unique_ptr<mirror::DesktopCapture> desktop, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::Tool),
      desktop_(std::move(desktop)), slides_(std::make_unique<sources::SlidePlayer>()) {
    serverRoad_ =
        new mirror::ServerScaledMirror([this]() -> const raster::Bitmap& { return currentPicture(); }, this);
    connect(serverRoad_, &mirror::ServerScaledMirror::delivered, this, [] {
        if (FstartForm) FstartForm->BarvajIkono();
    });
    ProgramFolder = QDir::toNativeSeparators(QCoreApplication::applicationDirPath()) + QDir::separator();
    setWindowTitle("Vexmira");
    // The window sits on top of the user's work without taking the focus; its hints show anyway.
    setAttribute(Qt::WA_AlwaysShowToolTips);
    resizeTo(433, 278);
    buildFrame();
    buildButtonColumn();
    buildTopBar();
    buildPictureArea();
    buildMenu();
    buildTimers();

    redall->hide();
    SourceMode = srcStopped;
    SourceMenuIndex = 0;
    TrayTipText = "Stopped";
    SlideStopRequested = false;
    LoadSettings();
    FirstActivation = true;
    AlphaLevel = 255;
    const QRect primary = primaryScreenRect();
    if (x() - primary.x() > primary.width() - 10) moveTo({primary.x() + 50, y()});
    if (y() - primary.y() < 0) moveTo({x(), primary.y() + 50});
    SavedClientWidth = width();
    SavedClientHeight = height();
    clipWatch = new sources::ClipboardWatcher(this);
    connect(clipWatch, &sources::ClipboardWatcher::OnClipboardChanged, this,
            &TMainForm::clipWatchClipboardChanged);
    CurrentFrame = logoPicture();
    slika->setBitmap(CurrentFrame);
    widgets::TXiButton::setHintPanelHider([this] { PAnelHint->hide(); });
}

TMainForm::~TMainForm() {
    clipReader_.reset(); // no picture arrives for a window going away
    widgets::TXiButton::setHintPanelHider({});
}

void TMainForm::buildFrame() {
    panelALL = new Panel(this, 0x444444);
    panelALL->setGeometry(0, 0, 433, 278);
    panelALL->installEventFilter(this);
    const raster::TColor frameGrey = 0x808080;
    (new Panel(this, frameGrey))->setGeometry(0, 277, 433, 1); // Panel5, bottom
    (new Panel(this, frameGrey))->setGeometry(432, 0, 1, 278); // Panel6, right
    (new Panel(this, frameGrey))->setGeometry(0, 0, 1, 278);   // Panel9, left
}

widgets::TXiButton* TMainForm::sourceButton(int top, int height, const QString& hint, const QImage& glyph) {
    auto* button = new widgets::TXiButton(Panel4);
    button->setGeometry(-11, top, 53,
                        height); // the left edge of the 53-pixel buttons lies outside the column
    button->setColorScheme(widgets::TXiButton::csNeoSilver);
    button->setGlyph(glyph);
    button->setToolTip(hint.trimmed());
    button->setProperty("hintText", hint);
    button->setFocusPolicy(Qt::NoFocus);
    button->installEventFilter(this);
    return button;
}

void TMainForm::buildButtonColumn() {
    Panel4 = new QWidget(this);
    Panel4->setGeometry(1, 0, 42, 277);
    sbSTOP = sourceButton(2, 28, " Stop All  ", glyphImage(Glyph::Stop));
    sbSTOP->setColorScheme(widgets::TXiButton::csNeoRose);
    SpeedButton1 = sourceButton(32, 33, " Desktop ", glyphImage(Glyph::Desktop));
    SpeedButton6 = sourceButton(67, 33, " Single Application ", glyphImage(Glyph::SingleApplication));
    SpeedButton2 = sourceButton(102, 33, " Clipboard  ", glyphImage(Glyph::Clipboard));
    SpeedButton3 = sourceButton(137, 33, " Images  ", glyphImage(Glyph::Images));
    sbtext = sourceButton(172, 33, " Text  ", glyphImage(Glyph::Text));
    SBSCroll = sourceButton(207, 33, " Scroll Text  ", glyphImage(Glyph::ScrollText));
    sboptions = sourceButton(242, 33, " Options  ", glyphImage(Glyph::Options));
    redall = new Panel(Panel4, 0xFF8000);
    redall->setGeometry(-11, 32, 53, 33);
    redall->setEnabled(false);
    // The highlight shows which source runs; a click on it reaches the button underneath, so the
    // running source can be chosen again.
    redall->setAttribute(Qt::WA_TransparentForMouseEvents);
    sbred = new QLabel(redall);
    sbred->setGeometry(11, 0, 42, 33);
    sbred->setAlignment(Qt::AlignCenter);

    connect(sbSTOP, &widgets::TXiButton::clicked, this, &TMainForm::sbSTOPClick);
    connect(SpeedButton1, &widgets::TXiButton::clicked, this, &TMainForm::SpeedButton1Click);
    connect(SpeedButton6, &widgets::TXiButton::clicked, this, &TMainForm::SpeedButton6Click);
    connect(SpeedButton2, &widgets::TXiButton::clicked, this, &TMainForm::SpeedButton2Click);
    connect(SpeedButton3, &widgets::TXiButton::clicked, this, &TMainForm::SpeedButton3Click);
    connect(sbtext, &widgets::TXiButton::clicked, this, &TMainForm::sbtextClick);
    connect(SBSCroll, &widgets::TXiButton::clicked, this, &TMainForm::SBSCrollClick);
    connect(sboptions, &widgets::TXiButton::clicked, this, &TMainForm::sbOptionsClick);
}

void TMainForm::buildTopBar() {
    SpeedButton8 = new widgets::TXiButton(this);
    SpeedButton8->setGeometry(44, 2, 93, 28);
    SpeedButton8->setCaption("Send");
    SpeedButton8->setColorScheme(widgets::TXiButton::csNeoSilver);
    SpeedButton8->setOverColorFace(0x008000);
    SpeedButton8->setOverColorGrad(0x00B000);
    SpeedButton8->setDownColorFace(0x00CE00);
    SpeedButton8->setFocusPolicy(Qt::NoFocus);
    SpeedButton8->installEventFilter(this);
    connect(SpeedButton8, &widgets::TXiButton::clicked, this, &TMainForm::SpeedButton8Click);

    cbx1 = new widgets::TBitCheckBox(this);
    cbx1->setGeometry(147, 5, 200, 21);
    cbx1->setCaption("Automatically Send  ");
    cbx1->setColor(0x444444);
    QPalette white = cbx1->palette();
    white.setColor(QPalette::WindowText, Qt::white);
    cbx1->setPalette(white);
    cbx1->setFocusPolicy(Qt::NoFocus);
    connect(cbx1, &widgets::TBitCheckBox::clicked, this, &TMainForm::cbx1Click);

    SBPOP = new widgets::TXiButton(this);
    SBPOP->setGeometry(370, 2, 34, 28);
    SBPOP->setGlyph(glyphImage(Glyph::Menu));
    SBPOP->setColorScheme(widgets::TXiButton::csNeoSilver);
    SBPOP->setToolTip("Menu");
    SBPOP->setFocusPolicy(Qt::NoFocus);
    connect(SBPOP, &widgets::TXiButton::clicked, this,
            [this] { Popup1->popup(SBPOP->mapToGlobal(QPoint(0, SBPOP->height()))); });

    SpeedButton7 = new widgets::TXiButton(this);
    SpeedButton7->setGeometry(408, 7, 18, 18);
    SpeedButton7->setGlyph(glyphImage(Glyph::Close));
    SpeedButton7->setColorScheme(widgets::TXiButton::csSilver);
    SpeedButton7->setCtl3D(false);
    SpeedButton7->setToolTip("Close");
    SpeedButton7->setFocusPolicy(Qt::NoFocus);
    connect(SpeedButton7, &widgets::TXiButton::clicked, this, &TMainForm::SpeedButton7Click);
}

void TMainForm::buildPictureArea() {
    Panel1 = new Panel(this, 0x434343);
    Panel1->setGeometry(43, 32, 386, 243);
    const QRect whole(0, 0, 386, 243);
    xpanel1 = new Panel(Panel1, 0x383838);
    xpanel1->setGeometry(whole);
    slika = new widgets::ImageView(xpanel1);
    slika->setGeometry(whole);
    slika->setScaleMode(raster::ScaleMode::smResize);
    slika->setCentered(true);
    Panel2 = new Panel(Panel1, 0x232323, "Vexmira");
    Panel2->setGeometry(whole);
    QFont bold = Panel2->font();
    bold.setBold(true);
    bold.setPixelSize(19);
    Panel2->setFont(bold);
    widgets::setTextColour(Panel2, widgets::toQColor(0xE6FFFF));
    xPanel3 = new Panel(Panel1, 0x434343);
    xPanel3->setGeometry(whole);
    xPanel3->hide();
    buildTextPage();
    buildSlidePanel();
    pscroll = new Panel(Panel1, 0x0000FF);
    pscroll->setGeometry(0, 243 - 6, 386, 6);
    QFont tiny("Arial Black");
    tiny.setBold(true);
    tiny.setPixelSize(5);
    pscroll->setFont(tiny);
    pscroll->hide();
    pd = new QLabel(Panel1);
    pd->setGeometry(0, -1, 386, 1); // a status caption kept out of sight

    PAnelHint = new Panel(this, 0x00359F);
    PAnelHint->setGeometry(44, 32, 100, 33);
    widgets::setTextColour(PAnelHint, widgets::toQColor(0xFFFFFF));
    PAnelHint->hide();
}

void TMainForm::buildMenu() {
    Popup1 = new QMenu(this);
    Show1 = Popup1->addMenu("Source");
    Show1->menuAction()->setVisible(false);
    auto* group = new QActionGroup(this);
    const char* names[6] = {"Desktop", "Single Application", "Clipboard", "Images", "Text", "Scroll Text"};
    for (int i = 0; i < 6; ++i) {
        sourceItems[i] = Show1->addAction(names[i]);
        sourceItems[i]->setCheckable(true);
        group->addAction(sourceItems[i]);
    }
    group->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
    connect(sourceItems[0], &QAction::triggered, this, [this] {
        SpeedButton1Click();
        Cekiraj(SourceMenuIndex);
    });
    connect(sourceItems[1], &QAction::triggered, this, [this] { // SingleApplication1Click
        SpeedButton6Click();
        SourceMenuIndex = 2;
        Cekiraj(SourceMenuIndex);
    });
    connect(sourceItems[2], &QAction::triggered, this, [this] { // Clipboard1Click
        SpeedButton2Click();
        SourceMenuIndex = 3;
        Cekiraj(SourceMenuIndex);
    });
    connect(sourceItems[3], &QAction::triggered, this, &TMainForm::Images1Click);
    connect(sourceItems[4], &QAction::triggered, this, &TMainForm::ext1Click);
    connect(sourceItems[5], &QAction::triggered, this, &TMainForm::SBSCrollClick); // ScrollText1Click
    buildCommandItems();
}

void TMainForm::buildCommandItems() {
    Popup1->addSeparator();
    captureImage1 = Popup1->addAction("Capture an Image from a second display");
    Popup1->addSeparator();
    sbseconddisplay = Popup1->addAction("Enable Secondary Monitor");
    sbseconddisplay->setCheckable(true);
    sbseconddisplay->setChecked(true);
    ShowHint = Popup1->addAction("Show Button Hint");
    ShowHint->setCheckable(true);
    ShowHint->setChecked(true);
    connect(ShowHint, &QAction::triggered, this, &TMainForm::ShowHintClick);
    AutoHide1 = Popup1->addAction("Auto Hide Vexmira");
    AutoHide1->setCheckable(true);
    Movetoseconddisplay1 = Popup1->addAction("Move To Second Monitor");
    Options1 = Popup1->addAction("Options");
    LoadatS1 = Popup1->addAction("Load at Startup");
    LoadatS1->setCheckable(true);
    Popup1->addSeparator();
    About1 = Popup1->addAction("About");
    Popup1->addSeparator();
    Exit1 = Popup1->addAction("Close");
    connect(Exit1, &QAction::triggered, this, &TMainForm::Exit1Click);
    connect(AutoHide1, &QAction::triggered, this, &TMainForm::AutoHide1Click);
    connect(sbseconddisplay, &QAction::triggered, this, [this] {
        sbseconddisplay->setChecked(!sbseconddisplay->isChecked()); // the command decides the tick
        sbseconddisplayClick();
    });
    connect(Movetoseconddisplay1, &QAction::triggered, this, &TMainForm::Movetoseconddisplay1Click);
    connect(captureImage1, &QAction::triggered, this, &TMainForm::CaptureImage);
    connect(Options1, &QAction::triggered, this, &TMainForm::sbOptionsClick);
    connect(LoadatS1, &QAction::triggered, this, [this] {
        LoadatS1->setChecked(!LoadatS1->isChecked()); // the command decides the tick
        if (FstartForm) FstartForm->LoadatStartupClick();
    });
    connect(About1, &QAction::triggered, this, [] {
        if (fabout) fabout->exec();
    });
}

void TMainForm::buildTimers() {
    auto timer = [this](int interval) {
        auto* t = new QTimer(this);
        t->setInterval(interval);
        return t;
    };
    Timer1 = timer(200);
    Timer3zaslon = timer(200);
    Timer2 = timer(200);
    Timer3 = timer(1000);
    TimerStep = timer(1000);
    TimerStep->setTimerType(Qt::PreciseTimer); // a coarse timer may fire 5% early
    connect(TimerStep, &QTimer::timeout, this, &TMainForm::TimerStepTimer);
    connect(Timer3zaslon, &QTimer::timeout, this, &TMainForm::Timer3zaslonTimer);
    connect(Timer1, &QTimer::timeout, this, &TMainForm::Timer1Timer);
    connect(Timer2, &QTimer::timeout, this, &TMainForm::Timer2Timer);
    connect(Timer3, &QTimer::timeout, this, &TMainForm::Timer3Timer);
    Timer2->start();
    Timer3->start();
}

void TMainForm::Cekiraj(int index) {
    endWaitingForWindow(); // another source, or Stop All
    for (QAction* item : sourceItems)
        item->setChecked(false);
    if (index >= 1 && index <= 6) sourceItems[index - 1]->setChecked(true);
}

void TMainForm::FormActivate() {
    if (FirstActivation && mirror::Fmonitor) mirror::Fmonitor->PlaceDisplayWindow();
    loadCustomColors();
    FirstActivation = false;
}

void TMainForm::resizeTo(int width, int height) {
    // Where the compositor places windows (Wayland), a tiling one floats a window of one fixed
    // size instead of stretching it over a tile.
    if (platform::capabilities().placesWindows)
        resize(width, height);
    else
        setFixedSize(width, height);
}

void TMainForm::SpeedButton7Click() {
    if ((!FstartForm || !FstartForm->iconReachable()) && !mayEnd()) return;
    redall->hide();
    SavedClientWidth = width();
    SavedClientHeight = height();
    resizeTo(width(), 33);
    hide();
    emit hiddenByUser();
}

// The window has no frame, so only the program moves it: where it last put it is where it is.
// The toolkit's own idea of the place can lag behind once the window has been hidden and shown
// again under some window managers.
void TMainForm::moveTo(QPoint place) {
    move(place);
    lastPlace_ = place;
}

void TMainForm::moveEvent(QMoveEvent* event) {
    QWidget::moveEvent(event);
    if (!isVisible() || !windows_) return;
    // Moved by the window manager (Alt+drag, a desktop's own placement): where the window really
    // is now is its place, kept in the settings and held on the primary monitor like any other.
    // Read again once the moves have settled: while the window manager takes a window just shown
    // into its frame, the frame can stand at the desktop's corner for a moment.
    takePlaceFromWindowManager();
    if (!placeCheck_) {
        placeCheck_ = new QTimer(this);
        placeCheck_->setSingleShot(true);
        placeCheck_->setInterval(150);
        connect(placeCheck_, &QTimer::timeout, this, [this] { takePlaceFromWindowManager(); });
    }
    placeCheck_->start();
}

void TMainForm::takePlaceFromWindowManager() {
    if (!isVisible() || !windows_) return;
    const raster::Rect frame = windows_->frameOf(static_cast<platform::WindowHandle>(winId()));
    if (frame.isEmpty()) return;
    const double ratio = devicePixelRatioF();
    lastPlace_ = QPoint(static_cast<int>(frame.x / ratio), static_cast<int>(frame.y / ratio));
}

QPoint TMainForm::placeOnDesktop() const {
    return windows_ ? lastPlace_ : pos();
}

void TMainForm::CaptureImage() {
    if (capture::Fsave) capture::Fsave->exec();
}

void TMainForm::Exit1Click() {
    if ((!FstartForm || !FstartForm->iconReachable()) && !mayEnd()) return;
    hide();
    emit hiddenByUser();
}

void TMainForm::ShowHintClick() {
    // The menu has already flipped the tick.
    PAnelHint->move(ShowHint->isChecked() ? 44 : -100, PAnelHint->y());
}

void TMainForm::showHint(widgets::TXiButton* button) {
    PAnelHint->setText(button->property("hintText").toString());
    PAnelHint->setColor(button == sbSTOP ? 0x0000FF : 0x00359F);
    PAnelHint->setGeometry(ShowHint->isChecked() ? 44 : -100, button->y(), 100, button->height());
    PAnelHint->show();
    PAnelHint->raise();
}

bool TMainForm::eventFilter(QObject* watched, QEvent* event) {
    // Events can arrive while the window is still being built.
    if (!panelALL || !PAnelHint || !SpeedButton8 || !Panel4 || !SpeedButton1 || !ShowHint) return false;
    if (watched == panelALL) {
        if (event->type() == QEvent::MouseButtonPress) {
            dragging_ = true;
            dragStart_ = static_cast<QMouseEvent*>(event)->position().toPoint();
        } else if (event->type() == QEvent::MouseMove && dragging_) {
            moveTo(placeOnDesktop() + static_cast<QMouseEvent*>(event)->position().toPoint() - dragStart_);
        } else if (event->type() == QEvent::MouseButtonRelease) {
            dragging_ = false;
        }
        return false;
    }
    if (watched == SpeedButton8 && (event->type() == QEvent::MouseMove || event->type() == QEvent::Enter)) {
        PAnelHint->move(PAnelHint->x(), 1242);
        return false;
    }
    auto* button = qobject_cast<widgets::TXiButton*>(watched);
    if (button && button->parentWidget() == Panel4) {
        if (event->type() == QEvent::Enter || event->type() == QEvent::MouseMove) showHint(button);
        if (event->type() == QEvent::MouseButtonPress && button == SpeedButton1) PAnelHint->hide();
    }
    return false;
}

bool TMainForm::event(QEvent* event) {
    if (event->type() == QEvent::WindowActivate) FormActivate();
    return QWidget::event(event);
}

void TMainForm::closeEvent(QCloseEvent* event) {
    event->ignore();
    // Without a tray, closing ends the program: not before the user has heard that this run's
    // settings cannot be kept.
    const bool ends = !FstartForm || !FstartForm->iconReachable();
    if (!mayEnd() && ends) return;
    hide();
    emit hiddenByUser();
}

} // namespace vexmira::app
