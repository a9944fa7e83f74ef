#pragma once

#include "EditorIcons.h"
#include "UserQuestions.h"
#include "widgets/RichEdit.h"

#include <QComboBox>
#include <QDialog>
#include <QFrame>
#include <QMenu>
#include <QPushButton>
#include <QToolBar>
#include <QToolButton>
#include <memory>

class QPrinter;

namespace vexmira::sources {

// The rich-text editor in which the user writes the text page. Shown modally; it lives as long as
// the program, and its content and file name survive between its showings.
class Tftext : public QDialog {
    Q_OBJECT
  public:
    // `folder`: where the open and save dialogs start.
    explicit Tftext(const QString& folder, QWidget* parent = nullptr);
    void setQuestions(std::unique_ptr<UserQuestions> questions) { questions_ = std::move(questions); }

    QToolBar* ToolBar1 = nullptr;
    QToolButton* ToolButton1 = nullptr; // New
    QToolButton* OpenButton = nullptr;
    QToolButton* SaveButton = nullptr;
    QToolButton* editorcolor = nullptr; // Save As
    QToolButton* PrintButton = nullptr;
    QToolButton* CopyButton = nullptr;  // cuts
    QToolButton* PasteButton = nullptr; // copies
    QToolButton* UndoButton = nullptr;  // pastes
    QToolButton* CutButton = nullptr;   // undoes
    QComboBox* fontname = nullptr;
    QToolButton* aplus = nullptr;
    QToolButton* aminus = nullptr;
    QToolButton* ToolButton3 = nullptr; // colour
    QToolButton* BoldButton = nullptr;
    QToolButton* ItalicButton = nullptr;
    QToolButton* UnderlineButton = nullptr;
    QToolButton* LeftAlign = nullptr;
    QToolButton* CenterAlign = nullptr;
    QToolButton* RightAlign = nullptr;
    QToolButton* BulletsButton = nullptr;
    QFrame* Panel3 = nullptr;
    widgets::TRichEdit* Editor = nullptr;
    QWidget* Panel1 = nullptr;
    QPushButton* BitBtn1 = nullptr; // Cancel
    QPushButton* BitBtn2 = nullptr; // OK
    QMenu* PopupMenu1 = nullptr;

    // The file the page was last opened from or saved to; "Untitled" for a new page.
    QString FileName = "Untitled";
    // The A+ and A- buttons' size in points, one for the whole run.
    static int SizeCounter;
    // Whether the editor was last closed with OK.
    bool ClosedWithOk() const { return closedWithOk_; }

    void ToolButton1Click();
    void OpenButtonClick();
    void SaveButtonClick() { FileSave(); }
    void FileSave();
    void editorcolorClick();
    void PrintButtonClick();
    void CopyButtonClick();
    void PasteButtonClick();
    void UndoButtonClick();
    void CutButtonClick();
    void fontnameChange();
    void aplusClick();
    void aminusClick();
    void ToolButton3Click();
    void BoldButtonClick();
    void ItalicButtonClick();
    void UnderlineButtonClick();
    void AlignClick(QToolButton* button);
    void BulletsButtonClick();

    // Loads a file into the editor (rich text or plain text, by content); false, with a message,
    // when it cannot be read, and then the editor keeps what it had.
    bool loadFile(const QString& path);
    // Writes the page as rich text; false, with a message, when it cannot be written.
    bool saveFile(const QString& path);
    // Prints the page on a printer that is already set up.
    void printOn(QPrinter& printer);

  signals:
    // The editor was activated (the control window hides its hint panel; the colour dialogs'
    // custom colours are loaded).
    void activated();
    // The editor is closing (the custom colours are kept).
    void closing();

  protected:
    bool event(QEvent* event) override;
    void done(int result) override;

  private:
    void buildToolBar(); // the file, clipboard and font tools, then:
    void buildFormatButtons();
    QToolButton* toolButton(EditorIcon icon, const QString& hint, void (Tftext::*handler)());
    void buildBottomStrip();
    void fillFontList();
    void setButtonsFromCaret();
    void setFileName(const QString& name);
    // The save prompt before a page is discarded; false when the user cancelled.
    bool savePromptGoesOn();
    void mergeFormat(const QTextCharFormat& format);
    void applySize(int points);

    std::unique_ptr<UserQuestions> questions_;
    QString folder_;
    QString saveDialogName_;
    bool updating_ = false;
    bool closedWithOk_ = false;
};

extern Tftext* ftext;

} // namespace vexmira::sources
