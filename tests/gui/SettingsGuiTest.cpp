// The control window reading and writing its settings file, on the offscreen platform.
#include "app/Program.h"
#include "app/mainunit.h"
#include "mirror/umonitor.h"
#include "platform/IniFile.h"

#include <QApplication>
#include <QGuiApplication>
#include <QScreen>
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <functional>

using namespace vexmira;
using namespace vexmira::app;

namespace {

class SettingsOfTheControlWindow : public ::testing::Test {
  protected:
    void SetUp() override {
        path = (QCoreApplication::applicationDirPath() + "/Vexmira.cfg").toStdString();
        std::remove(path.c_str());
    }
    void TearDown() override {
        program.reset();
        std::remove(path.c_str());
    }
    void startWith(const std::string& text) {
        if (!text.empty()) std::ofstream(path, std::ios::binary) << text;
        program = std::make_unique<Program>(nullptr);
    }
    std::string path;
    std::unique_ptr<Program> program;
};

} // namespace

TEST_F(SettingsOfTheControlWindow, FirstRunUsesTheDefaults) {
    startWith("");
    const QRect primary = QGuiApplication::primaryScreen()->geometry();
    EXPECT_EQ(MainForm->pos(), QPoint(primary.width() - 500, 100));
    EXPECT_TRUE(MainForm->ShowHint->isChecked());
    EXPECT_EQ(MainForm->PAnelHint->x(), 44);
    EXPECT_FALSE(MainForm->AutoHide1->isChecked());
    EXPECT_FALSE(MainForm->Timer2->isActive());
    EXPECT_DOUBLE_EQ(CurrentScale, 1.0);
    EXPECT_EQ(DisplayScale.mode, raster::ScaleMode::smOptimal);
    EXPECT_TRUE(DisplayScale.centred);
    EXPECT_EQ(HotKeyText, "None");
    EXPECT_FALSE(std::ifstream(path).good()); // nothing is written at start-up
}

TEST_F(SettingsOfTheControlWindow, CapitalsScaleAndOffScreenPositions) {
    startWith("[VELIKOST]\nLEVO=-20\nGOR=2\n[OPTIONS]\nSHOWHINT=0\nOPSCALEVALUE=150\nOPTAUTOHIDE="
              "1\nOPTSCALEINDEX=4\n");
    EXPECT_EQ(MainForm->pos(), QPoint(5, 5));
    EXPECT_FALSE(MainForm->ShowHint->isChecked());
    EXPECT_EQ(MainForm->PAnelHint->x(), -100);
    EXPECT_DOUBLE_EQ(CurrentScale, 1.5);
    EXPECT_EQ(DisplayScale.mode, raster::ScaleMode::smStretch);
    EXPECT_TRUE(MainForm->AutoHide1->isChecked());
    EXPECT_TRUE(MainForm->Timer2->isActive());
}

TEST_F(SettingsOfTheControlWindow, NotANumberGivesTheDefaultAndFarRightIsPulledBack) {
    const QRect primary = QGuiApplication::primaryScreen()->geometry();
    startWith("[Velikost]\nLevo=" + std::to_string(primary.width() - 100) +
              "\nGor=" + std::to_string(primary.height()) + "\n[Options]\nopScaleValue=big\nrefreshRate=x\n");
    EXPECT_EQ(MainForm->pos(), QPoint(5, 5));
    EXPECT_DOUBLE_EQ(CurrentScale, 1.0);
    EXPECT_EQ(RefreshRate, 5);
}

TEST_F(SettingsOfTheControlWindow, ValuesTheOptionsCannotShowReadAsTheirDefaults) {
    const struct {
        const char* line;
        std::function<bool()> holds;
    } cases[] = {
        {"refreshRate=0", [] { return RefreshRate == 1; }},
        {"refreshRate=5000", [] { return RefreshRate == 1000; }},
        {"opScaleValue=nan", [] { return CurrentScale == 1.0; }},
        {"opScaleValue=inf", [] { return CurrentScale == 1.0; }},
        {"opScaleValue=-50", [] { return CurrentScale == 1.0; }},
        {"opScaleValue=0", [] { return CurrentScale == 1.0; }},
        {"optScaleIndex=9", [] { return ScaleIndex == 1; }},
        {"optScaleIndex=-1", [] { return ScaleIndex == 1; }},
        {"optShowcursor=2", [] { return !Overlay.showCursor; }},
        {"optShowRedPoint=2", [] { return !Overlay.showRedPoint; }},
        {"optCenter=2", [] { return !DisplayScale.centred; }},
        {"optCenter=1", [] { return DisplayScale.centred; }},
    };
    for (const auto& c : cases) {
        program.reset();
        startWith(std::string("[Options]\n") + c.line + "\n");
        EXPECT_TRUE(c.holds()) << c.line;
    }
}

TEST_F(SettingsOfTheControlWindow, SavingKeepsWhatItDoesNotUnderstand) {
    startWith(
        "[Velikost]\nLevo=300\nGor=200\n[Options]\nrefreshRate=25\nHotKey=Ctrl+F9\nCbBeep=1\noptIkonAgain=1\n"
        "optShowcursor=1\nStart=1\nfutureKey=keep me\n[Elsewhere]\nx=1\n");
    MainForm->move(320, 240);
    MainForm->SaveSettings();
    const platform::IniFile saved(path);
    EXPECT_EQ(saved.readInteger("Velikost", "Levo", 0), 320);
    EXPECT_EQ(saved.readInteger("Velikost", "Gor", 0), 240);
    EXPECT_EQ(saved.readInteger("Options", "refreshRate", 0), 25);
    EXPECT_EQ(saved.readString("Options", "HotKey", ""), "Ctrl+F9");
    EXPECT_EQ(saved.readInteger("Options", "CbBeep", 0), 1);
    EXPECT_EQ(saved.readInteger("Options", "optIkonAgain", 0), 1);
    EXPECT_EQ(saved.readInteger("Options", "optShowcursor", 0), 1);
    EXPECT_EQ(saved.readInteger("Options", "Start", 0), 1);
    EXPECT_EQ(saved.readInteger("Options", "optStbar", 9), 0);
    EXPECT_EQ(saved.readString("Options", "futureKey", ""), "keep me");
    EXPECT_EQ(saved.readInteger("Elsewhere", "x", 0), 1);
    EXPECT_EQ(saved.readFloat("Options", "opScaleValue", 0), 100.0);
}

TEST_F(SettingsOfTheControlWindow, AFreshFileHoldsEveryKeyInOrder) {
    startWith("");
    MainForm->SaveSettings();
    std::ifstream in(path);
    std::string text((std::istreambuf_iterator<char>(in)), {});
    const char* order[] = {"[Velikost]",       "Levo=",           "Gor=",
                           "[Options]",        "optShowcursor=0", "optShowredpoint=0",
                           "Start=0",          "optCenter=1",     "optScaleIndex=1",
                           "opScaleValue=100", "refreshRate=5",   "optAutohideagain=0",
                           "optAutohide=0",    "ShowHint=1",      "optStbar=0",
                           "HotKey=None",      "CbBeep=0"};
    std::size_t at = 0;
    for (const char* piece : order) {
        const std::size_t found = text.find(piece, at);
        ASSERT_NE(found, std::string::npos) << piece;
        at = found;
    }
    EXPECT_EQ(text.find("optIkonAgain"), std::string::npos);
}

TEST_F(SettingsOfTheControlWindow, KeepOnScreenAndDisplayCommands) {
    startWith("");
    const int screenWidth = QGuiApplication::primaryScreen()->geometry().width();
    MainForm->move(screenWidth - 10, 100);
    MainForm->Timer3Timer();
    EXPECT_EQ(MainForm->x(), screenWidth - MainForm->width() - 30);
    MainForm->move(screenWidth - 40, 100); // within the margin: stays
    MainForm->Timer3Timer();
    EXPECT_EQ(MainForm->x(), screenWidth - 40);

    mirror::Fmonitor->show();
    MainForm->sbseconddisplayClick();
    EXPECT_FALSE(mirror::Fmonitor->isVisible());
    EXPECT_FALSE(MainForm->sbseconddisplay->isChecked());
    MainForm->sbseconddisplayClick();
    EXPECT_TRUE(mirror::Fmonitor->isVisible());
    EXPECT_TRUE(MainForm->sbseconddisplay->isChecked());
}
