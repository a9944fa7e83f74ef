// One application window as the desktop portal shares it: the desktop's own dialog chooses the
// window, so the list of windows holds only that one, while it is shared. The portal tells
// nothing else of the window: no class, title or place on the desktop.
#include "ScreenCastSession.h"
#include "platform/backends/Backends.h"

namespace vexmira::platform {

namespace {

// The shared window's handle: there is only ever this one.
constexpr WindowHandle sharedWindow = 1;

class PortalWindowSystem final : public WindowSystem {
  public:
    std::vector<TopLevelWindow> topLevelWindows() override {
        const raster::Rect frame = frameOf(sharedWindow);
        if (frame.isEmpty()) return {};
        TopLevelWindow shared;
        shared.handle = sharedWindow;
        shared.title = "the shared window";
        shared.visible = true;
        shared.frame = frame;
        return {shared};
    }

    raster::Rect frameOf(WindowHandle window) override {
        portal::PipeWireStream* stream = portal::ScreenCastSession::window().stream();
        if (window != sharedWindow || !stream || !stream->ended().empty()) return {};
        const raster::Bitmap newest = stream->latest();
        return {0, 0, newest.width(), newest.height()};
    }

    bool captureWindow(WindowHandle window, WindowCaptureMethod, raster::Bitmap& target) override {
        target = raster::Bitmap();
        portal::PipeWireStream* stream = portal::ScreenCastSession::window().stream();
        if (window != sharedWindow || !stream || !stream->ended().empty()) return false;
        target = stream->latest(); // shared, not copied
        return !target.isEmpty();
    }

    bool ownDrawingChanged(WindowHandle window) override {
        portal::PipeWireStream* stream = portal::ScreenCastSession::window().stream();
        if (window != sharedWindow || !stream) return true;
        if (!stream->hasPending()) return false;
        stream->takeDamage(1);
        return true;
    }

    std::vector<raster::Rect> framesOfClasses(const std::vector<std::string>&,
                                              const std::function<void()>& alongside) override {
        // The portal names no window's class: there is nothing to find.
        if (alongside) alongside();
        return {};
    }

    void prepareCapture(const std::vector<WindowHandle>&) override {}
    void releaseCaptures(WindowHandle) override {}
};

} // namespace

std::unique_ptr<WindowSystem> portal::openWindowSystem() {
    return std::make_unique<PortalWindowSystem>();
}

ScreenConsent portal::askToShareWindow(const std::filesystem::path& permissionFile) {
    return ScreenCastSession::window().share(permissionFile);
}

} // namespace vexmira::platform
