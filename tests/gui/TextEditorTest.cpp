// The text editor on the offscreen platform: its files, prompts, toolbar and printing, with the
// user's answers scripted.
#include "richtext/RtfReader.h"
#include "sources/utext.h"
#include "widgets/FontNameBox.h"
#include "widgets/RichEdit.h"

#include "ImageMagick.h"

#include <QApplication>
#include <QClipboard>
#include <QPrinter>
#include <QTextBlock>
#include <QTextList>

#include <filesystem>
#include <fstream>
#include <sstream>

#include <gtest/gtest.h>

using namespace vexmira;
using namespace vexmira::testing;
using sources::Tftext;
using sources::UserQuestions;
using Answer = UserQuestions::Answer;

namespace {

// Answers as the test says and writes down what the editor asked.
struct ScriptedUser : UserQuestions {
    Answer answer = Answer::Yes;
    std::optional<FileToOpen> open;
    QString save;
    QString printTo; // a PDF file; empty: the print dialog is cancelled
    std::optional<QColor> colourChoice;
    QStringList asked, told, warned;

    Answer ask(QWidget*, const QString& question) override {
        asked << question;
        return answer;
    }
    std::optional<FileToOpen> fileToOpen(QWidget*, const QString&, const QString&, bool) override {
        return open;
    }
    QString fileToSave(QWidget*, const QString&, const QString&, const QString&, const QString&,
                       bool) override {
        return save;
    }
    bool setUpPrinter(QWidget*, QPrinter& printer) override {
        if (printTo.isEmpty()) return false;
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(printTo);
        return true;
    }
    std::optional<QColor> colour(QWidget*, const QColor&) override { return colourChoice; }
    void tell(QWidget*, const QString& text) override { told << text; }
    void warn(QWidget*, const QString& text) override { warned << text; }
};

struct EditorFixture {
    Tftext editor{"/tmp"};
    ScriptedUser* user = new ScriptedUser;
    EditorFixture() { editor.setQuestions(std::unique_ptr<UserQuestions>(user)); }
    void type(const QString& text) {
        editor.Editor->textCursor().insertText(text);
        editor.Editor->document()->setModified(true);
    }
    QString text() const { return editor.Editor->toPlainText(); }
};

QString qs(const std::filesystem::path& path) {
    return QString::fromStdString(path.string());
}

const std::filesystem::path rtfData = VEXMIRA_RTF_DATA;

} // namespace

TEST(TextEditor, SavePromptBeforeNewAndOpenWithItsThreeAnswers) {
    TemporaryFolder folder;
    const auto saved = folder / "page.rtf";
    struct Case {
        Answer answer;
        bool emptied;
        bool written;
    } cases[] = {{Answer::Cancel, false, false}, {Answer::No, true, false}, {Answer::Yes, true, true}};
    for (const Case& c : cases) {
        std::filesystem::remove(saved);
        EditorFixture f;
        f.user->save = qs(saved);
        f.type("unsaved words");
        f.user->answer = c.answer;
        f.editor.ToolButton1Click(); // New
        EXPECT_EQ(f.user->asked, QStringList{"Save changes to Untitled?"});
        EXPECT_EQ(f.text().isEmpty(), c.emptied) << static_cast<int>(c.answer);
        EXPECT_EQ(std::filesystem::exists(saved), c.written);
        if (c.written) {
            EXPECT_EQ(richtext::readRtf(fileText(saved)).document.plainText(), "unsaved words\n");
        }
    }
    // Nothing changed since the editor was shown: no question.
    EditorFixture f;
    f.type("words");
    f.editor.show();
    f.user->open = UserQuestions::FileToOpen{qs(rtfData / "converter-b.rtf")};
    f.editor.OpenButtonClick();
    EXPECT_TRUE(f.user->asked.isEmpty());
    EXPECT_TRUE(f.text().startsWith("Sample\n\nCentred bold title")) << f.text().toStdString();
}

TEST(TextEditor, OpensByContentTellsWhatItLeftOutAndRefusesWhatItCannotRead) {
    TemporaryFolder folder;
    EditorFixture f;
    // A file written by a word processor: the widget shows what the reader reads, and what it
    // gives back is the same document.
    for (const char* name : {"converter-b.rtf", "word-processor-a.rtf"}) {
        const std::string file = fileText(rtfData / name);
        f.editor.Editor->loadText(file);
        EXPECT_EQ(f.editor.Editor->model(), richtext::readRtf(file).document) << name;
        EXPECT_EQ(richtext::readRtf(f.editor.Editor->richText()).document, richtext::readRtf(file).document)
            << name;
    }
    f.user->open = UserQuestions::FileToOpen{qs(rtfData / "word-processor-a.rtf"), true};
    f.editor.OpenButtonClick();
    EXPECT_EQ(f.editor.windowTitle(), "word-processor-a.rtf - Vexmira");
    EXPECT_TRUE(f.editor.Editor->isReadOnly());
    EXPECT_FALSE(f.editor.Editor->document()->isModified());
    EXPECT_TRUE(f.user->told.isEmpty());

    std::ofstream(folder / "rich.txt") << "{\\rtf1 Rich {\\b text} in a .txt\\par}";
    std::ofstream(folder / "pictures.rtf") << "{\\rtf1 Before{\\pict\\pngblip 89504e47}{\\pict\\wmetafile8 "
                                              "0102}{\\object{\\*\\objdata 01}}after\\par}";
    std::ofstream(folder / "binary.rtf") << std::string("\x7F"
                                                        "ELF\0\0\x01\x02",
                                                        8);
    f.user->open = UserQuestions::FileToOpen{qs(folder / "rich.txt")};
    f.editor.OpenButtonClick();
    EXPECT_EQ(f.text(), "Rich text in a .txt");
    EXPECT_FALSE(f.editor.Editor->isReadOnly());

    f.user->open = UserQuestions::FileToOpen{qs(folder / "pictures.rtf")};
    f.editor.OpenButtonClick();
    EXPECT_EQ(f.text(), "Beforeafter");
    ASSERT_EQ(f.user->told.size(), 1);
    EXPECT_TRUE(f.user->told[0].contains("2 pictures")) << f.user->told[0].toStdString();
    EXPECT_TRUE(f.user->told[0].contains("1 embedded object")) << f.user->told[0].toStdString();

    // A missing file and one that is not text: a message naming it, and the page stays.
    for (const auto& bad : {folder / "missing.rtf", folder / "binary.rtf"}) {
        f.user->warned.clear();
        f.user->open = UserQuestions::FileToOpen{qs(bad)};
        f.editor.OpenButtonClick();
        ASSERT_EQ(f.user->warned.size(), 1) << bad;
        EXPECT_TRUE(f.user->warned[0].contains(qs(bad))) << f.user->warned[0].toStdString();
        EXPECT_EQ(f.text(), "Beforeafter");
        EXPECT_EQ(f.editor.windowTitle(), "pictures.rtf - Vexmira");
    }
}

TEST(TextEditor, SavesRichTextAsksBeforeOverwritingAndAFailedSaveChangesNothing) {
    TemporaryFolder folder;
    EditorFixture f;
    f.type("first page");
    const auto txt = folder / "notes.txt";
    std::ofstream(txt) << "older notes";
    f.user->save = qs(txt);
    f.user->answer = Answer::No;
    f.editor.SaveButtonClick(); // Untitled: Save As
    EXPECT_EQ(f.user->asked, QStringList{"OK to overwrite " + qs(txt)});
    EXPECT_EQ(fileText(txt), "older notes");
    EXPECT_EQ(f.editor.FileName, "Untitled");

    f.user->answer = Answer::Yes;
    f.editor.SaveButtonClick();
    EXPECT_TRUE(richtext::looksLikeRtf(fileText(txt))) << "the .txt file holds rich text";
    EXPECT_EQ(richtext::readRtf(fileText(txt)).document.plainText(), "first page\n");
    EXPECT_EQ(f.editor.windowTitle(), "notes.txt - Vexmira");
    EXPECT_FALSE(f.editor.Editor->document()->isModified());

    // Save on a named page writes without asking.
    f.user->asked.clear();
    f.type(" and more");
    f.editor.SaveButtonClick();
    EXPECT_TRUE(f.user->asked.isEmpty());
    EXPECT_EQ(richtext::readRtf(fileText(txt)).document.plainText(), "first page and more\n");

    // A name in a folder that does not exist, and a folder's name: a message, and the page is
    // still marked changed, under its old name.
    std::filesystem::create_directory(folder / "folder.rtf");
    for (const auto& bad : {folder / "no" / "such.rtf", folder / "folder.rtf"}) {
        f.user->warned.clear();
        f.type("!");
        f.user->save = qs(bad);
        f.editor.editorcolorClick();
        ASSERT_EQ(f.user->warned.size(), 1) << bad;
        EXPECT_TRUE(f.user->warned[0].startsWith("Cannot save " + qs(bad)))
            << f.user->warned[0].toStdString();
        EXPECT_TRUE(f.editor.Editor->document()->isModified());
        EXPECT_EQ(f.editor.FileName, qs(txt));
    }
    EXPECT_TRUE(std::filesystem::is_directory(folder / "folder.rtf"));
    EXPECT_EQ(richtext::readRtf(fileText(txt)).document.plainText(), "first page and more\n");
}

TEST(TextEditor, ToolbarActsOnTheSelectionAndTheClipboardButtonsDoWhatTheirPicturesShow) {
    EditorFixture f;
    QTextEdit* edit = f.editor.Editor;
    f.type("alpha beta");
    auto select = [edit](int from, int to) {
        QTextCursor cursor(edit->document());
        cursor.setPosition(from);
        cursor.setPosition(to, QTextCursor::KeepAnchor);
        edit->setTextCursor(cursor);
    };
    auto formatAt = [edit](int position) {
        QTextCursor cursor(edit->document());
        cursor.setPosition(position + 1);
        return cursor.charFormat();
    };
    // Scissors cut, two pages copy, the clipboard pastes, the arrow undoes.
    select(0, 5);
    f.editor.CopyButton->click();
    EXPECT_EQ(f.text(), " beta");
    EXPECT_EQ(QApplication::clipboard()->text(), "alpha");
    f.editor.CutButton->click();
    EXPECT_EQ(f.text(), "alpha beta");
    select(6, 10);
    f.editor.PasteButton->click();
    EXPECT_EQ(QApplication::clipboard()->text(), "beta");
    edit->moveCursor(QTextCursor::End);
    f.editor.UndoButton->click();
    EXPECT_EQ(f.text(), "alpha betabeta");

    select(0, 5);
    f.editor.BoldButton->click();
    f.editor.ItalicButton->click();
    f.editor.UnderlineButton->click();
    EXPECT_EQ(formatAt(0).fontWeight(), QFont::Bold);
    EXPECT_TRUE(formatAt(0).fontItalic() && formatAt(0).fontUnderline());
    EXPECT_NE(formatAt(7).fontWeight(), QFont::Bold);
    f.editor.BoldButton->click();
    EXPECT_NE(formatAt(0).fontWeight(), QFont::Bold);

    f.user->colourChoice = QColor(200, 10, 20);
    f.editor.ToolButton3->click();
    EXPECT_EQ(formatAt(2).foreground().color(), QColor(200, 10, 20));
    f.editor.fontname->setCurrentIndex(f.editor.fontname->count() - 1);
    f.editor.fontnameChange();
    EXPECT_EQ(formatAt(2).fontFamilies().toStringList().value(0), f.editor.fontname->currentText());

    // The A+ and A- counter starts at 10 whatever the text's size, and stays within 1..1638.
    Tftext::SizeCounter = 10;
    for (int i = 0; i < 3; ++i)
        f.editor.aplus->click();
    EXPECT_EQ(formatAt(0).fontPointSize(), 13);
    for (int i = 0; i < 20; ++i)
        f.editor.aminus->click();
    EXPECT_EQ(Tftext::SizeCounter, 1);
    EXPECT_EQ(formatAt(0).fontPointSize(), 1);

    const struct {
        QToolButton* button;
        Qt::Alignment alignment;
    } alignments[] = {{f.editor.RightAlign, Qt::AlignRight},
                      {f.editor.CenterAlign, Qt::AlignHCenter},
                      {f.editor.LeftAlign, Qt::AlignLeft}};
    for (const auto& a : alignments) {
        a.button->click();
        EXPECT_EQ(edit->alignment() & (Qt::AlignLeft | Qt::AlignRight | Qt::AlignHCenter), a.alignment);
    }

    // Bullets go on with the first click and off with the second.
    f.editor.BulletsButton->click();
    EXPECT_NE(edit->textCursor().currentList(), nullptr);
    EXPECT_TRUE(f.editor.Editor->model().paragraphs.at(0).bullet);
    f.editor.BulletsButton->click();
    EXPECT_EQ(edit->textCursor().currentList(), nullptr);
    EXPECT_FALSE(f.editor.Editor->model().paragraphs.at(0).bullet);
}

TEST(TextEditor, PrintsEveryLineOnceInOrderUnderTheFileName) {
    TemporaryFolder folder;
    EditorFixture f;
    QStringList lines;
    for (int i = 1; i <= 150; ++i)
        lines << QString("Line %1 of the page").arg(i, 3, 10, QChar('0'));
    f.editor.Editor->setPlainText(lines.join('\n'));
    const auto saved = folder / "meeting notes.rtf";
    f.user->save = qs(saved);
    f.editor.editorcolorClick();
    f.user->printTo = qs(folder / "page.pdf");
    f.editor.PrintButtonClick();

    const std::string info = commandOutput("pdfinfo '" + (folder / "page.pdf").string() + "'");
    const std::string title = info.substr(info.find("Title:"), info.find('\n') - info.find("Title:"));
    EXPECT_EQ(QString::fromStdString(title).simplified(), "Title: meeting notes.rtf") << info;
    const std::string pages = info.substr(info.find("Pages:"), 30);
    EXPECT_GT(std::stoi(pages.substr(6)), 1) << "150 lines fill more than one page";
    std::istringstream printed(commandOutput("pdftotext -layout '" + (folder / "page.pdf").string() + "' -"));
    QStringList found;
    for (std::string line; std::getline(printed, line);) {
        const QString text = QString::fromStdString(line).trimmed().remove('\f');
        if (!text.isEmpty()) found << text;
    }
    EXPECT_EQ(found, lines) << "no page numbers, every line once";
}

// Font names as other programs know them: a file without a font table, or text in a font it
// does not define, is written with the page's family; foundries the font database adds stay out
// of files and of the font box.
TEST(TextEditorFonts, FilesGetFamilyNamesOnly) {
    for (const auto& [shown, plain] :
         {std::pair{"C059 [UKWN]", "C059"}, std::pair{"Noto Sans [GOOG]", "Noto Sans"},
          std::pair{"DejaVu Sans", "DejaVu Sans"}, std::pair{"[odd]", "[odd]"}})
        EXPECT_EQ(widgets::plainFamily(shown), plain) << shown;

    widgets::TRichEdit edit;
    for (const char* file : {"{\\rtf1 Hello}", "{\\rtf1{\\fonttbl{\\f0 Courier;}}\\f7 Hello}"}) {
        ASSERT_TRUE(edit.loadText(file).error.empty()) << file;
        const std::string written = edit.richText();
        EXPECT_EQ(written.find("\\fcharset0 ;"), std::string::npos) << "an empty font name: " << written;
        EXPECT_EQ(written.find('['), std::string::npos) << written;
        const auto read = richtext::readRtf(written);
        ASSERT_FALSE(read.document.paragraphs.empty());
        EXPECT_FALSE(read.document.paragraphs.front().runs.front().format.font.empty()) << file;
    }
}

// A word processor's bullets hang: the bullet in the indent, every line of the text at the left
// indent (709 twips, 47 pixels), and the hanging indent written back as the file gave it.
TEST(TextEditorFonts, BulletsWithAHangingIndentKeepTheirTextAtTheLeftIndent) {
    widgets::TRichEdit edit;
    edit.resize(300, 400);
    ASSERT_TRUE(edit.loadText(fileText(rtfData / "word-processor-a.rtf")).error.empty());
    QTextBlock bullet = edit.document()->begin();
    while (bullet.isValid() && !bullet.text().contains("First bullet"))
        bullet = bullet.next();
    ASSERT_TRUE(bullet.isValid());
    ASSERT_NE(bullet.textList(), nullptr);
    EXPECT_EQ(bullet.blockFormat().textIndent(), 0.0) << "the first line starts where the others do";
    EXPECT_NEAR(bullet.blockFormat().leftMargin() +
                    bullet.textList()->format().indent() * edit.document()->indentWidth(),
                709 / 15.0, 1.0);
    const auto read = richtext::readRtf(edit.richText());
    bool found = false;
    for (const auto& paragraph : read.document.paragraphs)
        if (paragraph.bullet && !paragraph.runs.empty() &&
            paragraph.runs.front().text.find("First bullet") == 0) {
            found = true;
            EXPECT_EQ(paragraph.firstLineIndent, -283);
            EXPECT_EQ(paragraph.leftIndent, 709);
        }
    EXPECT_TRUE(found);
}
