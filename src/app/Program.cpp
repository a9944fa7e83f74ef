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
#include "sources/uscrollset.h"
#include "sources/uss.h"
#include "uStartForm.h"
#include "uabout.h"

#include "sources/utext.h"
#include <QCoreApplication>

namespace vexmira::app {

namespace {

// The screenshot of the region grab and the desktop tick share one capture of the screen.
std::unique_ptr<mirror::DesktopCapture> grabCapture;

} // namespace

Program::Program(std::unique_ptr<platform::ScreenCapture> screen)
    : displayEvents_(std::make_unique<DisplayEventWatch>(platform::openDisplayEventPump())) {
    FstartForm = new TFstartForm(QCoreApplication::applicationFilePath().toStdString());
    auto desktop = std::make_unique<mirror::DesktopCapture>(std::move(screen), platform::openCursorSource());
    grabCapture = std::make_unique<mirror::DesktopCapture>(platform::openScreenCapture(), nullptr);
    MainForm = new TMainForm(std::move(desktop));
    MainForm->setWindowSystem(platform::openWindowSystem());
    MainForm->setClipboardReader(platform::openClipboardReader());
    optionsHost_ = makeOptionsHost();
    options::foptions = new options::Tfoptions(*optionsHost_);
    mirror::Fmonitor = new mirror::TFmonitor;
    sources::ftext = new sources::Tftext(ProgramFolder);
    sources::fscrolset = new sources::Tfscrolset(ProgramFolder);
    sources::fss = new sources::Tfss(SlideStopRequested, SlideIndex, ProgramFolder);
    capture::fAlldesktop = new capture::TfAlldesktop(*grabCapture);
    capture::Fgrab = new capture::TFgrab(GrabRect);
    capture::fAlldesktop->setControlWindow(MainForm);
    capture::fAlldesktop->setRegionWindow(capture::Fgrab);
    capture::Fsave = new capture::TFsave(
        HotKeyText, BeepOnSave, [] { return MainForm->currentPicture(); }, ProgramFolder);
    capture::Fsave->setBlankKey(Extras.blankKey, Extras.blankKeyArmed, Extras.blankPicture,
                                [] { MainForm->toggleBlanked(); });
    mirror::fCapture = new mirror::TfCapture;
    fabout = new Tfabout;

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
}

Program::~Program() {
    delete fabout;
    fabout = nullptr;
    delete mirror::fCapture;
    mirror::fCapture = nullptr;
    delete capture::Fsave;
    capture::Fsave = nullptr;
    delete capture::fAlldesktop;
    delete capture::Fgrab;
    delete sources::fss;
    sources::fss = nullptr;
    delete sources::fscrolset;
    sources::fscrolset = nullptr;
    delete sources::ftext;
    sources::ftext = nullptr;
    delete mirror::Fmonitor;
    delete options::foptions;
    options::foptions = nullptr;
    delete MainForm;
    capture::fAlldesktop = nullptr;
    capture::Fgrab = nullptr;
    mirror::Fmonitor = nullptr;
    MainForm = nullptr;
    grabCapture.reset();
    delete FstartForm;
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
