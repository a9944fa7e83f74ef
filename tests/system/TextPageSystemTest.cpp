// The text page on the rig: the first press of Text opens the editor, and what is written there
// reaches the second monitor on "Send", looking as it does in the control window's preview.
#include "ProgramDriver.h"

#include <gtest/gtest.h>

#include <sstream>

using namespace vexmira;
using namespace vexmira::testing;
using raster::Bitmap;

namespace {

const raster::Rect secondMonitor{1920, 0, 1280, 1024};

// The editor's X window id and inside size, while it shows.
struct EditorWindow {
    std::string id;
    raster::Size size;
};
std::optional<EditorWindow> editorWindow() {
    std::istringstream ids(shell("xdotool search --onlyvisible --name '^Untitled - Vexmira$' 2>/dev/null"));
    EditorWindow window;
    if (!(ids >> window.id)) return std::nullopt;
    std::istringstream info(shell("xwininfo -id " + window.id));
    for (std::string line; std::getline(info, line);) {
        const auto value = [&line] { return std::stoi(line.substr(line.find(':') + 1)); };
        if (line.find("  Width:") == 0) window.size.width = value();
        if (line.find("  Height:") == 0) window.size.height = value();
    }
    return window;
}

int darkSamples(const Bitmap& shown) {
    int dark = 0;
    for (int y = 0; y < shown.height(); ++y)
        for (int x = 0; x < shown.width(); ++x)
            dark += (shown.pixel(x, y) & 0xFF) < 100;
    return dark;
}

} // namespace

TEST(TextPage, WrittenInTheEditorItReachesTheSecondMonitorOnSend) {
    RunningProgram program;
    const raster::Rect control = program.controlWindow();
    clickAt(control.x + 20, control.y + 188); // Text, with an empty page
    std::optional<EditorWindow> editor;
    ASSERT_TRUE(waitUntil([&] { return (editor = editorWindow()).has_value(); }, 5)) << "no editor";
    EXPECT_EQ(editor->size, (raster::Size{785, 547}));
    waitForFocus(editor->id);
    shell("xdotool type --delay 15 'Page for the second monitor'");
    shell("xdotool mousemove --window " + editor->id + " 740 530 click 1"); // OK
    ASSERT_TRUE(waitUntil([] { return !editorWindow(); }, 5)) << "the editor stayed";

    // The preview shows the page; the second monitor does not, until Send.
    const raster::Rect previewText{control.x + 45, control.y + 34, 200, 16}; // inside the orange frame
    ASSERT_TRUE(waitUntil([&] { return darkSamples(grabScreen(previewText)) > 30; }, 5))
        << "no page in the preview";
    EXPECT_EQ(darkSamples(grabScreen({secondMonitor.x + 200, 200, 600, 600})), 600 * 600)
        << "black before Send";

    clickAt(control.x + 90, control.y + 15); // Send
    const raster::Rect shownText{secondMonitor.x, secondMonitor.y, 200, 16};
    ASSERT_TRUE(waitUntil([&] { return grabScreen(shownText).samePixels(grabScreen(previewText)); }, 5))
        << "the second monitor does not show the page as the preview does";
    EXPECT_EQ(darkSamples(grabScreen({secondMonitor.x + 200, 200, 600, 600})), 0) << "the page is white";
    EXPECT_TRUE(program.isRunning());
}
