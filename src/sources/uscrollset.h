#pragma once

#include "ScrollSetupFile.h"
#include "UserQuestions.h"
#include "widgets/RealTimeMarquee.h"
#include "widgets/XiButton.h"
#include "widgets/XiTrackBar.h"

#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSpinBox>
#include <QToolButton>
#include <memory>

namespace vexmira::sources {

// What "Send Text" gives the display's strip.
struct ScrollStrip {
    QString text;
    unsigned interval = 10;
    int step = 1;
    int height = 20;
    QFont font;
    QColor colour = Qt::white;
    QColor fontColour = Qt::black;
    bool top = false; // else the bottom edge
};

// The setup of the scrolling text, with a live preview of the strip. Shown without blocking; it
// lives as long as the program and keeps its values.
class Tfscrolset : public QDialog {
    Q_OBJECT
  public:
    // The longest text the strip takes (the marquee lays it out piece by piece).
    static constexpr int longestText = 1'000'000;
    // `folder`: where the open and save dialogs start.
    explicit Tfscrolset(const QString& folder, QWidget* parent = nullptr);
    void setQuestions(std::unique_ptr<UserQuestions> questions) { questions_ = std::move(questions); }

    QLabel* Label4 = nullptr;
    QWidget* gb2 = nullptr; // the preview's frame
    widgets::TRealTimeMarquee* rtmSet = nullptr;
    QToolButton* SpeedButton4 = nullptr; // the frame's colour
    QGroupBox* GroupBox1 = nullptr;
    QLineEdit* Edit1 = nullptr;
    QToolButton* SpeedButton1 = nullptr; // clear
    widgets::TXiTrackBar* Xinterval = nullptr;
    widgets::TXiTrackBar* Xstep = nullptr;
    QSpinBox* SpinEdit1 = nullptr;
    QGroupBox* rg1 = nullptr;
    QRadioButton* rgTop = nullptr;
    QRadioButton* rgBottom = nullptr;
    widgets::TXiButton* XiButton1 = nullptr; // Background Color
    widgets::TXiButton* XiButton2 = nullptr; // Font
    widgets::TXiButton* XiFontColor = nullptr;
    QWidget* Panel2 = nullptr;
    QToolButton* SpeedButton5 = nullptr;        // save
    QToolButton* SpeedButton6 = nullptr;        // open
    widgets::TXiButton* SpeedButton8 = nullptr; // Send Text
    widgets::TXiButton* sbhide = nullptr;
    widgets::TXiButton* BitBtn1 = nullptr; // Close

    void Edit1Change();
    void XintervalChange();
    void XstepChange();
    void SpinEdit1Change();
    void SpeedButton1Click();
    void SpeedButton2Click(); // background colour
    void SpeedButton3Click(); // font
    void fontColourClick();
    void SpeedButton4Click(); // the frame's colour
    void SpeedButton5Click(); // save
    void SpeedButton6Click(); // open
    void SpeedButton8Click(); // Send Text
    void sbhideClick();

    // The setup as the window shows it, and applied to the window.
    ScrollSetup setup() const;
    void apply(const ScrollSetup& setup);
    // The strip that "Send Text" sends.
    ScrollStrip strip() const;
    bool loadFile(const QString& path);
    bool saveFile(const QString& path);
    // Re-centres the preview in its frame.
    void centrePreview();

  signals:
    void sendText(const vexmira::sources::ScrollStrip& strip);
    void hideText();
    void activated();
    void closing();

  protected:
    void showEvent(QShowEvent* event) override;
    void done(int result) override;

  private:
    void buildPreview();
    void buildSettings();
    void buildBottomStrip();
    void setFrameColour(const QColor& colour);

    std::unique_ptr<UserQuestions> questions_;
    QString folder_;
    QString saveDialogName_;
    QColor frameColour_{128, 128, 128};
};

extern Tfscrolset* fscrolset;

} // namespace vexmira::sources
