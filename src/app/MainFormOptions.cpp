// The options dialog's view of the program: the stored options, the display window and the
// capture timers.
#include "MainFormOptions.h"
#include "capture/usaveImage.h"

#include "ExtraSettings.h"

#include "mainunit.h"
#include "mirror/umonitor.h"
#include "options/uoptions.h"
#include "sources/FileNames.h"

#include <QFile>

namespace vexmira::app {

namespace {

class ProgramOptions : public options::OptionsHost {
  public:
    int& scaleIndex() override { return ScaleIndex; }
    double& currentScale() override { return CurrentScale; }
    bool& centred() override { return DisplayScale.centred; }
    bool& showCursor() override { return Overlay.showCursor; }
    bool& showRedPoint() override { return Overlay.showRedPoint; }
    int& refreshRate() override { return RefreshRate; }
    std::string maskedClasses() override { return joinClassList(Extras.maskedClasses); }
    void setMaskedClasses(const std::string& classes) override {
        Extras.maskedClasses = splitClassList(classes);
    }
    std::string& reattachTitle() override { return Extras.reattachTitle; }
    int& followMargin() override { return Extras.followMargin; }
    void applyScale() override {
        DisplayScale.mode = scaleModeOfIndex(ScaleIndex);
        DisplayScale.scale = CurrentScale;
        if (mirror::Fmonitor) mirror::Fmonitor->yoom(DisplayScale);
    }
    void setDisplayScaleOnly(double scale) override {
        DisplayScale.scale = scale;
        if (mirror::Fmonitor) mirror::Fmonitor->image->setScale(static_cast<float>(scale));
    }
    void applyDisplaySize(int index) override {
        if (mirror::Fmonitor) mirror::Fmonitor->ApplyDisplaySize(index);
    }
    int displaySizeIndex() override { return mirror::Fmonitor ? mirror::Fmonitor->DisplaySizeIndex : 0; }
    void showDisplay() override {
        if (mirror::Fmonitor) mirror::Fmonitor->show();
        if (MainForm) MainForm->sbseconddisplay->setChecked(true);
    }
    void hideDisplay() override {
        if (mirror::Fmonitor) mirror::Fmonitor->close();
    }
    bool moveDisplayToSecondMonitor() override {
        return mirror::Fmonitor && mirror::Fmonitor->PlaceDisplayWindow(true);
    }
    void setCaptureInterval(int milliseconds) override {
        MainForm->Timer1->setInterval(milliseconds);
        MainForm->Timer3zaslon->setInterval(milliseconds);
    }
    int displayTimerInterval() override { return MainForm->Timer3zaslon->interval(); }
    std::filesystem::path scaleHistoryPath() override {
        return sources::localPath(settingsFilePath()).parent_path() / "scale.cld";
    }
    std::filesystem::path settingsPath() override { return sources::localPath(settingsFilePath()); }
    void resetExtras() override {
        Extras = ExtraSettings{};
        if (capture::Fsave) capture::Fsave->resetBlankKey();
    }
    void resetControlWindow() override {
        AutohideAgain = false;
        MainForm->AutoHide1->setChecked(true);
        MainForm->Timer2->start();
        showDisplay();
    }
};

} // namespace

std::unique_ptr<options::OptionsHost> makeOptionsHost() {
    return std::make_unique<ProgramOptions>();
}

void TMainForm::sbOptionsClick() {
    if (!options::foptions) return;
    options::foptions->show();
    options::foptions->raise();
    options::foptions->activateWindow();
}

} // namespace vexmira::app
