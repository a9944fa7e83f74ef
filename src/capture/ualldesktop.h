#pragma once

#include "mirror/DesktopCapture.h"
#include "widgets/ChoiceDialog.h"

#include <filesystem>

namespace vexmira::capture {

class TFgrab;

// Asks whether the desktop source mirrors the whole primary screen or a part of it; for a part,
// takes one screenshot with the program's windows out of the way and lets the user drag the
// rectangle on it (the region window). Keeps its last choice for the next time.
class TfAlldesktop : public widgets::ChoiceDialog {
    Q_OBJECT
  public:
    // `capture` takes the screenshot.
    explicit TfAlldesktop(mirror::DesktopCapture& capture, QWidget* parent = nullptr);

    // The window hidden while the screenshot is taken and shown again afterwards.
    void setControlWindow(QWidget* window) { controlWindow_ = window; }
    // The region window on which the rectangle is dragged (created after this dialog).
    void setRegionWindow(TFgrab* grab) { grab_ = grab; }
    // Where the desktop's leave to share the screen without asking again is kept.
    void setPermissionFile(std::filesystem::path file) { permissionFile_ = std::move(file); }

    // The primary screen, as it is now, into `shot`.
    bool GrabScreen(QImage& shot);

    void BitBtn1Click() override;
    // The third choice: a region of the dragged size follows the pointer.
    bool followsMouse() const { return ItemIndex() == mirror::FollowMouse; }

  private:
    mirror::DesktopCapture& capture_;
    TFgrab* grab_ = nullptr;
    QWidget* controlWindow_ = nullptr;
    std::filesystem::path permissionFile_;

    // Where the desktop asks its user before the screen is shared: asks, and says why not.
    bool mayCopyScreen();
};

extern TfAlldesktop* fAlldesktop;

} // namespace vexmira::capture
