// The window picker of the single-application source, built by the program's own code inside
// this test on the rig's real X server: which windows it lists.
#include "TestWindows.h"
#include "app/Program.h"
#include "app/mainunit.h"
#include "mirror/ucapture.h"
#include "platform/WindowSystem.h"

#include <QApplication>
#include <QTimer>
#include <gtest/gtest.h>

#include <set>

using namespace vexmira;
using namespace vexmira::testing;

TEST(WindowPickerOnRig, ListsFramedWindowsButNotTheTinyOnesOrItsOwn) {
    TestDisplay display;
    PatternWindow tiny(display, {50, 50, 12, 12}, 1, "Tiny Window", true);
    PatternWindow edge(display, {100, 50, 20, 20}, 2, "Just Big Enough", true);
    PatternWindow normal(display, {400, 400, 200, 150}, 3, "Normal Window");
    const auto windows = platform::openWindowSystem();
    ASSERT_LT(windows->frameOf(tiny.id()).width, 20) << "the window manager made the tiny window larger";
    ASSERT_EQ(windows->frameOf(edge.id()).size(), (raster::Size{20, 20}));

    app::Program program(platform::openScreenCapture());
    program.start();
    QApplication::processEvents();
    QTimer::singleShot(0, [] { mirror::fCapture->BitBtn1Click(); });
    app::MainForm->SpeedButton6Click();
    ASSERT_NE(app::MainForm->picker, nullptr);

    std::set<std::string> listed;
    for (int i = 0; i < static_cast<int>(app::MainForm->windowTable.size()); ++i)
        if (QLabel* title = app::MainForm->picker->title(i)) listed.insert(title->text().toStdString());
    EXPECT_TRUE(listed.count("Normal Window"));
    EXPECT_TRUE(listed.count("Just Big Enough"));
    EXPECT_FALSE(listed.count("Tiny Window"));
    EXPECT_FALSE(listed.count("Vexmira")); // the program's own windows
    EXPECT_EQ(app::MainForm->pd->text(), "Select window to display");
    EXPECT_EQ(app::SourceMode, app::srcSingleApp);
}

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
