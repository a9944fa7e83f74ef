#pragma once

#include <QDialog>
#include <QStringList>
#include <optional>

class QButtonGroup;
class QGroupBox;

namespace vexmira::widgets {

class TXiButton;

// The program's small choice dialog: white, captioned "Vexmira", 342 x 160, a radio group with
// the choices (the first chosen at the start, then the last choice kept), and OK and Cancel
// (also Esc) on a blue strip at the bottom.
class ChoiceDialog : public QDialog {
    Q_OBJECT
  public:
    ChoiceDialog(const QString& groupCaption, const QStringList& items, QWidget* parent = nullptr);

    QGroupBox* rg1;
    TXiButton* BitBtn1; // OK
    TXiButton* BitBtn2; // Cancel
    QWidget* Panel1;

    int ItemIndex() const;
    void setItemIndex(int index);

    // OK: ends the dialog with the OK result. Dialogs with more to do on OK override it.
    virtual void BitBtn1Click();
    // Cancel: ends the dialog with the Cancel result.
    void BitBtn2Click();

  protected:
    // Shown again where it was hidden: the window manager would place it anew each time.
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

  private:
    QButtonGroup* choice_;
    std::optional<QPoint> place_;
};

} // namespace vexmira::widgets
