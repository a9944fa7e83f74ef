#pragma once

#include "platform/ScreenCapture.h"

#include <memory>

namespace vexmira::options {
class OptionsHost;
class Tfoptions;
} // namespace vexmira::options
namespace vexmira::mirror {
class DesktopCapture;
class TFmonitor;
class TfCapture;
} // namespace vexmira::mirror
namespace vexmira::sources {
class Tftext;
class Tfscrolset;
class Tfss;
} // namespace vexmira::sources
namespace vexmira::capture {
class TfAlldesktop;
class TFgrab;
class TFsave;
} // namespace vexmira::capture

namespace vexmira::app {

class DisplayEventWatch;
class TFstartForm;
class TMainForm;
class Tfabout;

// Creates the program's windows once, in their fixed order, and wires them together. The
// windows live until the program ends; closing one only hides it.
class Program {
  public:
    // `screen` captures the desktop; null when there is no display to capture (nothing is
    // mirrored then).
    explicit Program(std::unique_ptr<platform::ScreenCapture> screen);
    ~Program();
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    // Shows the control window.
    void start();

  private:
    std::unique_ptr<DisplayEventWatch> displayEvents_;
    // The windows, each also reached through its global pointer while it lives.
    std::unique_ptr<TFstartForm> startForm_;
    // The screenshot of the region grab and the desktop tick share one capture of the screen.
    std::unique_ptr<mirror::DesktopCapture> grabCapture_;
    std::unique_ptr<TMainForm> mainForm_;
    std::unique_ptr<options::OptionsHost> optionsHost_;
    std::unique_ptr<options::Tfoptions> options_;
    std::unique_ptr<mirror::TFmonitor> monitor_;
    std::unique_ptr<sources::Tftext> text_;
    std::unique_ptr<sources::Tfscrolset> scrollSetup_;
    std::unique_ptr<sources::Tfss> slideSetup_;
    std::unique_ptr<capture::TfAlldesktop> areaChoice_;
    std::unique_ptr<capture::TFgrab> regionGrab_;
    std::unique_ptr<capture::TFsave> save_;
    std::unique_ptr<mirror::TfCapture> windowChoice_;
    std::unique_ptr<Tfabout> about_;
};

} // namespace vexmira::app
