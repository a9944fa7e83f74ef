// The slide show: the setup window's list (drops, moves, sorting, list files, the preview box and
// its player) and the control window's slide panel stepping through it.
#include "ImageMagick.h"
#include "app/Program.h"
#include "app/mainunit.h"
#include "mirror/umonitor.h"
#include "platform/PictureFile.h"
#include "raster/ImageFile.h"
#include "sources/uss.h"

#include <QApplication>
#include <QDropEvent>
#include <QMimeData>
#include <QThread>
#include <QUrl>
#include <fstream>

#include <gtest/gtest.h>

using namespace vexmira;
using vexmira::testing::TemporaryFolder;
namespace fs = std::filesystem;

namespace {

// Answers in the user's place and remembers what the window said.
struct Answers : sources::UserQuestions {
    QString listToOpen, listToSave;
    bool openSlideShow = false;
    QStringList warnings, exclamations, confirmations;
    std::optional<FileToOpen> fileToOpen(QWidget*, const QString&, const QString&, bool) override {
        if (listToOpen.isEmpty()) return std::nullopt;
        return FileToOpen{listToOpen, false};
    }
    QString fileToSave(QWidget*, const QString&, const QString&, const QString&, const QString&,
                       bool) override {
        return listToSave;
    }
    void warn(QWidget*, const QString& text) override { warnings << text; }
    void exclaim(QWidget*, const QString& title, const QString& text) override {
        exclamations << title + "|" + text;
    }
    bool confirm(QWidget*, const QString& question) override {
        confirmations << question;
        return openSlideShow;
    }
};

struct SetupWindow {
    bool stop = false;
    int index = 2;
    sources::Tfss window{stop, index, {}};
    Answers* answers = new Answers;
    SetupWindow() { window.setQuestions(std::unique_ptr<sources::UserQuestions>(answers)); }
    std::vector<std::string> names() const {
        std::vector<std::string> shown;
        for (int row = 0; row < window.tabela->topLevelItemCount(); ++row)
            shown.push_back(window.tabela->topLevelItem(row)->text(0).toStdString());
        return shown;
    }
    void select(std::initializer_list<int> rows) {
        window.tabela->clearSelection();
        for (int row : rows)
            window.tabela->topLevelItem(row)->setSelected(true);
    }
};

void drop(QWidget& target, const QList<QUrl>& urls) {
    QMimeData data;
    data.setUrls(urls);
    QDragEnterEvent enter(QPoint(20, 100), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&target, &enter);
    ASSERT_TRUE(enter.isAccepted()) << "the window takes dropped files";
    QDropEvent dropped(QPointF(20, 100), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&target, &dropped);
    QApplication::processEvents(); // the files are taken once the drop is finished
}

QUrl fileUrl(const fs::path& file) {
    return QUrl::fromLocalFile(QString::fromStdString(file.string()));
}

raster::Bitmap picture(int width, int height, raster::Bgra colour) {
    raster::Bitmap p(width, height, 24);
    p.fill(colour);
    return p;
}

void writeText(const fs::path& file, const std::string& text) {
    std::ofstream(file, std::ios::binary) << text;
}

} // namespace

TEST(SlideSetup, DroppedFilesAreListedInOrderSavedAndReadBack) {
    TemporaryFolder folder;
    const std::vector<std::string> slides = {"caf\xC3\xA9 \xE2\x80\x94 1.jpg", "a, b.png", "say \"hi\".bmp",
                                             "Notes.TXT"};
    platform::savePicture(folder / slides[0], picture(640, 480, 0xFFFF0000), raster::ImageFormat::Jpeg);
    platform::savePicture(folder / slides[1], picture(40, 30, 0xFF00FF00), raster::ImageFormat::Png);
    platform::savePicture(folder / slides[2], picture(10, 20, 0xFF0000FF), raster::ImageFormat::Bmp);
    writeText(folder / slides[3], "words");
    writeText(folder / "x.gif", "GIF89a");
    writeText(folder / "line\nbreak.png", "");
    fs::create_directory(folder / "folder.jpg");

    SetupWindow setup;
    drop(setup.window, {fileUrl(folder / slides[0]), fileUrl(folder / "x.gif"), fileUrl(folder / slides[1]),
                        fileUrl(folder / "folder.jpg"), QUrl("https://example.org/remote.jpg"),
                        fileUrl(folder / "line\nbreak.png"), fileUrl(folder / slides[2]),
                        fileUrl(folder / slides[3]), fileUrl(folder / slides[0])});
    ASSERT_EQ(setup.names(), slides)
        << "in the drop's order; a duplicate, a .gif, a folder, a web address and "
           "a name a list file cannot hold are passed over";
    EXPECT_TRUE(setup.answers->warnings.isEmpty());
    EXPECT_EQ(setup.window.tabela->topLevelItem(0)->text(4), "640 X 480");
    EXPECT_EQ(setup.window.tabela->topLevelItem(0)->text(3), QString::fromStdString(folder.path().string()));

    // The entry preview: a 640 x 480 picture is shown at 209 x 156; a text in the text box.
    setup.select({0});
    setup.window.tabelaDblClick();
    EXPECT_EQ(setup.window.slika->pixmap().size(), QSize(209, 156));
    setup.select({3});
    setup.window.tabelaDblClick();
    EXPECT_FALSE(setup.window.Editor->isHidden());
    EXPECT_EQ(setup.window.Editor->toPlainText(), "words");

    // Sorted by name (the second click: ascending), saved and opened again in another window: the
    // same files in the same order, loop flag and duration.
    setup.window.tabelaColumnClick(0);
    setup.window.tabelaColumnClick(0);
    const std::vector<std::string> sorted = {slides[1], slides[0], slides[3], slides[2]};
    ASSERT_EQ(setup.names(), sorted);
    setup.window.cbLoop->setChecked(true);
    setup.window.tbr->setPosition(17);
    setup.answers->listToSave = QString::fromStdString((folder / "show.lvx").string());
    setup.window.XiButton3Click();
    SetupWindow again;
    again.answers->listToOpen = setup.answers->listToSave;
    again.window.XiButton2Click();
    EXPECT_EQ(again.names(), sorted);
    EXPECT_TRUE(again.window.cbLoop->Checked());
    EXPECT_EQ(again.window.tbr->Position(), 17);
    EXPECT_EQ(again.window.l_td->text(), "Slide duration: 17 s");
    ASSERT_EQ(again.window.lineCount(), 6);
    EXPECT_EQ(again.window.line(0), "1");
    EXPECT_EQ(again.window.line(1), "17");
    EXPECT_EQ(again.window.line(3), (folder / slides[0]).string());
    EXPECT_EQ(again.window.line(6), "") << "beyond the end: no slide";
}

TEST(SlideSetup, MovesSortingAndRemoving) {
    TemporaryFolder folder;
    std::vector<fs::path> files;
    for (const char* name : {"a.txt", "b.txt", "c.txt", "d.txt", "e.txt"}) {
        writeText(folder / name, name);
        files.push_back(folder / name);
    }
    SetupWindow setup;
    for (const fs::path& file : files)
        setup.window.AddListEntry(file);
    using Names = std::vector<std::string>;

    setup.select({2});
    for (int i = 0; i < 3; ++i)
        setup.window.SB3Click();
    EXPECT_EQ(setup.names(), (Names{"a.txt", "b.txt", "d.txt", "e.txt", "c.txt"}))
        << "up from the top: to the end";
    setup.window.sb4Click();
    EXPECT_EQ(setup.names(), (Names{"a.txt", "b.txt", "d.txt", "e.txt", "c.txt"}))
        << "down from the end: stays";
    setup.select({3, 1}); // the first selected is the lowest row, whatever the order of clicks
    setup.window.sb4Click();
    EXPECT_EQ(setup.names(), (Names{"a.txt", "d.txt", "b.txt", "e.txt", "c.txt"}));
    EXPECT_EQ(setup.window.selectedRows(), (std::vector<int>{2, 3}))
        << "the selection moves with the entries";
    setup.window.Button1Click();
    EXPECT_EQ(setup.window.line(3), files[3].string()) << "the slides follow the list's order";

    setup.window.tabelaColumnClick(0);
    EXPECT_EQ(setup.names(), (Names{"e.txt", "d.txt", "c.txt", "b.txt", "a.txt"}))
        << "the first click: descending";
    setup.window.tabelaColumnClick(3); // another column: same folder, by name, now ascending
    EXPECT_EQ(setup.names(), (Names{"a.txt", "b.txt", "c.txt", "d.txt", "e.txt"}));

    setup.select({0, 4});
    setup.window.XiButton4Click();
    EXPECT_EQ(setup.names(), (Names{"b.txt", "c.txt", "d.txt"}));
    ASSERT_EQ(setup.window.entries().size(), 3u);
    EXPECT_EQ(setup.window.entries()[0].path, files[1]);
}

TEST(SlideSetup, ABadListFileKeepsTheListAndMissingFilesGiveOneMessage) {
    TemporaryFolder folder;
    platform::savePicture(folder / "here.png", picture(8, 8, 0xFFFFFFFF), raster::ImageFormat::Png);
    SetupWindow setup;
    setup.window.AddListEntry(folder / "here.png");

    writeText(folder / "bad.lvx", "1\r\nfour\r\n/x.png\r\n");
    setup.answers->listToOpen = QString::fromStdString((folder / "bad.lvx").string());
    setup.window.XiButton2Click();
    ASSERT_EQ(setup.answers->warnings.size(), 1);
    EXPECT_TRUE(setup.answers->warnings[0].contains("bad.lvx")) << setup.answers->warnings[0].toStdString();
    EXPECT_TRUE(setup.answers->warnings[0].contains("line 2")) << setup.answers->warnings[0].toStdString();
    EXPECT_EQ(setup.names(), (std::vector<std::string>{"here.png"})) << "the old list stays";

    std::string list = "0\r\n3\r\nhere.png\r\n";
    for (int i = 0; i < 25; ++i)
        list += "gone" + std::to_string(i) + ".jpg\r\n";
    writeText(folder / "missing.lvx", list);
    setup.answers->listToOpen = QString::fromStdString((folder / "missing.lvx").string());
    setup.window.XiButton2Click();
    EXPECT_EQ(setup.names(), (std::vector<std::string>{"here.png"}));
    EXPECT_EQ(setup.window.lineCount(), 2 + 26) << "missing files stay in the slide list until it is rebuilt";
    ASSERT_EQ(setup.answers->exclamations.size(), 1) << "one message for all missing files";
    const QString& message = setup.answers->exclamations[0];
    EXPECT_TRUE(message.startsWith("Lumivane|")) << message.toStdString();
    EXPECT_TRUE(message.contains("gone19.jpg") && !message.contains("gone20.jpg")) << message.toStdString();
    EXPECT_TRUE(message.contains(QString::fromUtf8("\xE2\x80\xA6 and 5 more"))) << message.toStdString();

    writeText(folder / "one.lvx", "0\r\n3\r\ngone.jpg\r\n");
    setup.answers->listToOpen = QString::fromStdString((folder / "one.lvx").string());
    setup.window.XiButton2Click();
    ASSERT_EQ(setup.answers->exclamations.size(), 2);
    EXPECT_EQ(setup.answers->exclamations[1],
              "Lumivane|File does not exist " + QString::fromStdString((folder / "gone.jpg").string()));
}

TEST(SlideSetup, ThePreviewPlaysTheListInTheBoxAndStops) {
    TemporaryFolder folder;
    platform::savePicture(folder / "wide.png", picture(300, 100, 0xFFFF0000), raster::ImageFormat::Png);
    platform::savePicture(folder / "tall.png", picture(100, 300, 0xFF00FF00), raster::ImageFormat::Png);
    SetupWindow setup;
    setup.window.cbLoop->setChecked(true);
    setup.window.BitBtn1Click();
    EXPECT_FALSE(setup.window.previewing()) << "an empty list with Loop does nothing";

    setup.window.AddListEntry(folder / "wide.png");
    setup.window.AddListEntry(folder / "tall.png");
    setup.window.tbr->setPosition(0);
    std::vector<QSize> shown;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        const QSize size = setup.window.slika->pixmap().size();
        if (shown.empty() || shown.back() != size) shown.push_back(size);
        if (shown.size() >= 5) setup.window.BitBtn3Click();
    });
    watch.start(1);
    setup.window.BitBtn1Click(); // returns when Stop is pressed
    EXPECT_FALSE(setup.window.previewing());
    ASSERT_GE(shown.size(), 5u) << "two slides that keep coming back: looped";
    for (const QSize& size : shown)
        EXPECT_TRUE(size == QSize(209, 69) || size == QSize(69, 209))
            << size.width() << " x " << size.height();

    watch.stop(); // it would press Stop in the run below too
    setup.window.cbLoop->setChecked(false);
    setup.window.BitBtn1Click();
    EXPECT_EQ(setup.window.slika->pixmap().size(), QSize(69, 209))
        << "without Loop it ends on the last slide";
}

TEST(SlideShow, TheSlidePanelStepsThroughTheListAndLoops) {
    TemporaryFolder folder;
    const raster::Bgra colours[3] = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF};
    platform::savePicture(folder / "1.png", picture(64, 48, colours[0]), raster::ImageFormat::Png);
    platform::savePicture(folder / "2.bmp", picture(48, 64, colours[1]), raster::ImageFormat::Bmp);
    writeText(folder / "3.txt", "a text slide");
    platform::savePicture(folder / "4.png", picture(30, 30, colours[2]), raster::ImageFormat::Png);

    app::Program program(nullptr);
    program.start();
    QApplication::processEvents();
    app::TMainForm& form = *app::MainForm;
    auto* answers = new Answers;
    sources::fss->setQuestions(std::unique_ptr<sources::UserQuestions>(answers));
    form.red->setPlainText("the text page");

    form.SpeedButton3Click();
    EXPECT_EQ(app::SourceMode, app::srcImages);
    EXPECT_EQ(app::TrayTipText, "Images");
    EXPECT_TRUE(form.xPanel3->isVisible());
    EXPECT_FALSE(form.cbx1->Checked());

    // "Show" with an empty list asks to open one; No, and the setup closed empty: nothing plays.
    QTimer::singleShot(0, [] { sources::fss->BitBtn2Click(); });
    form.SpeedButtonPlayForwardClick();
    EXPECT_EQ(answers->confirmations, QStringList{"Open Slide Show ?"});
    EXPECT_FALSE(form.TimerStep->isActive());

    for (const char* name : {"1.png", "2.bmp", "3.txt", "4.png"})
        sources::fss->AddListEntry(folder / name);
    const auto showsColour = [&](raster::Bgra colour) {
        return !app::CurrentFrame.isEmpty() && app::CurrentFrame.pixel(1, 1) == colour &&
               form.slika2->bitmap().sharesPixelsWith(app::CurrentFrame) &&
               mirror::Fmonitor->image->bitmap().sharesPixelsWith(app::CurrentFrame);
    };
    form.tbr->setValue(3);
    form.SpeedButtonPlayForwardClick();
    EXPECT_TRUE(form.cbx1->Checked());
    EXPECT_TRUE(form.TimerStep->isActive());
    EXPECT_EQ(form.TimerStep->interval(), 3000);
    EXPECT_EQ(form.TimerStep->timerType(), Qt::PreciseTimer);
    EXPECT_TRUE(showsColour(colours[0])) << "one decoded picture for every view";
    for (int wait = 0; wait < 200 && !form.slideDecoder().holds(folder / "2.bmp"); ++wait)
        QThread::msleep(10);
    EXPECT_TRUE(form.slideDecoder().holds(folder / "2.bmp")) << "the next picture is decoded ahead";

    form.TimerStepTimer();
    EXPECT_EQ(app::SlideIndex, 3);
    EXPECT_TRUE(showsColour(colours[1]));
    form.TimerStepTimer(); // the text slide: in the slide panel only
    EXPECT_TRUE(showsColour(colours[1])) << "the picture stays";
    EXPECT_FALSE(form.slideText->isHidden());
    EXPECT_EQ(form.slideText->toPlainText(), "a text slide");
    EXPECT_EQ(form.red->toPlainText(), "the text page") << "the text page is not touched";
    form.TimerStepTimer();
    EXPECT_TRUE(showsColour(colours[2]));
    EXPECT_TRUE(form.slideText->isHidden());
    form.TimerStepTimer();
    EXPECT_EQ(app::SlideIndex, 2) << "looped";
    EXPECT_TRUE(showsColour(colours[0]));

    // Navigation stops the show; "Next" on the last slide shows it again.
    form.SpeedButtonLastOneClick();
    EXPECT_FALSE(form.TimerStep->isActive());
    EXPECT_TRUE(showsColour(colours[2]));
    form.SpeedButton11Click();
    EXPECT_EQ(app::SlideIndex, 5);
    EXPECT_TRUE(showsColour(colours[2]));
    form.SpeedButton10Click(); // the text slide reached with "Previous": the display goes black
    EXPECT_EQ(app::CurrentFrame.pixel(1, 1), 0xFF000000u);

    // Without Loop the show ends on the last slide.
    form.cbloop->setChecked(false);
    form.SpeedButtonLastOneClick();
    form.SpeedButtonPlayForwardClick();
    form.TimerStepTimer();
    EXPECT_FALSE(form.TimerStep->isActive());
    EXPECT_EQ(app::SlideIndex, 5);
    EXPECT_TRUE(showsColour(colours[2]));

    // A slide that cannot be read is told once, without stopping the show.
    fs::remove(folder / "1.png");
    form.cbloop->setChecked(true);
    form.SpeedButtonPlayForwardClick();
    form.TimerStepTimer();
    EXPECT_TRUE(form.TimerStep->isActive());
    form.TimerStepTimer();
    EXPECT_EQ(app::SlideIndex, 3);
    EXPECT_TRUE(showsColour(colours[1]));

    // Stop All ends it and forgets what was decoded ahead.
    form.sbSTOPClick();
    EXPECT_FALSE(form.TimerStep->isActive());
    EXPECT_FALSE(form.slideDecoder().holds(folder / "4.png"));
}
