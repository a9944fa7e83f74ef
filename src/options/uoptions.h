#pragma once

#include "CpuUsageSampler.h"
#include "ScaleHistoryFile.h"
#include "widgets/BtChkBox.h"
#include "widgets/XiButton.h"

#include <QComboBox>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QRadioButton>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTimer>
#include <QToolButton>
#include <array>
#include <filesystem>
#include <functional>
#include <memory>

namespace vexmira::options {

// What the options dialog changes in the rest of the program.
class OptionsHost {
  public:
    virtual ~OptionsHost() = default;
    // The stored options, read and written in place.
    virtual int& scaleIndex() = 0;
    virtual double& currentScale() = 0;
    virtual bool& centred() = 0;
    virtual bool& showCursor() = 0;
    virtual bool& showRedPoint() = 0;
    virtual int& refreshRate() = 0;
    // The window classes the display paints black, comma-separated.
    virtual std::string maskedClasses() = 0;
    virtual void setMaskedClasses(const std::string& classes) = 0;
    // The title a window may have to take a closed single window's place ("*", "?"; empty: none).
    virtual std::string& reattachTitle() = 0;
    // The dead zone of the region that follows the mouse, in pixels.
    virtual int& followMargin() = 0;
    // Applies the scale settings to the display window's picture view.
    virtual void applyScale() = 0;
    virtual void setDisplayScaleOnly(double scale) = 0;
    // The display window.
    virtual void applyDisplaySize(int index) = 0;
    virtual int displaySizeIndex() = 0;
    virtual void showDisplay() = 0;
    virtual void hideDisplay() = 0;
    // Onto the secondary monitor; false with one monitor (the window then goes to 0,0).
    virtual bool moveDisplayToSecondMonitor() = 0;
    // Both capture timers of the control window.
    virtual void setCaptureInterval(int milliseconds) = 0;
    virtual int displayTimerInterval() = 0;
    // Where "scale.cld" and the settings file are.
    virtual std::filesystem::path scaleHistoryPath() = 0;
    virtual std::filesystem::path settingsPath() = 0;
    // The control window's part of "Reset all options": auto-hide on (and its notice shown
    // again), the display window shown and its menu item ticked.
    virtual void resetControlWindow() = 0;
    // The settings of the shutter, the masked windows, re-attaching and the followed region back
    // to their defaults (the shutter's key let go).
    virtual void resetExtras() = 0;
};

// The options dialog, shown without blocking: the display window's size and place, the picture's
// scale, the screen update rate with a processor-usage read-out, and the monitors.
class Tfoptions : public QDialog {
    Q_OBJECT
  public:
    explicit Tfoptions(OptionsHost& host, QWidget* parent = nullptr);
    // How questions and messages reach the user; tests answer in the user's place.
    std::function<bool(const QString&)> confirm;
    std::function<void(const QString&)> tell;

    std::array<QLabel*, 4> tabs{}; // sp1..sp4
    QStackedWidget* Notebook1 = nullptr;
    // Position
    QLabel* Image1 = nullptr;
    std::array<QRadioButton*, 4> rg1{};
    widgets::TXiButton* XiButton4 = nullptr; // Update
    widgets::TXiButton* XiButton1 = nullptr; // Hide
    widgets::TXiButton* XiButton3 = nullptr; // Show
    widgets::TXiButton* XiButton2 = nullptr; // Move to Second Monitor
    QToolButton* sb5 = nullptr;
    // Graphic
    std::array<QRadioButton*, 5> rgscale{};
    QLineEdit* Edit1 = nullptr;
    QToolButton* SpinUp = nullptr;
    QToolButton* SpinDown = nullptr;
    widgets::TBitCheckBox* redpoint = nullptr;
    widgets::TBitCheckBox* Showcursor1 = nullptr;
    widgets::TBitCheckBox* cb2 = nullptr;
    QComboBox* CBX = nullptr;
    // Update rate
    QLineEdit* maskedClasses = nullptr;
    QLineEdit* reattachTitle = nullptr;
    QSpinBox* followMargin = nullptr;
    QSpinBox* spinrefresh = nullptr;
    widgets::TXiButton* XiButton5 = nullptr; // Confirm Changes
    QLabel* Label6 = nullptr;
    QProgressBar* RLed1 = nullptr;
    QLabel* Label3 = nullptr;
    // Monitor Details
    QPlainTextEdit* Memodisplay = nullptr;
    QPushButton* SpeedButton5 = nullptr; // Reset all options
    QPushButton* BitBtn2 = nullptr;      // Close
    QPushButton* BitBtn1 = nullptr;      // Cancel
    QTimer* TimerCPU = nullptr;

    double ScaleTenths = 10.0;

    void showPage(int index);
    void rgscaleClick();
    void cb2Click();
    void SpinButton1UpClick();
    void SpinButton1DownClick();
    void CBXClick();
    void BitBtn2Click(); // Close: keeps the history
    void rg1Click();
    void XiButton4Click();
    void XiButton3Click();
    void XiButton2Click();
    void XiButton5Click();
    void TimerCPUTimer();
    void SpeedButton5Click();
    // The history file into the box; the box is left as it is when the file is missing or broken.
    void loadHistory();
    // The monitor list.
    void fillMonitorList();

  protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    bool event(QEvent* event) override;

  private:
    void buildTabs();
    QWidget* buildPositionPage();
    QWidget* buildGraphicPage();
    QWidget* buildRatePage();
    QWidget* buildMonitorPage();
    void buildBottomBar();
    void showScale();

    OptionsHost& host_;
    CpuUsageSampler sampler_;
    bool samplerProblemShown_ = false;
};

extern Tfoptions* foptions;

} // namespace vexmira::options
