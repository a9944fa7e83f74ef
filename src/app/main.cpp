#include "LogCategories.h"
#include "Program.h"
#include "mainunit.h"
#include "platform/Capabilities.h"
#include "platform/FileSystem.h"
#include "platform/SingleInstance.h"
#include "uStartForm.h"
#include "umessage1.h"

#include <QApplication>
#include <filesystem>

int main(int argc, char** argv) {
    using namespace vexmira;
    app::routePlatformLog();
    // One copy per executable: a later one asks the running copy to show itself and ends before
    // it opens any window or touches the settings.
    const std::filesystem::path executable = platform::ownExecutable();
    platform::SingleInstance::Claim claim = platform::SingleInstance::claim(executable);
    if (claim.anotherRuns) {
        platform::SingleInstance::askRunningCopyToShow(executable, 2.0);
        return 0;
    }
    if (!claim.instance)
        qCWarning(app::logApp) << "runs without the one-copy guard:" << claim.problem.c_str();

    QApplication application(argc, argv);
    QApplication::setApplicationName("Vexmira");
    QApplication::setQuitOnLastWindowClosed(false);
    platform::selectWindowSystem(QGuiApplication::platformName().toStdString());

    app::Program program(platform::openScreenCapture());
    app::FstartForm->listenForLaterCopies(std::move(claim.instance));
    QObject::connect(app::FstartForm, &app::TFstartForm::exitRequested, &application,
                     [] { QApplication::exit(0); });
    // Without a tray there is no way back to a hidden control window, so hiding it then ends
    // the program.
    QObject::connect(app::MainForm, &app::TMainForm::hiddenByUser, &application, [] {
        if (!app::FstartForm->iconReachable()) QApplication::quit();
    });
    program.start();
    if (app::Tfmessage::wanted()) {
        // The notice takes the focus: the display window finds its monitor first, as it would
        // when the control window is first activated.
        app::MainForm->FormActivate();
        app::Tfmessage notice;
        notice.exec();
    }
    const int result = application.exec();
    app::MainForm->SaveSettings(); // the program ends: its settings are kept
    return result;
}
