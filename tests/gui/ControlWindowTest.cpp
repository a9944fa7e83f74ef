// The control window's logic on the offscreen platform. The screen is stood in for by a capture
// that hands out numbered flat pictures, so that each tick's frame can be told apart.
#include "app/AutoHideNotice.h"
#include "app/Program.h"
#include "app/mainunit.h"
#include "capture/ualldesktop.h"
#include "capture/ugrab.h"
#include "mirror/umonitor.h"

#include <QApplication>
#include <QCheckBox>
#include <QEnterEvent>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

using namespace vexmira;
using namespace vexmira::app;

namespace {

class NumberedFrames : public platform::ScreenCapture {
  public:
    explicit NumberedFrames(int* counter) : counter_(counter) {}
    bool capture(const raster::Rect& area, raster::Bitmap& target) override {
        target = raster::Bitmap(area.width, area.height);
        target.fill(raster::bgraFromRgba(10, 20, ++*counter_));
        return true;
    }
    raster::Size desktopSize() const override { return {800, 600}; }
    raster::Rect primaryMonitor() override { return {0, 0, 800, 600}; }
    std::string transport() const override { return "numbered frames"; }

  private:
    int* counter_;
};

int frameNumber(const raster::Bitmap& frame) {
    return frame.isEmpty() ? -1 : raster::bgraBlue(frame.pixel(0, 0));
}

bool allBlack(const raster::Bitmap& frame) {
    for (int y = 0; y < frame.height(); ++y)
        for (int x = 0; x < frame.width(); ++x)
            if ((frame.pixel(x, y) & 0xFFFFFF) != 0) return false;
    return !frame.isEmpty();
}

class ControlWindow : public ::testing::Test {
  protected:
    void SetUp() override {
        program = std::make_unique<Program>(std::make_unique<NumberedFrames>(&frames));
        program->start();
        QApplication::processEvents();
    }
    void TearDown() override { program.reset(); }

    // Presses Desktop and answers the area dialog with OK or Cancel.
    void chooseDesktop(bool ok) {
        QTimer::singleShot(0, [ok] {
            if (ok)
                capture::fAlldesktop->BitBtn1Click();
            else
                capture::fAlldesktop->BitBtn2Click();
        });
        MainForm->SpeedButton1Click();
    }

    int frames = 0;
    std::unique_ptr<Program> program;
};

} // namespace

TEST_F(ControlWindow, StartsStoppedWithTheLogo) {
    EXPECT_EQ(SourceMode, srcStopped);
    EXPECT_EQ(MainForm->size(), QSize(433, 278));
    EXPECT_TRUE(MainForm->Panel2->isVisible());
    EXPECT_EQ(CurrentFrame.size(), (raster::Size{386, 243}));
    EXPECT_FALSE(MainForm->redall->isVisible());
    EXPECT_TRUE(MainForm->ShowHint->isChecked());
    EXPECT_FALSE(MainForm->Timer3zaslon->isActive());
}

TEST_F(ControlWindow, DesktopSwitchesTheSourceAndTicksFeedPreviewAndDisplay) {
    chooseDesktop(true);
    EXPECT_EQ(SourceMode, srcDesktop);
    EXPECT_EQ(SourceMenuIndex, 1);
    EXPECT_TRUE(MainForm->sourceItems[0]->isChecked());
    EXPECT_EQ(TrayTipText, "Desktop");
    EXPECT_TRUE(MainForm->redall->isVisible());
    EXPECT_EQ(MainForm->redall->y(), MainForm->SpeedButton1->y());
    EXPECT_TRUE(MainForm->xpanel1->isVisible());
    EXPECT_FALSE(MainForm->Panel2->isVisible());
    EXPECT_EQ(MainForm->pd->text(), "Preview");
    EXPECT_TRUE(MainForm->Timer3zaslon->isActive());
    EXPECT_TRUE(allBlack(CurrentFrame)); // blanked by the switch

    MainForm->Timer3zaslonTimer();
    EXPECT_EQ(frameNumber(CurrentFrame), 1);
    EXPECT_EQ(frameNumber(MainForm->slika->bitmap()), 1);
    EXPECT_NE(frameNumber(mirror::Fmonitor->image->bitmap()), 1); // not sent yet

    MainForm->SpeedButton8Click(); // Send
    EXPECT_EQ(frameNumber(mirror::Fmonitor->image->bitmap()), 1);
    MainForm->cbx1->Click(); // Automatically Send
    MainForm->Timer3zaslonTimer();
    EXPECT_EQ(frameNumber(mirror::Fmonitor->image->bitmap()), 2);
    EXPECT_TRUE(mirror::Fmonitor->image->bitmap().sharesPixelsWith(CurrentFrame)); // delivered without a copy
}

TEST_F(ControlWindow, CancelInTheDesktopDialogChangesNothing) {
    chooseDesktop(true);
    MainForm->cbx1->Click();
    MainForm->Timer3zaslonTimer();
    const raster::Bitmap before = CurrentFrame;
    chooseDesktop(false);
    EXPECT_EQ(SourceMode, srcDesktop);
    EXPECT_EQ(TrayTipText, "Desktop");
    EXPECT_TRUE(MainForm->redall->isVisible());
    EXPECT_TRUE(MainForm->cbx1->Checked());
    EXPECT_TRUE(MainForm->Timer3zaslon->isActive());
    EXPECT_TRUE(CurrentFrame.sharesPixelsWith(before));
}

TEST_F(ControlWindow, StopAllStopsEverythingAndBlanks) {
    chooseDesktop(true);
    MainForm->cbx1->Click();
    MainForm->Timer3zaslonTimer();
    MainForm->sbSTOPClick();
    EXPECT_EQ(SourceMode, srcStopped);
    EXPECT_EQ(SourceMenuIndex, 0);
    for (QAction* item : MainForm->sourceItems)
        EXPECT_FALSE(item->isChecked());
    EXPECT_FALSE(MainForm->cbx1->Checked());
    EXPECT_EQ(TrayTipText, "Stopped");
    EXPECT_FALSE(MainForm->redall->isVisible());
    EXPECT_FALSE(MainForm->Panel2->isVisible()); // no idle page: the preview shows black
    EXPECT_FALSE(MainForm->Timer3zaslon->isActive());
    EXPECT_FALSE(mirror::Fmonitor->image->isVisible());
    EXPECT_EQ(MainForm->pd->text(), "Stop All");
    EXPECT_TRUE(allBlack(CurrentFrame));
    EXPECT_EQ(CurrentFrame.size(), (raster::Size{387, 244})); // the preview's size plus one
    EXPECT_TRUE(allBlack(mirror::Fmonitor->image->bitmap()));
}

TEST_F(ControlWindow, SendWhileStoppedDoesNothing) {
    const raster::Bitmap shownBefore = mirror::Fmonitor->image->bitmap();
    const raster::Bitmap frameBefore = CurrentFrame;
    MainForm->SpeedButton8Click();
    EXPECT_TRUE(mirror::Fmonitor->image->bitmap().sharesPixelsWith(shownBefore) ||
                (shownBefore.isEmpty() && mirror::Fmonitor->image->bitmap().isEmpty()));
    EXPECT_TRUE(CurrentFrame.sharesPixelsWith(frameBefore));
}

TEST_F(ControlWindow, CollapsedWindowStopsFeedingThePreviewWhileSendingGoesOn) {
    chooseDesktop(true);
    MainForm->cbx1->Click();
    MainForm->Timer3zaslonTimer();
    const int previewFrame = frameNumber(MainForm->slika->bitmap());
    MainForm->SpeedButton7Click(); // Close: collapse to 33 pixels and hide
    EXPECT_EQ(MainForm->height(), 33);
    EXPECT_EQ(MainForm->SavedClientHeight, 278);
    EXPECT_TRUE(MainForm->Timer3zaslon->isActive());
    MainForm->Timer3zaslonTimer();
    MainForm->Timer3zaslonTimer();
    EXPECT_EQ(frameNumber(MainForm->slika->bitmap()), previewFrame);
    EXPECT_EQ(frameNumber(mirror::Fmonitor->image->bitmap()), previewFrame + 2);
}

TEST_F(ControlWindow, HintStripFollowsTheButtonsAndItsSwitch) {
    QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
    QApplication::sendEvent(MainForm->SpeedButton1, &enter);
    EXPECT_TRUE(MainForm->PAnelHint->isVisible());
    EXPECT_EQ(MainForm->PAnelHint->text(), " Desktop ");
    EXPECT_EQ(MainForm->PAnelHint->geometry(), QRect(44, 32, 100, 33));
    QApplication::sendEvent(MainForm->sbSTOP, &enter);
    EXPECT_EQ(MainForm->PAnelHint->geometry(), QRect(44, 2, 100, 28));
    EXPECT_EQ(MainForm->PAnelHint->palette().color(QPalette::Window), QColor(255, 0, 0));

    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(MainForm->sbSTOP, &leave);
    EXPECT_FALSE(MainForm->PAnelHint->isVisible());

    MainForm->ShowHint->trigger(); // untick: the strip lives outside the window
    QApplication::sendEvent(MainForm->SpeedButton1, &enter);
    EXPECT_EQ(MainForm->PAnelHint->x(), -100);
    MainForm->ShowHint->trigger();
    EXPECT_EQ(MainForm->PAnelHint->x(), 44);

    QApplication::sendEvent(MainForm->SpeedButton8, &enter); // over "Send": out of sight
    EXPECT_EQ(MainForm->PAnelHint->y(), 1242);
}

TEST_F(ControlWindow, CekirajTicksAtMostOneSourceItem) {
    MainForm->Cekiraj(6);
    EXPECT_TRUE(MainForm->sourceItems[5]->isChecked());
    MainForm->Cekiraj(2);
    EXPECT_TRUE(MainForm->sourceItems[1]->isChecked());
    EXPECT_FALSE(MainForm->sourceItems[5]->isChecked());
    MainForm->Cekiraj(9);
    for (QAction* item : MainForm->sourceItems)
        EXPECT_FALSE(item->isChecked());
}

TEST_F(ControlWindow, StopAllRunningInsideATickLeavesNoDesktopFrame) {
    chooseDesktop(true);
    MainForm->cbx1->Click();
    // The tick lets pending events run after starting the copy; Stop All is among them.
    QTimer::singleShot(0, MainForm, [] { MainForm->sbSTOPClick(); });
    MainForm->Timer3zaslonTimer();
    EXPECT_EQ(SourceMode, srcStopped);
    EXPECT_TRUE(allBlack(MainForm->slika->bitmap()));
    EXPECT_TRUE(allBlack(CurrentFrame));
    EXPECT_TRUE(allBlack(mirror::Fmonitor->image->bitmap()));
}

TEST(ControlWindowWithoutScreen, ARegionCannotBeDraggedOnAScreenshotThatFailed) {
    Program program(nullptr); // no capture: the screenshot fails
    program.start();
    QApplication::processEvents();
    QString message;
    bool grabShown = false;
    // The message comes up inside OK's handler; it is read and closed from a timer, and then
    // the still open dialog is cancelled.
    QTimer watcher;
    QObject::connect(&watcher, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box) return;
        watcher.stop();
        grabShown = capture::Fgrab->isVisible();
        message = box->text();
        box->accept();
        QTimer::singleShot(0, [] { capture::fAlldesktop->BitBtn2Click(); });
    });
    watcher.start(20);
    QTimer::singleShot(0, [] {
        capture::fAlldesktop->setItemIndex(1);
        capture::fAlldesktop->BitBtn1Click();
    });
    MainForm->SpeedButton1Click();
    EXPECT_TRUE(message.contains("Cannot take a picture of the screen")) << message.toStdString();
    EXPECT_FALSE(grabShown);
    EXPECT_EQ(SourceMode, srcStopped); // Cancel after the message: nothing changed
}

TEST(AutoHideNotice, OnlyOkAppliesTheTick) {
    Program program(nullptr);
    program.start();
    QApplication::processEvents();
    for (const bool ok : {false, true}) {
        AutohideAgain = false;
        MainForm->AutoHide1->setChecked(false);
        QTimer::singleShot(0, [ok] {
            auto* notice = qobject_cast<AutoHideNotice*>(QApplication::activeModalWidget());
            ASSERT_NE(notice, nullptr);
            EXPECT_EQ(notice->height(), 180);
            EXPECT_EQ(notice->dontShowAgain->pos(), QPoint(8, 115));
            notice->dontShowAgain->setChecked(true);
            if (ok)
                notice->ok->click();
            else
                QTest::keyClick(notice, Qt::Key_Escape);
        });
        MainForm->AutoHide1->trigger();
        EXPECT_EQ(AutohideAgain, ok) << (ok ? "OK" : "Esc");
        EXPECT_TRUE(MainForm->Timer2->isActive());
    }
}
