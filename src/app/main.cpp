#include "Program.h"
#include "mainunit.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QApplication::setApplicationName("Vexmira");
    QApplication::setQuitOnLastWindowClosed(false);

    vexmira::app::Program program(vexmira::platform::openScreenCapture());
    // Until the program has its tray icon there is no way back to a hidden control window, so
    // hiding it ends the program.
    QObject::connect(vexmira::app::MainForm, &vexmira::app::TMainForm::hiddenByUser, &application,
                     &QApplication::quit);
    program.start();
    const int result = application.exec();
    vexmira::app::MainForm->SaveSettings(); // the program ends: its settings are kept
    return result;
}
