#include "uStartForm.h"

#include "ArtWork.h"
#include "CustomColors.h"
#include "LogCategories.h"
#include "capture/usaveImage.h"
#include "mainunit.h"
#include "mirror/umonitor.h"
#include "options/uoptions.h"
#include "platform/Autostart.h"
#include "platform/Capabilities.h"
#include "platform/FileSystem.h"
#include "platform/WindowSystem.h"
#include "uabout.h"

#include <QApplication>
#include <QEvent>
#include <QPixmap>
#include <QTimer>
#include <QWidget>

namespace vexmira::app {

TFstartForm* FstartForm = nullptr;

TFstartForm::TFstartForm(std::filesystem::path executable, QObject* parent)
    : QObject(parent), executable_(std::move(executable)) {
    ImgStop = QIcon(QPixmap::fromImage(trayPicture(false)));
    ImgRun = QIcon(QPixmap::fromImage(trayPicture(true)));
    PopupA = new QMenu;
    Vexmira1 = PopupA->addAction("Open Vexmira");
    ShowSecondMonitor1 = PopupA->addAction("Enable Secondary Monitor");
    asnd = PopupA->addAction("Automatically Send  ");
    asnd->setCheckable(true);
    CaptureImage1 = PopupA->addAction("Capture an Image");
    BlankSecondary1 = PopupA->addAction("Blank Secondary Monitor");
    BlankSecondary1->setCheckable(true);
    PopupA->addSeparator();
    StopAll1 = PopupA->addAction("Stop All");
    PopupA->addSeparator();
    LoadatStartup = PopupA->addAction("Load at Startup");
    LoadatStartup->setCheckable(true);
    Options1 = PopupA->addAction("Options");
    About1 = PopupA->addAction("About");
    PopupA->addSeparator();
    Close1 = PopupA->addAction("Exit");

    connect(PopupA, &QMenu::aboutToShow, this, &TFstartForm::PopupAPopup);
    connect(Vexmira1, &QAction::triggered, this, &TFstartForm::RestoreControlWindow);
    connect(ShowSecondMonitor1, &QAction::triggered, this, [] {
        if (options::foptions) options::foptions->XiButton3Click();
    });
    connect(asnd, &QAction::triggered, this, &TFstartForm::asndClick);
    connect(CaptureImage1, &QAction::triggered, this, [] {
        if (MainForm) MainForm->CaptureImage();
    });
    // Its tick is set from the shutter each time the menu opens.
    connect(BlankSecondary1, &QAction::triggered, this, [] {
        if (MainForm) MainForm->toggleBlanked();
    });
    connect(StopAll1, &QAction::triggered, this, [] {
        if (MainForm) MainForm->sbSTOPClick();
    });
    connect(LoadatStartup, &QAction::triggered, this, [this] {
        LoadatStartup->setChecked(!LoadatStartup->isChecked()); // the command decides the tick
        LoadatStartupClick();
    });
    connect(Options1, &QAction::triggered, this, [] {
        if (MainForm) MainForm->sbOptionsClick();
    });
    connect(About1, &QAction::triggered, this, &TFstartForm::About1Click);
    connect(Close1, &QAction::triggered, this, &TFstartForm::Close1Click);

    tray = new QSystemTrayIcon(ImgStop, this);
    tray->setContextMenu(PopupA);
    tray->setToolTip(TrayTipText);
    // A left press brings the control window back; the second press of a double click adds
    // nothing to the first. The menu comes with the right button.
    connect(tray, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger) RestoreControlWindow();
    });
    // None of the program's windows has a taskbar button: the icon is the way back.
    qApp->installEventFilter(this);
}

TFstartForm::~TFstartForm() {
    qApp->removeEventFilter(this);
    tray->hide();
    delete PopupA;
}

void TFstartForm::showIcon() {
    tray->show();
}

bool TFstartForm::iconReachable() const {
    return tray->isVisible() && QSystemTrayIcon::isSystemTrayAvailable();
}

void TFstartForm::BarvajIkono() {
    const bool running = SourceMode != srcStopped && mirror::Fmonitor && mirror::Fmonitor->isVisible();
    if (running != running_) {
        running_ = running;
        tray->setIcon(running ? ImgRun : ImgStop);
    }
    if (tray->toolTip() != TrayTipText) tray->setToolTip(TrayTipText);
}

void TFstartForm::RestoreControlWindow() {
    TMainForm* form = MainForm;
    if (!form) return;
    form->AlphaLevel = 255;
    form->setOpacity(255);
    form->resizeTo(form->SavedClientWidth, form->SavedClientHeight);
    if (form->SavedClientHeight < 50) {
        form->resizeTo(form->SavedClientWidth, 33);
        form->redall->hide();
    }
    if (SourceMode != srcStopped) form->redall->show();
    // Minimised by the window manager ("show desktop", Alt+Space): showing alone leaves it iconic.
    form->setWindowState(form->windowState() & ~Qt::WindowMinimized);
    form->show();
    form->raise();
    form->activateWindow();
}

void TFstartForm::PopupAPopup() {
    if (!MainForm) return;
    asnd->setChecked(MainForm->cbx1->Checked());
    BlankSecondary1->setChecked(MainForm->blanked());
    LoadatStartup->setChecked(MainForm->LoadatS1->isChecked());
}

void TFstartForm::asndClick() {
    if (!MainForm) return;
    MainForm->cbx1->setChecked(!MainForm->cbx1->Checked());
    MainForm->cbx1Click();
    asnd->setChecked(MainForm->cbx1->Checked());
}

void TFstartForm::LoadatStartupClick() {
    if (!MainForm) return;
    const bool on = !MainForm->LoadatS1->isChecked();
    try {
        if (on) {
            platform::writeAutostartEntry(executable_);
        } else {
            platform::removeAutostartEntry();
        }
    } catch (const platform::FileError& error) {
        showErrorOver(MainForm, QString("Cannot %1 the entry that starts Vexmira at login: %2")
                                    .arg(on ? "write" : "remove", QString::fromStdString(error.what())));
        return;
    }
    MainForm->LoadatS1->setChecked(on);
    LoadatStartup->setChecked(on);
}

void TFstartForm::About1Click() {
    if (fabout) fabout->exec();
}

void TFstartForm::Close1Click() {
    if (MainForm && !MainForm->mayEnd()) return;
    tray->hide();
    emit exitRequested();
}

void TFstartForm::listenForLaterCopies(std::unique_ptr<platform::SingleInstance> guard) {
    guard_ = std::move(guard);
    if (!guard_ || guard_->requestSocket() < 0) return;
    knock_ = new QSocketNotifier(guard_->requestSocket(), QSocketNotifier::Read, this);
    connect(knock_, &QSocketNotifier::activated, this, [this] {
        for (const std::string& request : guard_->takeRequests())
            carryOut(request);
    });
}

void TFstartForm::carryOut(const std::string& request) {
    if (request == "show") {
        RestoreControlWindow();
    } else if (!MainForm) {
        return;
    } else if (request == "blank") {
        MainForm->toggleBlanked();
    } else if (request == "stop-all") {
        MainForm->sbSTOPClick();
    } else if (request == "send") {
        MainForm->SpeedButton8Click();
    } else if (request == "save-image") {
        if (capture::Fsave) capture::Fsave->fishHotKey();
    } else {
        qCWarning(logApp) << "a later copy asked for" << request.c_str() << "which this copy does not know";
    }
}

bool TFstartForm::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Show && watched->isWidgetType() && platform::capabilities().keepAbove) {
        auto* widget = static_cast<QWidget*>(watched);
        const Qt::WindowType type = widget->windowType();
        if (widget->isWindow() && type != Qt::Popup && type != Qt::ToolTip && type != Qt::SplashScreen) {
            // After the window manager has taken the window.
            QTimer::singleShot(50, widget, [widget] {
                platform::settleWindowState(widget->winId(),
                                            widget->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
            });
        }
    }
    return QObject::eventFilter(watched, event);
}

} // namespace vexmira::app
