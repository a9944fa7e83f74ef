// The entry of the system tests that run the program's code inside the test, on the rig's X
// server through Qt's X11 platform.
#include "platform/Capabilities.h"

#include <QApplication>
#include <gtest/gtest.h>

#include <cstring>

int main(int argc, char** argv) {
    // Listing the cases happens without a display.
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "--gtest_list_tests") == 0) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    vexmira::platform::selectWindowSystem(QGuiApplication::platformName().toStdString());
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
