#pragma once

#include <QCheckBox>
#include <QDialog>
#include <QLabel>
#include <QPushButton>

namespace vexmira::app {

// The notice at start-up that tells where the program went: into the tray. "Don't show again"
// turns it off for later starts.
class Tfmessage : public QDialog {
    Q_OBJECT
  public:
    explicit Tfmessage(QWidget* parent = nullptr);

    QLabel* Image1 = nullptr;
    QLabel* Label1 = nullptr;
    QCheckBox* CheckBox1 = nullptr;
    QWidget* Panel1 = nullptr;
    QPushButton* bb1 = nullptr; // OK, also Esc

    // Whether the settings ask for the notice (anything but optIkonAgain=1 does).
    static bool wanted();
    // "OK" and Esc: the choice is written to the settings file at once, then the notice closes.
    void bb1Click();

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;
};

} // namespace vexmira::app
