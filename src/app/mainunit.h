#pragma once

#include "mirror/DesktopCapture.h"
#include "mirror/DesktopMasks.h"
#include "mirror/ServerScaledMirror.h"
#include "mirror/WindowPicker.h"
#include "mirror/WindowReattach.h"
#include "mirror/umonitor.h"
#include "platform/ClipboardReader.h"
#include "platform/IniFile.h"
#include "platform/ServerScaling.h"
#include "platform/WindowSystem.h"
#include "raster/Bitmap.h"
#include "sources/ClipboardPicture.h"
#include "sources/ClipboardWatcher.h"
#include "sources/SlidePlayer.h"
#include "widgets/BtChkBox.h"
#include "widgets/ImageView.h"
#include "widgets/RichEdit.h"
#include "widgets/XiButton.h"

#include <QLabel>
#include <QMenu>
#include <QPointer>
#include <QSpinBox>
#include <QTimer>
#include <QToolButton>
#include <QWidget>
#include <array>
#include <chrono>

namespace vexmira::app {

class Shutter;

// The current source of the picture.
enum TSourceMode {
    srcStopped = 0,
    srcClipboard = 1,
    srcDesktop = 2,
    srcSingleApp = 3,
    srcImages = 4,
    srcText = 5
};

// Program-wide state, read and written by the handlers of all windows.
extern TSourceMode SourceMode;
extern int SourceMenuIndex;                   // 0 none, 1 Desktop ... 6 Scroll Text
extern QString ProgramFolder;                 // the executable's folder, with a trailing separator
extern bool SlideStopRequested;               // a running slide show or preview is asked to stop
extern int SlideIndex;                        // the slide list's line of the current slide (2 the first)
extern QString TrayTipText;                   // the current source's name, at most 64 characters
extern raster::Bitmap CurrentFrame;           // the picture "Send" delivers
extern mirror::TGrabRect GrabRect;            // the region "Part of Desktop" mirrors
extern mirror::CursorOverlaySwitches Overlay; // what the desktop capture draws on each frame
extern mirror::DisplayScaleSettings DisplayScale;
// Stored options whose controls live in windows still to come; kept so that nothing is lost.
extern int ScaleIndex;      // " Scale Mode " item: 0 Normal, 1 Optimal, 2 Scale, 3 Optimal Scaled, 4 Stretch
extern double CurrentScale; // the display view's scale factor
extern int RefreshRate;     // screen updates per second, 1..1000
extern std::string HotKeyText; // the capture hot key, "None" when there is none (bytes as stored)
extern bool BeepOnSave;
extern bool AutohideAgain; // true: the auto-hide notice is not shown again

// The display view's scale mode for a " Scale Mode " item index (Optimal for an unknown one).
raster::ScaleMode scaleModeOfIndex(int index);
// Where the settings are read from and written to: the program's folder; or, when that cannot be
// written, the user's configuration folder (read from the program's folder until the user's file
// exists). `write` is empty when there is nowhere to write.
struct SettingsFiles {
    QString read;
    QString write;
};
SettingsFiles settingsFiles();
// The settings file to change and write back (`files.write`, its content kept).
platform::IniFile settingsFileToWrite(const SettingsFiles& files);
QString settingsFilePath();
// The primary monitor's rectangle in the desktop's (logical) coordinates; the program places
// and measures everything on "the primary screen" relative to it.
QRect primaryScreenRect();

// A panel: a plain widget with a background colour and, optionally, a centred caption.
class Panel : public QLabel {
    Q_OBJECT
  public:
    Panel(QWidget* parent, raster::TColor color, const QString& caption = {});
    void setColor(raster::TColor color);
};

// The small borderless, always-on-top control window: the source buttons, the preview of the
// current picture, "Send", "Automatically Send" and the menu.
// A read of the clipboard, decoded and fitted for the preview.
struct ClipboardDecoding {
    bool read = false;
    sources::DecodedClipboardPicture decoded;
    raster::Bitmap preview;
};

class TMainForm : public QWidget {
    Q_OBJECT
  public:
    // `desktop` captures the primary screen for the Desktop source.
    explicit TMainForm(std::unique_ptr<mirror::DesktopCapture> desktop, QWidget* parent = nullptr);
    ~TMainForm() override;

    // --- controls ---
    Panel* panelALL = nullptr;
    QWidget* Panel4 = nullptr;
    widgets::TXiButton* sbSTOP = nullptr;
    widgets::TXiButton* SpeedButton1 = nullptr; // Desktop
    widgets::TXiButton* SpeedButton6 = nullptr; // Single Application
    widgets::TXiButton* SpeedButton2 = nullptr; // Clipboard
    widgets::TXiButton* SpeedButton3 = nullptr; // Images
    widgets::TXiButton* sbtext = nullptr;
    widgets::TXiButton* SBSCroll = nullptr;
    widgets::TXiButton* sboptions = nullptr;
    Panel* redall = nullptr;
    QLabel* sbred = nullptr;
    widgets::TXiButton* SpeedButton8 = nullptr; // Send
    widgets::TBitCheckBox* cbx1 = nullptr;      // Automatically Send
    widgets::TXiButton* SBPOP = nullptr;
    widgets::TXiButton* SpeedButton7 = nullptr; // Close
    Panel* Panel1 = nullptr;
    Panel* xpanel1 = nullptr;
    widgets::ImageView* slika = nullptr;
    Panel* Panel2 = nullptr;
    Panel* xPanel3 = nullptr;
    Panel* p9 = nullptr;
    widgets::TRichEdit* red = nullptr; // the text page
    Panel* Panel8 = nullptr;
    QToolButton* SpeedButton5 = nullptr; // Edit
    Panel* pscroll = nullptr;
    QLabel* pd = nullptr;
    Panel* PAnelHint = nullptr;

    QMenu* Popup1 = nullptr;
    QMenu* Show1 = nullptr;
    std::array<QAction*, 6> sourceItems{}; // Desktop .. Scroll Text
    QAction* captureImage1 = nullptr;
    QAction* sbseconddisplay = nullptr;
    QAction* ShowHint = nullptr;
    QAction* AutoHide1 = nullptr;
    QAction* Movetoseconddisplay1 = nullptr;
    QAction* Options1 = nullptr;
    QAction* LoadatS1 = nullptr;
    QAction* About1 = nullptr;
    QAction* Exit1 = nullptr;

    QTimer* Timer1 = nullptr;
    QTimer* Timer3zaslon = nullptr;
    QTimer* Timer2 = nullptr;
    QTimer* Timer3 = nullptr;
    QTimer* TimerStep = nullptr;

    bool FirstActivation = true;
    int AlphaLevel = 255;
    int SavedClientWidth = 433;
    int SavedClientHeight = 278;

    // --- sources ---
    void SpeedButton1Click(); // Desktop
    void sbSTOPClick();       // Stop All

    // --- single application ---
    void setWindowSystem(std::unique_ptr<platform::WindowSystem> windows) { windows_ = std::move(windows); }
    void SpeedButton6Click();
    void enterSingleApp(int captureMethod);
    void chooseSharedWindow();
    void xadd();
    void risiBmp(int row);
    bool pickerBuildGoesOn(int build) const;
    // The single window's drawing is no longer kept off-screen (another source took over).
    void releaseWindowCaptures();
    void ImageClick(platform::WindowHandle window);
    void Timer1Timer();
    bool CaptureWindow(platform::WindowHandle window, raster::Bitmap& target);
    int CaptureMethod = 2; // 2 the window's own drawing, 1 its screen area
    platform::WindowHandle SelectedWindow = 0;
    mirror::WindowPicker* picker = nullptr;
    std::vector<mirror::WindowRow> windowTable;
    int entryCounter = 0;

    // --- clipboard ---
    sources::ClipboardWatcher* clipWatch = nullptr;
    void SpeedButton2Click();
    void clipWatchClipboardChanged();
    // The clipboard's content, read on the reader's thread, handed to this window.
    void clipboardPictureArrived(const platform::ClipboardData& data);
    // Shows a clipboard picture decoded by clipboardPictureArrived or by the reader's thread.
    void showClipboardPicture(const ClipboardDecoding& decoding);
    void setClipboardReader(std::unique_ptr<platform::ClipboardReader> reader);
    // Gives the window this size, and keeps it there where the compositor places windows.
    void resizeTo(int width, int height);
    // Whether the desktop the program runs on lets it copy the screen (told once at start).
    void setDesktopCaptureOffered(bool offered) { desktopCaptureOffered_ = offered; }
    // Whether the clipboard is seen while another program has the focus (told once at start);
    // where it is not, it is read when this window gets the focus and on Send.
    void setClipboardSeenInBackground(bool seen);
    void Cekiraj(int index);

    // --- text page ---
    void sbtextClick();
    void ext1Click();
    void SpeedButton5Click(); // Edit
    // The editor's page becomes the text page.
    void copyEditorToRed();

    // --- scrolling text ---
    void SBSCrollClick();
    // The setup's "Send Text" and "Hide": the display's strip and the preview's red line.
    void sendScrollText(const QString& text, const QColor& colour, const QColor& fontColour, bool top);
    void hideScrollText();

    // --- slide show ---
    Panel* Panel3 = nullptr;
    widgets::ImageView* slika2 = nullptr;
    widgets::TRichEdit* slideText = nullptr; // the viewer of text slides, over slika2
    widgets::TXiButton* SpeedButtonFirstOne = nullptr;
    widgets::TXiButton* SpeedButton10 = nullptr; // Previous
    widgets::TXiButton* SpeedButtonPlayForward = nullptr;
    widgets::TXiButton* SpeedButton11 = nullptr; // Next
    widgets::TXiButton* SpeedButtonLastOne = nullptr;
    widgets::TXiButton* SpeedButtonPause = nullptr;
    widgets::TXiButton* sbadslide = nullptr; // Set Up
    widgets::TBitCheckBox* cbloop = nullptr;
    QLabel* l_td = nullptr;
    QSpinBox* tbr = nullptr; // seconds a slide stays
    void SpeedButton3Click();
    void Images1Click();
    void SpeedButtonPlayForwardClick();
    void TimerStepTimer();
    void tbrChange();
    void SpeedButtonFirstOneClick();
    void SpeedButton10Click();
    void SpeedButton11Click();
    void SpeedButtonLastOneClick();
    void SpeedButtonPauseClick();
    void sbadslideClick();
    // Shows one slide: the current picture, the text viewer and, with "Automatically Send", the
    // display window. Throws what loading the file throws.
    void risisliko(const std::filesystem::path& file);
    // Shows one picture slide in the slide panel's view. Throws what decoding throws.
    void risiprikaz(const std::filesystem::path& file);
    // Ends a show: the timer stops and nothing decoded ahead is kept.
    void stopSlideShow();
    sources::SlideDecoder& slideDecoder() { return slides_->decoder(); }

    // --- the picture's road ---
    void Timer3zaslonTimer();
    // Brings the desktop picture up to date and hands what changed to the display and the
    // preview; false when nothing changed.
    bool deliverDesktopFrame(mirror::TFmonitor& display, int area);
    // Stops the desktop ticks, resting ones included.
    void stopDesktopTicks();
    // Whether the desktop mirror rests: nothing changed for a few ticks, so its timer waits for
    // the display to report drawing, with a slow tick meanwhile.
    bool desktopTicksResting() const { return resting_; }
    void ShareM();
    void ClearImage();
    // The current picture, complete: while the display scales the desktop itself, the desktop
    // is captured here, when something reads it.
    const raster::Bitmap& currentPicture();
    // Which roads the desktop mirror may take: following damage reports (else every tick takes
    // the whole picture) and having the display scale the desktop itself (else this program
    // scales it). Both on by default where the display offers them.
    void setMirrorRoads(bool followDamage, bool serverScaling);
    // Whether the desktop mirror follows the display's damage reports now.
    bool mirrorFollowsDamage() const { return desktop_->followsDamage(); }
    // The frames the display scaled onto the display window itself so far.
    long framesScaledByServer() const { return serverRoad_->framesScaled(); }
    void SpeedButton8Click(); // Send
    void cbx1Click();         // Automatically Send

    // --- settings, auto-hide and placement ---
    void LoadSettings();
    // Writes the settings file; false (after saying so once a run, naming the file) when it
    // cannot be written. Nothing is written over a file that could not be read or is read-only.
    bool SaveSettings();
    // Before the program ends: writes the settings and the custom colours. True when it may end
    // now; false the first time something cannot be written, after saying so, so that the user
    // can still act while the program stays open (a second request ends it).
    bool mayEnd();
    // Whether the user made the settings file read-only: nothing is written to it this run.
    bool settingsReadOnly() const { return settingsReadOnly_; }
    // Says once a run that a settings file cannot be written, naming it and why.
    void reportSettingsWriteProblem(const QString& path, const QString& problem);
    void AutoHide1Click();
    void Timer2Timer();
    void Timer3Timer();
    void sbseconddisplayClick();
    void Movetoseconddisplay1Click();
    // Moves the window and remembers the place (see placeOnDesktop).
    void moveTo(QPoint place);
    // Where the window is on the desktop.
    QPoint placeOnDesktop() const;
    // Sets the window's opacity (0..255).
    void setOpacity(int opacity);

    // --- the window ---
    void SpeedButton7Click(); // Close button
    void Exit1Click();
    void sbOptionsClick(); // also the menu's "Options"
    // "Capture an Image from a second display": the save dialog and its hot key.
    void CaptureImage();
    void ShowHintClick();
    void FormActivate();
    // --- the shutter ---
    // Blanks the secondary monitor (black, or the chosen picture) or gives it back; the sources
    // go on in the preview, marked as blanked.
    void setBlanked(bool on);
    bool blanked() const;
    void toggleBlanked() { setBlanked(!blanked()); }

    // Whether the window is expanded enough to feed its preview.
    bool previewFed() const { return height() > 100; }

  signals:
    // The user hid the window (Close button, "Close" or the window manager's close).
    void hiddenByUser();

  protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    // Where the window manager has put the window is its place from now on.
    void takePlaceFromWindowManager();
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void buildFrame();
    void buildButtonColumn();
    void buildTopBar();
    void buildPictureArea();
    void buildTextPage();
    void buildSlidePanel();
    // Shows the slide at SlideIndex (risisliko, then risiprikaz) and decodes the next one ahead.
    void showSlideAtIndex();
    void prefetchNextSlide();
    // A navigation button: the show stops and the slide at `index` shows; with `tellErrors` a
    // slide that cannot be shown is reported.
    void goToSlide(int index, bool tellErrors);
    // A text slide in the slide panel's viewer, over the picture view.
    void showTextSlide(const std::filesystem::path& file);
    // One message at a time about a slide that could not be shown; the show goes on.
    void reportSlideError(const QString& text);
    void buildMenu(); // the source items, then:
    void buildCommandItems();
    void buildTimers();
    widgets::TXiButton* sourceButton(int top, int height, const QString& hint, const QImage& glyph);
    void moveHighlight(widgets::TXiButton* button);
    void showHint(widgets::TXiButton* button);
    void showPicturePages(QWidget* shown);
    void showAutoHideNotice();

    std::unique_ptr<mirror::DesktopCapture> desktop_;
    mirror::ServerScaledMirror* serverRoad_ = nullptr; // the display scaling the desktop itself
    bool currentPictureStale_ = false;                 // the desktop went to the display without passing here
    platform::WindowHandle lastCopiedWindow_ = 0;      // the single window copied at the last tick
    raster::Bitmap lastWindowCopy_;
    void uncoverDisplay();
    // --- an idle desktop mirror rests ---
    void restIfIdle(bool changed);
    bool mayRest();
    // The timer runs again; with `tickNow` a tick comes at once.
    void wakeDesktopTicks(bool tickNow = true);
    void leaveRest();
    int idleTicks_ = 0;
    bool resting_ = false;
    QTimer* restBeat_ = nullptr;
    std::unique_ptr<platform::WindowSystem> windows_;
    std::unique_ptr<platform::ClipboardReader> clipReader_;
    bool desktopCaptureOffered_ = true;
    bool clipboardSeenInBackground_ = true;
    bool clipboardChangedMeanwhile_ = false;
    bool dragging_ = false;
    QPoint dragStart_;
    bool tickRunning_ = false;
    int pickerBuild_ = 0;             // counts the picker's builds; a newer one ends an older one
    bool settingsUnreadable_ = false; // the settings file exists but could not be read: never replaced
    bool settingsProblemShown_ = false;
    bool settingsReadOnly_ = false;  // the user made the settings file read-only: it is kept as it is
    bool writeProblemShown_ = false; // a file of the settings could not be written, and it was said
    void reportSettingsProblem(const QString& text);
    QPoint lastPlace_;
    QTimer* placeCheck_ = nullptr; // reads the place again once the window manager's moves settle
    std::unique_ptr<sources::SlidePlayer> slides_; // the show's order and its pictures
    bool slideTickRunning_ = false;
    QPointer<QWidget> slideError_;
    Shutter* shutter_ = nullptr;          // made at the first blanking
    mirror::WindowReattach chosenWindow_; // the single window chosen last, for finding it again
    bool waitingForWindow_ = false;
    // Whether windows of listed classes are painted black in what the display shows of the desktop.
    bool masking() const;
    // Takes the desktop picture of `source` into `target` together with the places of the masked
    // windows at that moment, which become masks_.areas(). False when no picture could be taken.
    bool captureMasked(raster::Bitmap& target, int area, const raster::Rect& source);
    // The desktop tick while masking: a whole picture each time, sent when it or its masks changed.
    bool deliverMaskedFrame(mirror::TFmonitor& display, int area, const raster::Rect& source, bool toDisplay);
    mirror::DesktopMasks masks_; // where the current desktop picture is masked
    QLabel* waitingMark_ = nullptr;
    void rememberChosenWindow(platform::WindowHandle window);
    // The chosen window is gone and re-attaching is on: the display keeps its last picture, the
    // preview says what is awaited. False when it is not to be waited for.
    bool startWaitingForWindow();
    void endWaitingForWindow();
    // A window of the same class from the same program is up: it becomes the selected one.
    bool reattachToReturnedWindow();
};

extern TMainForm* MainForm;

// Shows the text of an error in a message box captioned "Vexmira"; the program goes on.
void showError(const QString& text);
// The same, kept above `window` (an always-on-top window would hide a plain box).
void showErrorOver(QWidget* window, const QString& text);

} // namespace vexmira::app
