#pragma once

#include "platform/SingleInstance.h"

#include <QAction>
#include <QIcon>
#include <QMenu>
#include <QObject>
#include <QSocketNotifier>
#include <QSystemTrayIcon>
#include <filesystem>
#include <memory>

namespace vexmira::app {

// The program's tray icon and its menu, and the program's end: it is never seen. The icon shows
// whether a picture reaches the second monitor; a left press brings the control window back.
class TFstartForm : public QObject {
    Q_OBJECT
  public:
    // `executable`: the program's own path, for the autostart entry.
    explicit TFstartForm(std::filesystem::path executable, QObject* parent = nullptr);
    ~TFstartForm() override;

    QSystemTrayIcon* tray = nullptr;
    QMenu* PopupA = nullptr;
    QAction* Vexmira1 = nullptr; // Open Vexmira
    QAction* ShowSecondMonitor1 = nullptr;
    QAction* asnd = nullptr; // Automatically Send
    QAction* BlankSecondary1 = nullptr;
    QAction* CaptureImage1 = nullptr;
    QAction* StopAll1 = nullptr;
    QAction* LoadatStartup = nullptr;
    QAction* Options1 = nullptr;
    QAction* About1 = nullptr;
    QAction* Close1 = nullptr; // Exit
    QIcon ImgStop, ImgRun;

    // Puts the icon in the tray (when there is one).
    void showIcon();
    // Whether the icon sits in a tray, so that a hidden control window can be reached again.
    bool iconReachable() const;
    // The icon and its tip from the program's state; the icon is set only when it changes.
    void BarvajIkono();
    void RestoreControlWindow();
    // A request of a later copy: "show", or a command it was given ("blank", "stop-all",
    // "send", "save-image").
    void carryOut(const std::string& request);
    void PopupAPopup();
    void asndClick();
    // Starting at login on or off; a failure leaves the tick as it was, with a message.
    void LoadatStartupClick();
    void About1Click();
    // Writes the settings and ends the program with status 0.
    void Close1Click();
    // Listens for later copies of the program asking this one to show itself.
    void listenForLaterCopies(std::unique_ptr<platform::SingleInstance> guard);

  signals:
    void exitRequested();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    std::filesystem::path executable_;
    bool running_ = false;
    std::unique_ptr<platform::SingleInstance> guard_;
    QSocketNotifier* knock_ = nullptr;
};

extern TFstartForm* FstartForm;

} // namespace vexmira::app
