#pragma once

#include "HotKeyText.h"
#include "platform/GlobalHotKey.h"
#include "raster/Bitmap.h"
#include "widgets/BtChkBox.h"
#include "widgets/XiButton.h"

#include <QComboBox>
#include <QDialog>
#include <QKeySequenceEdit>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace vexmira::capture {

// The dialog that saves the current picture at each press of a system-wide hot key: the folder,
// the name and its counter, the file type, the beep and the key. The key stays armed after the
// dialog is closed, until "Stop" or the end of the program.
class TFsave : public QDialog {
    Q_OBJECT
  public:
    // `hotKeyText` and `beepOnSave` are the program's stored values; `currentPicture` gives the
    // picture a press saves; `programFolder` is where pictures go without a Documents folder.
    TFsave(std::string& hotKeyText, bool& beepOnSave, std::function<raster::Bitmap()> currentPicture,
           const QString& programFolder, QWidget* parent = nullptr);
    ~TFsave() override;
    // How messages reach the user; tests answer in the user's place.
    std::function<void(const QString&)> tell;

    QLineEdit* edit1 = nullptr; // base name
    QSpinBox* SpinEdit1 = nullptr;
    QLabel* Label6 = nullptr;                // the next name
    QLineEdit* Edit2 = nullptr;              // folder
    widgets::TXiButton* XiButton1 = nullptr; // Browse
    QComboBox* cbformat = nullptr;
    widgets::TBitCheckBox* cbBeep = nullptr;
    QKeySequenceEdit* HotKey = nullptr;
    widgets::TXiButton* XiButton3 = nullptr; // Start / Stop
    QKeySequenceEdit* BlankKey = nullptr;    // the shutter's key
    widgets::TXiButton* XiButton4 = nullptr; // its Start / Stop
    widgets::TXiButton* XiButton5 = nullptr; // the blanked monitor's picture, or black again
    QPushButton* BitBtn2 = nullptr;          // Close

    void bbokClick();
    // The shutter's key: its stored text and whether it is armed (taken now when it is), the
    // picture shown while blanked (empty: black), and what a press does.
    void setBlankKey(std::string& keyText, bool& armed, std::string& picture, std::function<void()> press);
    void blankPictureClick();
    void blankKeyClick(); // the shutter key's Start / Stop
    // The shutter's settings were set back to their defaults: its key is let go and the dialog
    // shows the stored key and picture again.
    void resetBlankKey();
    bool blankKeyArmed() const { return blankHotKey_ && blankHotKey_->grabbed(); }
    // One press of the hot key. Returns the file written, if any.
    std::optional<std::string> fishHotKey();
    void BitBtn1Click(); // Browse
    bool armed() const { return hotKey_ && hotKey_->grabbed(); }
    // The key in the field, if it has one that can be a hot key.
    std::optional<HotKeyChord> chordInField() const;
    void setChordInField(const std::optional<HotKeyChord>& chord);

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void updatePreview();
    void setArmed(bool armed);
    // Takes the key for `hotKey`, telling the user when it cannot be had.
    bool grabOrTell(platform::GlobalHotKey* hotKey, const HotKeyChord& chord);

    std::string& hotKeyText_;
    bool& beepOnSave_;
    std::function<raster::Bitmap()> currentPicture_;
    std::unique_ptr<platform::GlobalHotKey> hotKey_;
    std::unique_ptr<platform::GlobalHotKey> blankHotKey_;
    std::string* blankKeyText_ = nullptr;
    bool* blankKeyOn_ = nullptr;
    std::string* blankPicture_ = nullptr;
    void showBlankPicture();
    // The key's button and its stored switch follow whether it is taken.
    void showBlankKeyArmed();
    std::function<void()> blankPress_;
    bool saveBusy_ = false;
    // The destination as the system named it, while the field shows it unchanged.
    std::filesystem::path folderBytes_;
    QString folderShown_;
};

extern TFsave* Fsave;

} // namespace vexmira::capture
