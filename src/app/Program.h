#pragma once

#include "platform/ScreenCapture.h"

#include <memory>

namespace vexmira::options {
class OptionsHost;
}

namespace vexmira::app {

class DisplayEventWatch;

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
    std::unique_ptr<options::OptionsHost> optionsHost_;
};

} // namespace vexmira::app
