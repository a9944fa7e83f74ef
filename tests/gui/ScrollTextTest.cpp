// The scrolling text on the offscreen platform: the setup's files, its live preview, and what
// "Send Text", "Hide" and Stop All do to the display window and the control window.
#include "app/Program.h"
#include "app/mainunit.h"
#include "sources/uscrollset.h"

#include "ImageMagick.h"

#include <QApplication>
#include <QFontInfo>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <gtest/gtest.h>

using namespace vexmira;
using namespace vexmira::testing;
using sources::Tfscrolset;

namespace {

struct ScriptedFiles : sources::UserQuestions {
    QString open, save;
    QStringList warned;
    std::optional<FileToOpen> fileToOpen(QWidget*, const QString&, const QString&, bool) override {
        return FileToOpen{open};
    }
    QString fileToSave(QWidget*, const QString&, const QString&, const QString&, const QString&,
                       bool) override {
        return save;
    }
    void warn(QWidget*, const QString& text) override { warned << text; }
    void tell(QWidget*, const QString& text) override { warned << text; }
};

QString qs(const std::filesystem::path& path) {
    return QString::fromStdString(path.string());
}

const std::filesystem::path sctData = VEXMIRA_SCT_DATA;

} // namespace

TEST(ScrollTextSetup, FilesKeepEveryValueAndOpeningNeverWritesBack) {
    TemporaryFolder folder;
    Tfscrolset written("/tmp");
    auto* files = new ScriptedFiles;
    written.setQuestions(std::unique_ptr<sources::UserQuestions>(files));
    written.Edit1->setText("Line one\nline two"); // pasted with a line break
    EXPECT_EQ(written.Edit1->text(), "Line one line two");
    written.Xinterval->setPosition(40);
    written.Xstep->setPosition(3);
    written.SpinEdit1->setValue(44);
    written.rgTop->setChecked(true);
    written.rtmSet->setColor(QColor(10, 20, 30));
    written.rtmSet->setFontColor(QColor(200, 100, 50));
    QFont font("DejaVu Serif");
    font.setPointSize(15);
    font.setItalic(true);
    written.rtmSet->setMarqueeFont(font);
    files->save = qs(folder / "setup.sct");
    written.SpeedButton5Click();
    const std::string saved = fileText(folder / "setup.sct");
    // The keys in their order, colours with red in the low byte.
    const char* keys[] = {
        "text=",    "gb2=",   "xinterval=", "xstep=", "backcolor=", "height=", "position=", "fcolor=",
        "fheight=", "fname=", "fpitch=",    "fsize=", "fs1=",       "fs2=",    "fs3=",      "fs4="};
    std::size_t at = 0;
    for (const char* key : keys) {
        const std::size_t found = saved.find(std::string("\n") + key, at);
        ASSERT_NE(found, std::string::npos) << key << " in order in\n" << saved;
        at = found + 1;
    }
    EXPECT_NE(saved.find("backcolor=" + std::to_string(10 | 20 << 8 | 30 << 16)), std::string::npos);
    EXPECT_NE(saved.find("fs2=1"), std::string::npos);

    Tfscrolset read("/tmp");
    auto* reader = new ScriptedFiles;
    read.setQuestions(std::unique_ptr<sources::UserQuestions>(reader));
    reader->open = qs(folder / "setup.sct");
    const auto longAgo = std::filesystem::file_time_type::clock::now() - std::chrono::hours(48);
    std::filesystem::last_write_time(folder / "setup.sct", longAgo);
    read.SpeedButton6Click();
    EXPECT_TRUE(reader->warned.isEmpty());
    EXPECT_EQ(std::filesystem::last_write_time(folder / "setup.sct"), longAgo)
        << "opening does not write the file";
    EXPECT_EQ(fileText(folder / "setup.sct"), saved);
    EXPECT_EQ(read.setup().text, "Line one line two");
    EXPECT_EQ(read.Xinterval->Position(), 40);
    EXPECT_EQ(read.rtmSet->Interval(), 40u);
    EXPECT_EQ(read.rtmSet->Step(), 3);
    EXPECT_EQ(read.SpinEdit1->value(), 44);
    EXPECT_EQ(read.rtmSet->height(), 44);
    EXPECT_TRUE(read.rgTop->isChecked());
    EXPECT_EQ(read.rtmSet->Color(), QColor(10, 20, 30));
    EXPECT_EQ(read.rtmSet->FontColor(), QColor(200, 100, 50));
    EXPECT_EQ(read.rtmSet->font().family(), "DejaVu Serif");
    EXPECT_EQ(read.rtmSet->font().pointSize(), 15);
    EXPECT_TRUE(read.rtmSet->font().italic());
    EXPECT_EQ(read.rtmSet->Item(0).Text(), "Line one line two");
    EXPECT_TRUE(read.rtmSet->Active());
}

TEST(ScrollTextSetup, OtherWritersWrongValuesAndFilesThatCannotBeUsed) {
    TemporaryFolder folder;
    Tfscrolset setup("/tmp");
    auto* files = new ScriptedFiles;
    setup.setQuestions(std::unique_ptr<sources::UserQuestions>(files));
    files->open = qs(sctData / "other-library.sct");
    setup.SpeedButton6Click();
    EXPECT_EQ(setup.Edit1->text(),
              QString::fromUtf8("Written by another INI library: caf\xC3\xA9 \xE2\x82\xAC"));
    EXPECT_EQ(setup.Xinterval->Position(), 25);
    EXPECT_EQ(setup.rtmSet->Color(), QColor(0, 255, 0));
    EXPECT_EQ(setup.rtmSet->FontColor(), QColor(0, 0, 255));
    EXPECT_EQ(setup.SpinEdit1->value(), 36);
    EXPECT_TRUE(setup.rgTop->isChecked());
    EXPECT_EQ(setup.rtmSet->font().family(), "DejaVu Serif");
    EXPECT_EQ(setup.rtmSet->font().pointSize(), 14);
    EXPECT_TRUE(setup.rtmSet->font().italic());

    // Wrong kinds give the defaults; a bold italic style (all four 0) leaves the style alone;
    // cp1252 text is read as such; sliders keep their range.
    std::ofstream(folder / "odd.sct")
        << "[scroll]\r\ntext=na\xEFve\r\nxinterval=fast\r\nxstep=99\r\nheight=tall\r\n"
        << "backcolor=-5\r\nfs1=0\r\nfs2=0\r\nfs3=0\r\nfs4=0\r\n";
    files->open = qs(folder / "odd.sct");
    setup.SpeedButton6Click();
    EXPECT_EQ(setup.Edit1->text(), QString::fromUtf8("na\xC3\xAFve"));
    EXPECT_EQ(setup.Xinterval->Position(), 10);
    EXPECT_EQ(setup.Xstep->Position(), 20);
    EXPECT_EQ(setup.SpinEdit1->value(), 20);
    EXPECT_EQ(setup.rtmSet->Color(), QColor(255, 255, 255));
    EXPECT_TRUE(setup.rtmSet->font().italic()) << "the style stays as it was";

    // A missing file and a folder: a message naming it, and nothing changes.
    std::filesystem::create_directory(folder / "folder.sct");
    for (const auto& bad : {folder / "missing.sct", folder / "folder.sct"}) {
        files->warned.clear();
        files->open = qs(bad);
        setup.SpeedButton6Click();
        ASSERT_EQ(files->warned.size(), 1) << bad;
        EXPECT_TRUE(files->warned[0].contains(qs(bad)));
        EXPECT_EQ(setup.Edit1->text(), QString::fromUtf8("na\xC3\xAFve"));
    }
    files->warned.clear();
    files->save = qs(folder / "no" / "such.sct");
    setup.SpeedButton5Click();
    ASSERT_EQ(files->warned.size(), 1);
    EXPECT_TRUE(files->warned[0].startsWith("Cannot save " + qs(folder / "no" / "such.sct")));
}

TEST(ScrollText, SendTextHideAndStopAllOnTheDisplayAndTheControlWindow) {
    app::Program program(nullptr);
    program.start();
    QApplication::processEvents();
    Tfscrolset& setup = *sources::fscrolset;
    mirror::TFmonitor& display = *mirror::Fmonitor;
    app::MainForm->SBSCrollClick();
    EXPECT_TRUE(setup.isVisible());
    EXPECT_TRUE(app::MainForm->sourceItems[5]->isChecked());
    EXPECT_EQ(app::SourceMode, app::srcStopped) << "the setup is no source";

    // The preview runs while the setup shows, and rests while it is hidden.
    setup.Edit1->setText("News");
    EXPECT_TRUE(setup.rtmSet->timerRunning());
    setup.Xinterval->setPosition(0);
    setup.Xstep->setPosition(0);
    EXPECT_EQ(setup.rtmSet->Interval(), 1u) << "the timer's shortest period";
    EXPECT_EQ(setup.rtmSet->Step(), 1);
    setup.SpinEdit1->setValue(6);
    EXPECT_EQ(setup.rtmSet->height(), 20) << "6 or less leaves the preview's height";
    EXPECT_EQ(setup.rtmSet->y(), 105 - 10);
    setup.rtmSet->setColor(QColor(255, 0, 0));

    const int full = display.height();
    setup.SpinEdit1->setValue(40);
    setup.rgTop->setChecked(true);
    setup.SpeedButton8->click(); // Send Text
    ASSERT_TRUE(display.rtmdis->isVisible());
    EXPECT_EQ(display.rtmdis->geometry(), QRect(0, 0, display.width(), 40));
    EXPECT_EQ(display.image->geometry(), QRect(0, 40, display.width(), full - 40));
    EXPECT_EQ(display.redMonitor->geometry(), display.image->geometry());
    EXPECT_EQ(display.rtmdis->Item(0).Text(), "News");
    EXPECT_EQ(display.rtmdis->Color(), QColor(255, 0, 0));
    EXPECT_TRUE(display.rtmdis->Active() && display.rtmdis->timerRunning());
    EXPECT_TRUE(app::MainForm->pscroll->isVisible());
    EXPECT_EQ(app::MainForm->pscroll->y(), 0);
    EXPECT_EQ(app::MainForm->pscroll->text(), "News");

    // A second Send replaces the settings of the running strip: 6 pixels, at the bottom.
    setup.SpinEdit1->setValue(6);
    setup.rgBottom->setChecked(true);
    setup.SpeedButton8->click();
    EXPECT_EQ(display.rtmdis->geometry(), QRect(0, full - 6, display.width(), 6));
    EXPECT_EQ(display.image->geometry(), QRect(0, 0, display.width(), full - 6));
    EXPECT_EQ(app::MainForm->pscroll->y(),
              app::MainForm->Panel1->height() - app::MainForm->pscroll->height());

    setup.sbhide->click();
    EXPECT_FALSE(display.rtmdis->isVisible());
    EXPECT_FALSE(display.rtmdis->timerRunning());
    EXPECT_FALSE(app::MainForm->pscroll->isVisible());
    EXPECT_EQ(display.image->geometry(), display.rect());

    setup.SpeedButton8->click();
    app::MainForm->sbSTOPClick();
    EXPECT_FALSE(display.rtmdis->isVisible());
    EXPECT_FALSE(display.rtmdis->Active());
    EXPECT_FALSE(app::MainForm->pscroll->isVisible());

    setup.hide();
    EXPECT_FALSE(setup.rtmSet->timerRunning());
}

TEST(ScrollText, ATickThatFindsTheMarqueeBusyIsNotCounted) {
    widgets::TRealTimeMarquee marquee;
    marquee.Add().setText("busy");
    marquee.setStep(0);
    EXPECT_EQ(marquee.Step(), 1);
    marquee.show();
    marquee.setActive(true);
    ASSERT_TRUE(marquee.timerRunning());
    marquee.Tick();
    const int moved = marquee.run().tailOffset;
    {
        auto busy = marquee.busy();
        marquee.Tick();
    }
    EXPECT_EQ(marquee.run().tailOffset, moved);
    marquee.Tick();
    EXPECT_EQ(marquee.run().tailOffset, moved + 1);
}

TEST(ScrollText, ATextChangedWhileRunningIsDrawnCentredAcrossTheStrip) {
    widgets::TRealTimeMarquee marquee;
    marquee.resize(300, 40);
    marquee.Add().setText("first");
    marquee.show();
    marquee.setActive(true);
    for (int i = 0; i < 120; ++i)
        marquee.Tick();
    marquee.Item(0).setText("Second text, longer"); // its picture is made again at the next drawing
    const QImage shown = marquee.grab().toImage();
    int top = -1, bottom = -1;
    for (int y = 0; y < shown.height(); ++y)
        for (int x = 0; x < shown.width(); ++x)
            if (qGray(shown.pixel(x, y)) < 128) {
                if (top < 0) top = y;
                bottom = y;
            }
    ASSERT_GE(top, 0) << "no text drawn";
    const QFontMetrics metrics(marquee.font());
    const int lineTop = (40 - metrics.height()) / 2;
    EXPECT_GE(top, lineTop);
    EXPECT_LE(bottom, lineTop + metrics.height());
}

TEST(ScrollText, TheLongestTextAndATallFontDrawOnlyWhatShows) {
    widgets::TRealTimeMarquee marquee;
    marquee.resize(400, 20);
    QFont tall("DejaVu Sans");
    tall.setPixelSize(400); // far taller than the strip
    marquee.setMarqueeFont(tall);
    marquee.Add().setText(QString(32767, QChar('W')));
    marquee.show();
    marquee.setActive(true);
    for (int i = 0; i < 600; ++i)
        marquee.Tick();
    ASSERT_GT(marquee.Item(0).size().width(), 1 << 20) << "wider than any X picture";
    const QImage shown = marquee.grab().toImage();
    EXPECT_EQ(shown.size(), QSize(400, 20));
    int dark = 0;
    for (int y = 0; y < shown.height(); ++y)
        for (int x = 0; x < shown.width(); ++x)
            dark += qGray(shown.pixel(x, y)) < 128;
    EXPECT_GT(dark, 0) << "the middle of the tall letters shows";
}

// A UTF-16 file of another writer is read; a text beyond the line field's own 32,767 characters
// arrives whole; a size no font has, with no height, is the default rather than the last file's.
TEST(ScrollTextSetup, WideFilesLongTextsAndSizesNoFontHas) {
    TemporaryFolder folder;
    Tfscrolset setup("/tmp");
    auto* files = new ScriptedFiles;
    setup.setQuestions(std::unique_ptr<sources::UserQuestions>(files));
    std::ofstream(folder / "big.sct") << "[scroll]\r\ntext=big\r\nfsize=20\r\nfheight=-27\r\n";
    files->open = qs(folder / "big.sct");
    setup.SpeedButton6Click();
    EXPECT_EQ(setup.rtmSet->font().pointSize(), 20);

    const QString longText = QString("word ").repeated(8000); // 40,000 characters
    const QString content = "[scroll]\r\ntext=" + longText + "\r\nfsize=0\r\nfheight=0\r\n";
    std::string wide = "\xFF\xFE";
    for (const char16_t unit : content.toStdU16String())
        wide += std::string{static_cast<char>(unit & 0xFF), static_cast<char>(unit >> 8)};
    std::ofstream(folder / "wide.sct", std::ios::binary) << wide;
    files->open = qs(folder / "wide.sct");
    setup.SpeedButton6Click();
    EXPECT_TRUE(files->warned.isEmpty()) << files->warned.join("; ").toStdString();
    EXPECT_EQ(setup.Edit1->text(), longText.trimmed()) << "whole, from the wide file";
    EXPECT_EQ(setup.rtmSet->font().pointSize(), 8) << "the default size, not the last file's";
}
