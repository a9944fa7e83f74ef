// The options dialog on the offscreen platform: its start from the stored options, the scale
// spin and history, the update rate, and "Reset all options".
#include "app/ExtraSettings.h"
#include "app/Program.h"
#include "app/mainunit.h"
#include "mirror/umonitor.h"
#include "options/ScaleHistoryFile.h"
#include "options/uoptions.h"
#include "platform/FileSystem.h"

#include "ImageMagick.h"

#include <QApplication>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include <gtest/gtest.h>

using namespace vexmira;
using options::Tfoptions;

namespace {

class OptionsDialog : public ::testing::Test {
  protected:
    void SetUp() override {
        folder = QCoreApplication::applicationDirPath().toStdString();
        std::filesystem::remove(folder / "Vexmira.cfg");
        std::filesystem::remove(folder / "scale.cld");
    }
    void TearDown() override {
        program.reset();
        std::filesystem::remove(folder / "Vexmira.cfg");
        std::filesystem::remove(folder / "scale.cld");
    }
    Tfoptions& start(const std::string& settings = "") {
        if (!settings.empty()) std::ofstream(folder / "Vexmira.cfg") << settings;
        program = std::make_unique<app::Program>(nullptr);
        program->start();
        QApplication::processEvents();
        options::foptions->tell = [this](const QString& text) { told.push_back(text.toStdString()); };
        return *options::foptions;
    }
    std::vector<std::string> told; // what the dialog said to the user
    std::vector<std::string> storedHistory() {
        const auto file = platform::readWholeFile(folder / "scale.cld");
        const auto history = options::readScaleHistory(file.bytes);
        return history ? history->items : std::vector<std::string>{"(unreadable)"};
    }
    std::filesystem::path folder;
    std::unique_ptr<app::Program> program;
};

} // namespace

TEST_F(OptionsDialog, AFreshStartAndTheScaleSpin) {
    Tfoptions& dialog = start();
    EXPECT_TRUE(dialog.cb2->Checked());
    EXPECT_TRUE(dialog.rgscale[1]->isChecked());
    EXPECT_EQ(dialog.Edit1->text(), "1.00");
    EXPECT_EQ(dialog.spinrefresh->value(), 5);
    EXPECT_FALSE(dialog.redpoint->Checked() || dialog.Showcursor1->Checked());
    EXPECT_TRUE(dialog.isHidden());

    app::MainForm->sboptions->click();
    EXPECT_TRUE(dialog.isVisible()) << "shown without blocking";
    EXPECT_TRUE(dialog.Memodisplay->toPlainText().contains("Display 1 ( PRIMARY ) :"));
    EXPECT_TRUE(dialog.TimerCPU->isActive());
    dialog.TimerCPUTimer();
    dialog.TimerCPUTimer();
    EXPECT_TRUE(dialog.Label6->text().endsWith("%"));
    EXPECT_GE(dialog.RLed1->value(), 1) << "0 shows as 1";
    for (int i = 0; i < 10; ++i)
        dialog.SpinUp->click();
    EXPECT_EQ(dialog.Edit1->text(), "1.10");
    EXPECT_DOUBLE_EQ(app::CurrentScale, 1.1);
    EXPECT_FLOAT_EQ(mirror::Fmonitor->image->scale(), 1.1f);

    dialog.rgscale[2]->click(); // Scale
    EXPECT_EQ(app::ScaleIndex, 2);
    EXPECT_EQ(mirror::Fmonitor->image->scaleMode(), raster::ScaleMode::smScale);
    dialog.cb2->Click();
    EXPECT_FALSE(app::DisplayScale.centred);

    const int rates[][2] = {{3, 333}, {1000, 1}, {7, 142}};
    for (const auto& r : rates) {
        dialog.spinrefresh->setValue(r[0]);
        EXPECT_EQ(app::MainForm->Timer3zaslon->interval(), 200) << "not before Confirm Changes";
        dialog.XiButton5->click();
        EXPECT_EQ(app::MainForm->Timer3zaslon->interval(), r[1]);
        EXPECT_EQ(app::MainForm->Timer1->interval(), r[1]);
        dialog.spinrefresh->setValue(5);
        dialog.XiButton5->click();
    }
    dialog.hide();
    EXPECT_FALSE(dialog.TimerCPU->isActive());
}

TEST_F(OptionsDialog, TheHistoryKeepsEachScaleOnceNewestFirstAndEscKeepsTheFile) {
    Tfoptions& dialog = start();
    for (const char* text : {"1.00", "2.00", "1.00"}) {
        dialog.show();
        dialog.Edit1->setText(text);
        dialog.BitBtn2->click(); // Close
    }
    EXPECT_EQ(storedHistory(), (std::vector<std::string>{"1.00", "2.00"}));
    const auto longAgo = std::filesystem::file_time_type::clock::now() - std::chrono::hours(24);
    std::filesystem::last_write_time(folder / "scale.cld", longAgo);
    dialog.show();
    EXPECT_EQ(dialog.CBX->count(), 2);
    EXPECT_EQ(dialog.CBX->itemText(0), "1.00");
    dialog.CBX->setCurrentIndex(1);
    dialog.CBXClick();
    EXPECT_DOUBLE_EQ(app::CurrentScale, 2.0);
    EXPECT_EQ(dialog.Edit1->text(), "2.00");
    dialog.reject(); // Esc
    EXPECT_EQ(std::filesystem::last_write_time(folder / "scale.cld"), longAgo);

    // A broken file leaves the box as it was.
    std::ofstream(folder / "scale.cld", std::ios::binary) << "TPF0\x09TComboBox\x03"
                                                             "CBX\x04Text\x06\x30";
    dialog.show();
    EXPECT_EQ(dialog.CBX->count(), 2);
    dialog.hide();
}

TEST_F(OptionsDialog, ResetAllOptionsAsksFirstThenRestoresTheDefaults) {
    Tfoptions& dialog =
        start("[Options]\noptShowcursor=1\noptCenter=0\noptScaleIndex=4\nopScaleValue=250\n"
              "[Extras]\nMaskedClasses=KeePassXC\nReattach=1\nReattachTitle=Show*\nFollowMargin=9\n"
              "BlankKey=Ctrl+Alt+X\n");
    EXPECT_TRUE(dialog.Showcursor1->Checked());
    EXPECT_TRUE(dialog.rgscale[4]->isChecked());
    EXPECT_EQ(dialog.Edit1->text(), "2.50");
    dialog.Edit1->setText("2.50");
    dialog.BitBtn2->click();
    ASSERT_TRUE(std::filesystem::exists(folder / "scale.cld"));
    app::MainForm->SaveSettings();
    ASSERT_TRUE(std::filesystem::exists(folder / "Vexmira.cfg"));

    QString asked;
    dialog.confirm = [&](const QString& question) {
        asked = question;
        return false;
    };
    dialog.SpeedButton5->click();
    EXPECT_EQ(asked, "Are you sure you want to reset all options ?");
    EXPECT_TRUE(dialog.Showcursor1->Checked()) << "No changes nothing";
    dialog.confirm = [](const QString&) { return true; };
    dialog.SpeedButton5->click();
    EXPECT_TRUE(dialog.cb2->Checked());
    EXPECT_TRUE(dialog.rgscale[1]->isChecked());
    EXPECT_FALSE(dialog.Showcursor1->Checked());
    EXPECT_EQ(dialog.Edit1->text(), "1.00");
    EXPECT_EQ(dialog.spinrefresh->value(), 5);
    EXPECT_EQ(dialog.CBX->count(), 0);
    EXPECT_FALSE(std::filesystem::exists(folder / "Vexmira.cfg"));
    EXPECT_FALSE(std::filesystem::exists(folder / "scale.cld"));
    EXPECT_TRUE(app::MainForm->AutoHide1->isChecked()) << "auto-hide on, as the reset has it";
    EXPECT_EQ(app::ScaleIndex, 1);
    EXPECT_TRUE(app::DisplayScale.centred);
    EXPECT_FALSE(app::Overlay.showCursor);
    EXPECT_EQ(app::Extras, app::ExtraSettings{}) << "the extras go back to their defaults too";
    EXPECT_TRUE(dialog.maskedClasses->text().isEmpty());
    EXPECT_TRUE(dialog.reattachTitle->text().isEmpty());
    EXPECT_EQ(dialog.followMargin->value(), 64);
    app::MainForm->SaveSettings();
    std::ifstream written(folder / "Vexmira.cfg");
    const std::string text((std::istreambuf_iterator<char>(written)), std::istreambuf_iterator<char>());
    EXPECT_EQ(text.find("KeePassXC"), std::string::npos) << text;
}

// Items of the history that are no scales the arrows could reach are refused with a message,
// and a history file that cannot be written is said, never only logged.
TEST_F(OptionsDialog, BadHistoryItemsAndAnUnwritableHistoryAreSaid) {
    Tfoptions& dialog = start();
    const double before = app::CurrentScale;
    for (const char* item : {"50%", "1e308", "0.01", "abc"}) {
        told.clear();
        dialog.CBX->setEditText(item);
        dialog.CBXClick();
        ASSERT_EQ(told.size(), 1u) << item;
        EXPECT_NE(told.front().find(item), std::string::npos) << told.front();
        EXPECT_EQ(app::CurrentScale, before) << item;
    }
    told.clear();
    dialog.CBX->setEditText("2,5");
    dialog.CBXClick();
    EXPECT_TRUE(told.empty());
    EXPECT_DOUBLE_EQ(app::CurrentScale, 2.5);

    std::filesystem::create_directory(folder / "scale.cld"); // a folder where the file goes
    dialog.BitBtn2->click();
    ASSERT_EQ(told.size(), 1u);
    EXPECT_NE(told.front().find("scale.cld"), std::string::npos) << told.front();
    std::filesystem::remove(folder / "scale.cld");
}
