#include "Program.h"

#include "CustomColors.h"
#include "DisplayEventWatch.h"
#include "ExtraSettings.h"
#include "MainFormOptions.h"
#include "capture/ualldesktop.h"
#include "capture/ugrab.h"
#include "capture/usaveImage.h"
#include "mainunit.h"
#include "mirror/ucapture.h"
#include "mirror/umonitor.h"
#include "platform/ClipboardReader.h"
#include "platform/CursorSource.h"
#include "platform/ScreenCapture.h"
#include "sources/FileNames.h"
#include "sources/uscrollset.h"
#include "sources/uss.h"
#include "uStartForm.h"
#include "uabout.h"

#include "sources/utext.h"
#include <QCoreApplication>
#include <QMessageBox>

namespace vexmira::app {

Program::Program(std::unique_ptr<platform::ScreenCapture> screen)
    : displayEvents_(std::make_unique<DisplayEventWatch>(platform::openDisplayEventPump())) {
    startForm_ = std::make_unique<TFstartForm>(QCoreApplication::applicationFilePath().toStdString());
    FstartForm = startForm_.get();
    auto desktop = std::make_unique<mirror::DesktopCapture>(std::move(screen), platform::openCursorSource());
    grabCapture_ = std::make_unique<mirror::DesktopCapture>(platform::openScreenCapture(), nullptr);
    mainForm_ = std::make_unique<TMainForm>(std::move(desktop));
    MainForm = mainForm_.get();
    MainForm->setWindowSystem(platform::openWindowSystem());
    MainForm->setClipboardReader(platform::openClipboardReader());
    optionsHost_ = makeOptionsHost();
    options_ = std::make_unique<options::Tfoptions>(*optionsHost_);
    options::foptions = options_.get();
    monitor_ = std::make_unique<mirror::TFmonitor>();
    mirror::Fmonitor = monitor_.get();
    text_ = std::make_unique<sources::Tftext>(ProgramFolder);
    sources::ftext = text_.get();
    scrollSetup_ = std::make_unique<sources::Tfscrolset>(ProgramFolder);
    sources::fscrolset = scrollSetup_.get();
    slideSetup_ = std::make_unique<sources::Tfss>(SlideStopRequested, SlideIndex, ProgramFolder);
    sources::fss = slideSetup_.get();
    areaChoice_ = std::make_unique<capture::TfAlldesktop>(*grabCapture_);
    capture::fAlldesktop = areaChoice_.get();
    regionGrab_ = std::make_unique<capture::TFgrab>(GrabRect);
    capture::Fgrab = regionGrab_.get();
    capture::fAlldesktop->setControlWindow(MainForm);
    capture::fAlldesktop->setPermissionFile(sources::localPath(settingsFilePath()).parent_path() /
                                            "ScreenSharing.token");
    capture::fAlldesktop->setRegionWindow(capture::Fgrab);
    save_ = std::make_unique<capture::TFsave>(
        HotKeyText, BeepOnSave, [] { return MainForm->currentPicture(); }, ProgramFolder);
    capture::Fsave = save_.get();
    capture::Fsave->setBlankKey(Extras.blankKey, Extras.blankKeyArmed, Extras.blankPicture,
                                [] { MainForm->toggleBlanked(); });
    windowChoice_ = std::make_unique<mirror::TfCapture>();
    mirror::fCapture = windowChoice_.get();
    about_ = std::make_unique<Tfabout>();
    fabout = about_.get();

    QObject::connect(mirror::Fmonitor, &mirror::TFmonitor::activated, MainForm, [] {
        MainForm->sbseconddisplay->setChecked(true);
        mirror::Fmonitor->yoom(DisplayScale);
    });
    QObject::connect(mirror::Fmonitor, &mirror::TFmonitor::placed, options::foptions,
                     [](bool onSecondMonitor) { options::foptions->sb5->setChecked(onSecondMonitor); });
    QObject::connect(mirror::Fmonitor, &mirror::TFmonitor::closeRequested, MainForm,
                     [] { MainForm->sbseconddisplay->setChecked(false); });
    QObject::connect(sources::ftext, &sources::Tftext::activated, MainForm, [] {
        MainForm->PAnelHint->move(MainForm->PAnelHint->x(), 1242);
        loadCustomColors();
    });
    QObject::connect(sources::ftext, &sources::Tftext::closing, MainForm, [] { saveCustomColors(); });
    QObject::connect(sources::fss, &sources::Tfss::activated, MainForm,
                     [] { MainForm->PAnelHint->move(MainForm->PAnelHint->x(), 1242); });
    QObject::connect(sources::fscrolset, &sources::Tfscrolset::activated, MainForm,
                     [] { loadCustomColors(); });
    QObject::connect(sources::fscrolset, &sources::Tfscrolset::closing, MainForm, [] { saveCustomColors(); });
    QObject::connect(sources::fscrolset, &sources::Tfscrolset::sendText, MainForm,
                     [](const sources::ScrollStrip& s) {
                         widgets::TRealTimeMarquee& strip = *mirror::Fmonitor->rtmdis;
                         strip.Item(0).setText(s.text);
                         strip.setInterval(s.interval);
                         strip.setStep(s.step);
                         strip.resize(strip.width(), s.height);
                         strip.setMarqueeFont(s.font);
                         strip.setColor(s.colour);
                         strip.setFontColor(s.fontColour);
                         mirror::Fmonitor->showStrip(s.top);
                         strip.setActive(true);
                         MainForm->sendScrollText(s.text, s.colour, s.fontColour, s.top);
                     });
    QObject::connect(sources::fscrolset, &sources::Tfscrolset::hideText, MainForm,
                     [] { MainForm->hideScrollText(); });
    mirror::Fmonitor->yoom(DisplayScale);
    // The desktop stopped sharing the screen: said once, without stopping anything; the display
    // keeps the last picture until another source is chosen.
    platform::onScreenSharingEnded([](const std::string& why) {
        auto* box = new QMessageBox(QMessageBox::Information, "Vexmira",
                                    QString("The desktop no longer shares the screen or the window (%1). The "
                                            "second monitor keeps the last picture; choose Desktop or Single "
                                            "Application again to share anew.")
                                        .arg(QString::fromStdString(why)),
                                    QMessageBox::Ok, MainForm);
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->open();
    });
}

// In this order: each window may still reach those made before it while it goes.
Program::~Program() {
    about_.reset();
    fabout = nullptr;
    windowChoice_.reset();
    mirror::fCapture = nullptr;
    save_.reset();
    capture::Fsave = nullptr;
    areaChoice_.reset();
    regionGrab_.reset();
    slideSetup_.reset();
    sources::fss = nullptr;
    scrollSetup_.reset();
    sources::fscrolset = nullptr;
    text_.reset();
    sources::ftext = nullptr;
    monitor_.reset();
    options_.reset();
    options::foptions = nullptr;
    mainForm_.reset();
    capture::fAlldesktop = nullptr;
    capture::Fgrab = nullptr;
    mirror::Fmonitor = nullptr;
    MainForm = nullptr;
    grabCapture_.reset();
    startForm_.reset();
    FstartForm = nullptr;
}

void Program::start() {
    FstartForm->showIcon();
    MainForm->show();
    MainForm->activateWindow();
    // The display takes its monitor now, not at the control window's first activation: a message
    // at start (a key another program holds) takes the activation, and the display would wait
    // half off the primary until a source starts.
    MainForm->FormActivate();
}

} // namespace vexmira::app
