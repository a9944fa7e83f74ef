#include "CommandLine.h"
#include "LogCategories.h"
#include "Program.h"
#include "mainunit.h"
#include "platform/Capabilities.h"
#include "platform/FileSystem.h"
#include "platform/SingleInstance.h"
#include "uStartForm.h"
#include "umessage1.h"

#include <QApplication>
#include <cstdio>
#include <filesystem>

namespace {

using namespace vexmira;

// Passes a command to the running copy: 0 when delivered, 1 when no copy runs.
int sendCommand(const std::string& request) {
    const std::filesystem::path executable = platform::ownExecutable();
    const platform::SingleInstance::Claim claim = platform::SingleInstance::claim(executable);
    if (!claim.anotherRuns) {
        std::fprintf(stderr, "vexmira: Vexmira is not running; start it first, then give the command\n");
        return 1;
    }
    if (platform::SingleInstance::askRunningCopy(executable, request, 2.0)) return 0;
    std::fprintf(stderr, "vexmira: the running copy did not take the command\n");
    return 1;
}

} // namespace

int main(int argc, char** argv) {
    using namespace vexmira;
    // Help, the version and commands need neither a display nor the settings.
    const app::CommandLine line = app::parseCommandLine(argc, argv);
    switch (line.kind) {
    case app::CommandLine::Kind::Help:
        std::fputs(app::commandLineHelp().c_str(), stdout);
        return 0;
    case app::CommandLine::Kind::Version:
        std::printf("Vexmira %s\n", VEXMIRA_VERSION);
        return 0;
    case app::CommandLine::Kind::Unknown:
        std::fprintf(stderr, "vexmira: unknown command: %s (vexmira --help lists them)\n",
                     line.unknown.c_str());
        return 2;
    case app::CommandLine::Kind::Command:
        return sendCommand(line.request);
    case app::CommandLine::Kind::Run:
        break;
    }
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

    auto screen = platform::openScreenCapture();
    // A desktop that lets no program copy the screen: the Desktop button says so.
    const bool desktopCaptureOffered = screen && platform::capabilities().screenCapture;
    app::Program program(std::move(screen));
    app::MainForm->setDesktopCaptureOffered(desktopCaptureOffered);
    app::MainForm->setClipboardSeenInBackground(platform::capabilities().backgroundClipboard);
    app::FstartForm->listenForLaterCopies(std::move(claim.instance));
    QObject::connect(app::FstartForm, &app::TFstartForm::exitRequested, &application,
                     [] { QApplication::exit(0); });
    // Without a tray there is no way back to a hidden control window, so hiding it then ends
    // the program.
    QObject::connect(app::MainForm, &app::TMainForm::hiddenByUser, &application, [] {
        if (!app::FstartForm->iconReachable()) QApplication::quit();
    });
    program.start();
    // The notice points at the tray icon: with no tray to hold one, it would send the user
    // looking for something that is not there.
    if (app::FstartForm->iconReachable() && app::Tfmessage::wanted()) {
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
