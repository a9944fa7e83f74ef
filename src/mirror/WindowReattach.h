#pragma once

#include "platform/WindowSystem.h"

#include <filesystem>
#include <string>

namespace vexmira::mirror {

// The single window being mirrored, known by its class and its program, so that when it closes
// the next window of the same kind (or one whose title matches the user's pattern) takes its
// place.
class WindowReattach {
  public:
    // Remembers `window` as `windows` lists it now; forgets it when it is not listed.
    void remember(platform::WindowSystem& windows, platform::WindowHandle window);
    // Whether `selected`, the window being mirrored, has gone and is to be waited for.
    bool isGone(platform::WindowSystem& windows, platform::WindowHandle selected) const;
    // A window up now that takes the gone one's place: of its class from its program, or titled
    // as `titlePattern` says. It becomes the remembered one. 0 when there is none (yet).
    platform::WindowHandle returned(platform::WindowSystem& windows, const std::string& titlePattern);

  private:
    platform::WindowHandle handle_ = 0;
    std::string className_;
    std::filesystem::path executable_;
};

} // namespace vexmira::mirror
