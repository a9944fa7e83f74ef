// The text source in the control window: when the editor opens, what OK and Cancel bring to the
// text page, and what "Send", "Automatically Send" and the other sources show on the display.
#include "app/Program.h"
#include "app/mainunit.h"
#include "sources/utext.h"

#include <QApplication>
#include <QTimer>
#include <filesystem>

#include <gtest/gtest.h>

using namespace vexmira;

namespace {

// Answers the editor when it shows: types `text` and closes with OK, or cancels when `text` is
// empty. Counts how often it showed.
struct EditorAnswer {
    int shown = 0;
    QString text;
    bool ok = true;
    QMetaObject::Connection connection;
    EditorAnswer() {
        connection = QObject::connect(sources::ftext, &sources::Tftext::activated, [this] {
            ++shown;
            QTimer::singleShot(0, [this] {
                if (!text.isEmpty()) sources::ftext->Editor->setPlainText(text);
                ok ? sources::ftext->accept() : sources::ftext->reject();
            });
        });
    }
    ~EditorAnswer() { QObject::disconnect(connection); }
};

} // namespace

TEST(TextSource, TheEditorOpensForAnEmptyPageAndOnlyOkBringsItsText) {
    app::Program program(nullptr);
    program.start();
    QApplication::processEvents();
    app::TMainForm& form = *app::MainForm;
    EditorAnswer editor;

    editor.ok = false;
    editor.text = "cancelled words";
    form.sbtextClick();
    EXPECT_EQ(editor.shown, 1);
    EXPECT_EQ(app::SourceMode, app::srcText);
    EXPECT_EQ(app::TrayTipText, "Text");
    EXPECT_TRUE(form.p9->isVisible());
    EXPECT_FALSE(form.xpanel1->isVisible());
    EXPECT_TRUE(form.red->document()->isEmpty()) << "Cancel copies nothing";

    editor.ok = true;
    editor.text = "The page";
    form.ext1Click(); // the menu's "Text"
    EXPECT_EQ(editor.shown, 2);
    EXPECT_TRUE(form.sourceItems[4]->isChecked());
    EXPECT_EQ(form.red->toPlainText(), "The page");

    form.sbtextClick(); // the page holds text: no editor
    EXPECT_EQ(editor.shown, 2);
    EXPECT_EQ(form.red->toPlainText(), "The page");

    editor.text = "Edited page";
    form.SpeedButton5->click(); // Edit
    EXPECT_EQ(editor.shown, 3);
    EXPECT_EQ(form.red->toPlainText(), "Edited page");
    EXPECT_TRUE(mirror::Fmonitor->redMonitor->document()->isEmpty())
        << "nothing reaches the display before Send";
    EXPECT_FALSE(std::filesystem::exists((app::ProgramFolder + "red98626.rtf").toStdString()));
}

TEST(TextSource, SendAndAutomaticallySendShowThePageOnceAndPictureSourcesHideIt) {
    app::Program program(nullptr);
    program.start();
    QApplication::processEvents();
    app::TMainForm& form = *app::MainForm;
    mirror::TFmonitor& display = *mirror::Fmonitor;
    EditorAnswer editor;
    editor.text = "Sent page";
    form.sbtextClick();

    form.SpeedButton8Click(); // Send
    EXPECT_TRUE(display.redMonitor->isVisible());
    EXPECT_FALSE(display.image->isVisible());
    EXPECT_EQ(display.redMonitor->toPlainText(), "Sent page");
    EXPECT_EQ(display.image->scaleMode(), raster::ScaleMode::smScale);

    editor.text = "Second page";
    form.SpeedButton5->click();
    form.cbx1->setChecked(true);
    form.cbx1Click();
    EXPECT_EQ(display.redMonitor->toPlainText(), "Second page");
    EXPECT_FALSE(form.cbx1->Checked()) << "sent once; the box ends unticked";
    EXPECT_TRUE(display.redMonitor->isVisible());

    form.SpeedButton2Click(); // Clipboard: pictures again
    EXPECT_FALSE(display.redMonitor->isVisible());
    EXPECT_TRUE(display.image->isVisible());
    EXPECT_EQ(display.redMonitor->toPlainText(), "Second page") << "the display keeps the last page sent";

    form.sbtextClick();
    form.SpeedButton8Click();
    EXPECT_TRUE(display.redMonitor->isVisible());
    form.sbSTOPClick();
    EXPECT_FALSE(display.redMonitor->isVisible());
    EXPECT_FALSE(display.image->isVisible());
    EXPECT_FALSE(form.p9->isVisible());
    EXPECT_EQ(editor.shown, 2);
}
