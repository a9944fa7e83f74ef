#pragma once

#include "SlideEntry.h"
#include "UserQuestions.h"
#include "widgets/BtChkBox.h"
#include "widgets/RichEdit.h"
#include "widgets/XiButton.h"
#include "widgets/XiTrackBar.h"

#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QTreeWidget>
#include <memory>
#include <string>
#include <vector>

class QEventLoop;

namespace vexmira::sources {

// The slide show's setup: the list of slides, built from files chosen, dropped or read from a
// list file, sorted and reordered, with a preview of the selected entry and a small player. It
// lives as long as the program and keeps its list between uses.
class Tfss : public QDialog {
    Q_OBJECT
  public:
    // `stopRequested` is the program's request that a running show or preview stop; `slideIndex`
    // the show's current line of the slide list. `folder`: where the file dialogs start.
    Tfss(bool& stopRequested, int& slideIndex, const QString& folder, QWidget* parent = nullptr);
    ~Tfss() override;
    void setQuestions(std::unique_ptr<UserQuestions> questions) { questions_ = std::move(questions); }
    UserQuestions& questions() { return *questions_; }

    widgets::TXiButton* XiButton6 = nullptr; // Add Images
    widgets::TXiButton* XiButton4 = nullptr; // Remove
    widgets::TXiButton* XiButton2 = nullptr; // Open Images List
    widgets::TXiButton* XiButton3 = nullptr; // Save Images List
    QTreeWidget* tabela = nullptr;
    widgets::TXiButton* SB3 = nullptr; // Move Up
    widgets::TXiButton* sb4 = nullptr; // Move Down
    QLabel* Panel5 = nullptr;
    QLabel* slika = nullptr;
    widgets::TRichEdit* Editor = nullptr;
    QGroupBox* GroupBox1 = nullptr;
    QLabel* l_td = nullptr;
    widgets::TXiTrackBar* tbr = nullptr;
    widgets::TBitCheckBox* cbLoop = nullptr;
    widgets::TXiButton* BitBtn1 = nullptr; // Preview
    widgets::TXiButton* BitBtn3 = nullptr; // Stop
    QWidget* Panel1 = nullptr;
    widgets::TXiButton* BitBtn2 = nullptr; // Close

    // --- the slide list text: line 0 the loop flag, line 1 the duration, then one path a line ---
    std::vector<std::string> mm;
    // Line `n`; empty beyond the end.
    std::string line(int n) const;
    int lineCount() const { return static_cast<int>(mm.size()); }
    bool hasSlides() const { return mm.size() > 2; }
    // Rewrites the slide list text from the window's controls and entries.
    void Button1Click();

    // --- the entries ---
    const std::vector<SlideEntry>& entries() const { return entries_; }
    // Adds `file` unless its kind is not a slide's or (Mode other than "open") it is listed
    // already. Gives the new entry's row, or -1. A picture whose size cannot be read is added
    // with an empty "Dimensions" and its problem noted for the operation's report.
    int AddListEntry(const std::filesystem::path& file, const QString& mode = {});
    // Adds dropped or chosen files in their order; folders, names that a list file cannot hold
    // and kinds that are not slides are passed over.
    void addFiles(const std::vector<std::filesystem::path>& files);

    void XiButton6Click(); // Add Images
    void XiButton4Click(); // Remove
    void XiButton2Click(); // Open Images List
    void XiButton3Click(); // Save Images List
    // Replaces the list by the list file's; a file that cannot be read leaves the list as it
    // was, with a message. True when the list was replaced.
    bool openListFile(const QString& path);
    bool saveListFile(const QString& path);
    void SB3Click(); // Move Up
    void sb4Click(); // Move Down
    void tabelaColumnClick(int column);
    void tabelaDblClick(); // the entry preview
    void BitBtn1Click();   // Preview
    void BitBtn3Click();   // Stop
    void BitBtn2Click();   // Close
    void tbrChange();
    bool previewing() const { return previewing_; }
    // The selected rows, lowest first.
    std::vector<int> selectedRows() const;

  signals:
    void activated();

  protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    // At most 20 of `lines`, then how many more there are.
    static QString listed(const QStringList& lines);
    // The entries of `slides` replace the list's, with progress; the files not found go to `missing`.
    // False, the list as it was, when the user cancels.
    bool takeEntries(const std::vector<std::filesystem::path>& slides, QStringList& missing);
    void buildButtons();
    void buildList();
    void buildPreviewBox();
    void buildPlayer();
    QTreeWidgetItem* rowOf(const SlideEntry& entry) const;
    // Shows the entries in the list, with the given rows selected.
    void showEntries(const std::vector<bool>& selected);
    std::vector<bool> selection() const;
    // Moves the lowest selected row one place (Move Up, Move Down).
    void moveFirstSelected(bool up);
    // The entry for `file`, its picture's problem noted for the operation's report.
    SlideEntry entryNoting(const std::filesystem::path& file);
    // Shows one slide in the preview box; throws what loading it throws.
    void showInPreviewBox(const std::filesystem::path& file);
    void clearPreviewPicture();
    // Tells what the last operation could not do, once, and forgets it.
    void reportProblems();
    // Refuses a second list change while one runs; false (with a beep) when one does.
    bool beginListChange();
    void stopPreviewWait();

    bool& stopRequested_;
    int& slideIndex_;
    QString folder_;
    std::unique_ptr<UserQuestions> questions_;
    std::vector<SlideEntry> entries_;
    bool descending_ = false;
    bool changingList_ = false;
    bool previewing_ = false;
    QEventLoop* previewWait_ = nullptr;
    QStringList problems_;          // pictures whose size could not be read
    bool keyPressedInList_ = false; // a key went down in the list and is not yet let go
};

extern Tfss* fss;

} // namespace vexmira::sources
