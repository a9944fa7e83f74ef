// The program on a desktop that shares its screen only through the desktop portal, as GNOME and
// KDE do: the tests' own portal stands in for the desktop and serves a PipeWire stream of known
// pictures; everything on the program's side is its real code.
#include "ImageMagick.h"
#include "PortalPictures.h"
#include "WaylandRig.h"
#include "platform/PictureFile.h"

#include <filesystem>
#include <fstream>

using namespace vexmira;
using namespace vexmira::testing;

namespace {

Bitmap portalPicture(int n) {
    Bitmap picture(portalScreenWidth, portalScreenHeight, 24);
    for (int y = 0; y < portalScreenHeight; ++y)
        for (int x = 0; x < portalScreenWidth; ++x)
            picture.setPixel(x, y, portalPixel(n, x, y));
    return picture;
}

// The desktop's leave to share without asking, kept beside the settings.
std::filesystem::path permissionFile() {
    return std::filesystem::path(RunningProgram::settingsPath()).parent_path() / "ScreenSharing.token";
}

// The portal, started before the program so that the program finds it on the session bus.
class PortalRunning {
  public:
    PortalRunning() : portal({std::getenv("VEXMIRA_PORTAL")}) {}
    // The portal's counts: dialogs shown, Start calls.
    std::pair<int, int> counts() {
        int dialogs = -1, starts = -1, selects = -1;
        std::sscanf(portal.ask("count").c_str(), "dialogs %d starts %d selects %d", &dialogs, &starts,
                    &selects);
        return {dialogs, starts};
    }
    LineHelper portal;
};

// The program told to share the screen through the portal even though sway lets it copy the
// screen itself.
class Portal : public ::testing::Test, public PortalRunning, public WaylandSession {
  protected:
    Portal() : WaylandSession({"VEXMIRA_CAPTURE=portal"}) {}
    void SetUp() override { ASSERT_EQ(portal.greeting(), "ready") << "the test portal did not start"; }

    int worstDifferenceFrom(const Bitmap& picture) {
        const Bitmap second = shotOf("HEADLESS-2");
        if (second.isEmpty()) return 255;
        return worstMirrorDifference(picture, second, {0, 0, 0, 0});
    }
};

// Removes the kept permission before the program starts, so that the desktop asks.
struct WithoutPermission {
    WithoutPermission() { std::filesystem::remove(permissionFile()); }
};

class PortalAsked : public WithoutPermission, public Portal {};

} // namespace

TEST_F(PortalAsked, TheSharedScreenIsMirroredScaledOnTheSecondOutputAndFollowsItsDrawing) {
    startDesktopMirror();
    EXPECT_EQ(counts().first, 1) << "the desktop's dialog was not shown once";
    const Bitmap picture = portalPicture(0);
    int worst = 255;
    EXPECT_TRUE(waitUntil([&] { return (worst = worstDifferenceFrom(picture)) <= 2; }, 8))
        << "the worst channel differs by " << worst;

    // Another picture, then a square moving over it: only the stream's damage is new.
    portal.ask("picture 1");
    const Bitmap second = portalPicture(1);
    EXPECT_TRUE(waitUntil([&] { return (worst = worstDifferenceFrom(second)) <= 2; }, 5))
        << "the next picture did not follow: " << worst;
    portal.ask("move");
    const Bitmap before = shotOf("HEADLESS-2");
    EXPECT_TRUE(waitUntil([&] { return !shotOf("HEADLESS-2").samePixels(before); }, 5))
        << "the moving square did not show";
    EXPECT_TRUE(std::filesystem::exists(permissionFile())) << "the desktop's leave was not kept";
}

TEST_F(PortalAsked, APartOfTheSharedScreenIsAPixelExactCrop) {
    choosePart({100, 50, 640, 480});
    tickAutomaticallySend();
    int mismatches = -1;
    EXPECT_TRUE(waitUntil(
        [&] {
            const Bitmap second = shotOf("HEADLESS-2");
            if (second.isEmpty()) return false;
            mismatches = 0;
            for (int y = 0; y < 480; ++y)
                for (int x = 0; x < 640; ++x)
                    mismatches +=
                        ((second.pixel(320 + x, 272 + y) ^ portalPixel(0, 100 + x, 50 + y)) & 0xFFFFFF) != 0;
            return mismatches == 0 && (second.pixel(319, 272) & 0xFFFFFF) == 0;
        },
        8))
        << mismatches << " pixels of the part differ";
}

// The desktop's leave is kept: the next start shares without a dialog. Where the desktop asks
// again and the user cancels, the source stays as it was.
TEST(PortalPermission, ASecondStartAsksNothingAndACancelledDialogKeepsTheSource) {
    // A damaged permission file counts as none, and is replaced.
    std::ofstream(permissionFile(), std::ios::binary) << std::string("\x01\xff\0 not a token\n", 17);
    struct Run : public PortalRunning {
        void desktopOnce() {
            WaylandSession session({"VEXMIRA_CAPTURE=portal"});
            session.startDesktopMirror();
            EXPECT_TRUE(waitUntil([] { return !allBlack(shotOf("HEADLESS-2")); }, 8)) << "nothing shared";
        }
    } run;
    ASSERT_EQ(run.portal.greeting(), "ready");
    run.desktopOnce();
    EXPECT_EQ(run.counts(), std::make_pair(1, 1));
    EXPECT_EQ(shell("head -c 8 '" + permissionFile().string() + "'"), "restore-")
        << "the damaged file stayed";
    run.desktopOnce();
    EXPECT_EQ(run.counts(), std::make_pair(1, 2)) << "the second start asked again";

    // The user took the leave back in the desktop's settings, and cancels the dialog: the
    // clipboard's picture on the second monitor stays.
    run.portal.ask("revoke");
    run.portal.ask("cancel");
    WaylandSession session({"VEXMIRA_CAPTURE=portal"});
    session.control();
    pumpFor(300);
    ASSERT_TRUE(session.chooseSource(118)) << "Clipboard did not become the source";
    session.tickAutomaticallySend();
    TemporaryFolder folder;
    Bitmap picture(640, 480, 24);
    for (int y = 0; y < 480; ++y)
        for (int x = 0; x < 640; ++x)
            picture.setPixel(x, y, portalPixel(2, x, y));
    platform::savePicture(folder / "picture.png", picture, raster::ImageFormat::Png);
    const WaylandClipboardOffer offer((folder / "picture.png").string());
    ASSERT_TRUE(waitUntil([] { return !allBlack(shotOf("HEADLESS-2")); }, 8))
        << "the clipboard's picture did not show";
    pumpFor(500);
    const Bitmap before = shotOf("HEADLESS-2");
    session.chooseDesktop(false);
    pumpFor(1500);
    EXPECT_TRUE(shotOf("HEADLESS-2").samePixels(before)) << "the cancelled sharing changed the display";
    EXPECT_EQ(run.counts().first, 2) << "the desktop did not ask again";
}

TEST_F(Portal, WhenTheSharingEndsAMessageSaysSoAndTheLastPictureStays) {
    startDesktopMirror();
    const Bitmap picture = portalPicture(0);
    ASSERT_TRUE(waitUntil([&] { return worstDifferenceFrom(picture) <= 2; }, 8))
        << "the mirror did not start";
    const std::size_t windows = programWindows(program.pid()).size();
    portal.ask("stop");
    EXPECT_TRUE(waitUntil([&] { return programWindows(program.pid()).size() == windows + 1; }, 5))
        << "no message said that the sharing ended";
    pumpFor(500);
    EXPECT_LE(worstDifferenceFrom(picture), 2) << "the last picture did not stay";
    EXPECT_TRUE(program.isRunning());
}

// A key bound through the desktop's global shortcuts: its press, as the desktop reports it,
// saves the picture on the second monitor.
TEST(PortalShortcuts, ThePressedSaveKeySavesThePicture) {
    TemporaryFolder home;
    std::filesystem::create_directory(home / "Documents");
    PortalRunning desktop;
    ASSERT_EQ(desktop.portal.greeting(), "ready");
    WaylandSession session({"VEXMIRA_CAPTURE=portal", "HOME=" + home.path().string()},
                           "[Options]\nHotKey=Ctrl+F9\n");
    session.startDesktopMirror();
    ASSERT_TRUE(waitUntil([] { return !allBlack(shotOf("HEADLESS-2")); }, 8)) << "nothing shared";
    const auto saveDialog = [&]() -> std::optional<Rect> {
        for (const SwayWindow& w : programWindows(session.program.pid()))
            if (w.title == "Vexmira - Capture Image") return w.rect;
        return std::nullopt;
    };
    // The menu, and its first item.
    const Rect at = session.control();
    for (int attempt = 0; attempt < 3 && !saveDialog(); ++attempt) {
        session.pointer.click(at.x + 387, at.y + 15);
        pumpFor(400);
        session.pointer.click(at.x + 420, at.y + 40); // the menu drops from the button's left edge
        waitUntil([&] { return saveDialog().has_value(); }, 2);
    }
    const auto dialog = saveDialog();
    ASSERT_TRUE(dialog.has_value()) << "no save dialog";
    pumpFor(300);
    session.pointer.click(dialog->x + 393, dialog->y + 271); // Start: the stored Ctrl+F9 is bound
    pumpFor(300);
    session.pointer.click(dialog->x + 503, dialog->y + 363); // Close: the key stays bound
    EXPECT_TRUE(waitUntil([&] { return !saveDialog(); }, 5)) << "the save dialog stayed";
    ASSERT_TRUE(waitUntil([&] { return desktop.portal.ask("activate save-image") == "ok"; }, 5))
        << "the key was not bound through the portal";
    const auto saved = home / "Documents" / "image1.jpg";
    EXPECT_TRUE(waitUntil([&] { return std::filesystem::exists(saved); }, 5)) << "the press saved nothing";
    EXPECT_EQ(desktop.portal.ask("activate blank"), "unbound") << "a key that was not armed was bound";
}

// With a tray on the desktop (a StatusNotifier watcher with its host), the program's icon
// registers there: closing the control window keeps the program, and a click on the icon brings
// the window back.
TEST(PortalTray, TheIconRegistersAndBringsTheClosedControlWindowBack) {
    LineHelper desktop({std::getenv("VEXMIRA_PORTAL"), "--tray"});
    ASSERT_EQ(desktop.greeting(), "ready");
    WaylandSession session;
    const Rect at = session.control();
    EXPECT_TRUE(waitUntil([&] { return desktop.ask("tray") == "items 1"; }, 5)) << "no tray item registered";
    pumpFor(300);
    session.pointer.click(at.x + 417, at.y + 16); // the close box
    EXPECT_TRUE(waitUntil([&] { return !controlWindow(session.program.pid()); }, 5))
        << "the control window stayed";
    EXPECT_TRUE(session.program.isRunning())
        << "closing the window ended the program although the icon is there";
    EXPECT_EQ(desktop.ask("click-tray"), "ok");
    EXPECT_TRUE(waitUntil([&] { return controlWindow(session.program.pid()).has_value(); }, 5))
        << "a click on the icon did not bring the control window back";
}

// Without any tray there is no way back to a closed control window: closing it ends the program.
TEST(PortalTray, WithoutATrayClosingTheControlWindowEndsTheProgram) {
    WaylandSession session;
    const Rect at = session.control();
    pumpFor(300);
    session.pointer.click(at.x + 417, at.y + 16);
    EXPECT_TRUE(session.program.waitForExit(5)) << "the program went on without a way back";
}

// Single Application where the desktop chooses the window in its own dialog: that dialog takes
// the place of the program's window list, the shared window reaches the second monitor, and when
// the desktop stops sharing it a message says to choose again.
TEST_F(PortalAsked, TheWindowTheDesktopSharesIsMirroredUntilItStopsSharingIt) {
    const Rect at = control();
    pumpFor(300);
    const Bitmap picture = portalPicture(0);
    int worst = 255;
    for (int attempt = 0; attempt < 3 && counts().first == 0; ++attempt) {
        pointer.click(at.x + 20, at.y + 83); // Single Application
        waitUntil([&] { return counts().first > 0; }, 2);
    }
    EXPECT_EQ(counts().first, 1) << "the desktop's window chooser was not asked";
    tickAutomaticallySend();
    EXPECT_TRUE(waitUntil([&] { return (worst = worstDifferenceFrom(picture)) <= 2; }, 8))
        << "the shared window is not shown: the worst channel differs by " << worst;
    const std::size_t windows = programWindows(program.pid()).size();
    portal.ask("stop");
    EXPECT_TRUE(waitUntil([&] { return programWindows(program.pid()).size() == windows + 1; }, 5))
        << "no message said that the sharing ended";
    EXPECT_TRUE(program.isRunning());
}

// A desktop whose portal never answers: after the wait for its reply a message says so, and the
// source stays as it was.
TEST_F(PortalAsked, APortalThatNeverAnswersIsSaid) {
    portal.ask("silent");
    const Rect at = control();
    const auto count = [&] { return programWindows(program.pid()).size(); };
    for (int attempt = 0; attempt < 3 && count() < 3; ++attempt) {
        pointer.click(at.x + 20, at.y + 48); // Desktop
        waitUntil([&] { return count() == 3; }, 2);
    }
    Rect dialog;
    for (const SwayWindow& w : programWindows(program.pid()))
        if (w.rect.size() == raster::Size{342, 160}) dialog = w.rect;
    ASSERT_FALSE(dialog.isEmpty()) << "the area dialog did not show";
    pointer.click(dialog.x + 291, dialog.y + 138); // OK
    EXPECT_TRUE(waitUntil([&] { return count() == 4; }, 10)) << "no message said the desktop did not answer";
    EXPECT_EQ(counts().first, 0);
    EXPECT_TRUE(allBlack(shotOf("HEADLESS-2"))) << "something was shown";
    EXPECT_TRUE(program.isRunning());
}
