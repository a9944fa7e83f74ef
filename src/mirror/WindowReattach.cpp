#include "WindowReattach.h"

#include "TitlePattern.h"
#include "platform/FileSystem.h"

namespace vexmira::mirror {

void WindowReattach::remember(platform::WindowSystem& windows, platform::WindowHandle window) {
    *this = {};
    for (const platform::TopLevelWindow& w : windows.topLevelWindows())
        if (w.handle == window) {
            className_ = w.className;
            executable_ = platform::executableOfProcess(w.processId);
            handle_ = window;
            return;
        }
}

bool WindowReattach::isGone(platform::WindowSystem& windows, platform::WindowHandle selected) const {
    return !className_.empty() && selected != 0 && handle_ == selected && windows.frameOf(selected).isEmpty();
}

platform::WindowHandle WindowReattach::returned(platform::WindowSystem& windows,
                                                const std::string& titlePattern) {
    for (const platform::TopLevelWindow& w : windows.topLevelWindows()) {
        // The closed window's id may come back with a new window: it is not left out.
        if (!w.visible || w.desktopOrDock || w.frame.isEmpty() || w.processId == platform::ownProcessId())
            continue;
        const bool sameKind =
            w.className == className_ && platform::executableOfProcess(w.processId) == executable_;
        if (!sameKind && !titleMatches(titlePattern, w.title)) continue;
        handle_ = w.handle;
        return w.handle;
    }
    return 0;
}

} // namespace vexmira::mirror
