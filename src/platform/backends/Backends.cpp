#include "Backends.h"

#include <algorithm>

namespace vexmira::platform {

namespace {

enum class WindowSystemKind { X11, Wayland, None };

// Until the program chooses, the services are those of the X display named by DISPLAY, as the
// tests of single services expect; capabilities() offers nothing.
struct Chosen {
    WindowSystemKind kind = WindowSystemKind::X11;
    Capabilities capabilities;
};

Chosen& chosen() {
    static Chosen value;
    return value;
}

bool onWayland() {
    return chosen().kind == WindowSystemKind::Wayland;
}

bool onX11() {
    return chosen().kind == WindowSystemKind::X11;
}

} // namespace

void selectWindowSystem(std::string_view toolkitPlatform) {
    Chosen& c = chosen();
    c.capabilities = Capabilities{};
    // Only the toolkit's own windows are windows of ours: on its other platforms our handles
    // mean nothing to the display server.
    if (toolkitPlatform == "xcb") {
        c.kind = WindowSystemKind::X11;
        c.capabilities = x11::capabilitiesOfDisplay();
    } else if (toolkitPlatform.starts_with("wayland")) {
        c.kind = WindowSystemKind::Wayland;
        c.capabilities = wayland::capabilitiesOfCompositor();
    } else {
        c.kind = WindowSystemKind::None;
    }
}

const Capabilities& capabilities() {
    return chosen().capabilities;
}

const std::vector<std::string>& preferredPictureFormats() {
    static const std::vector<std::string> formats = {
        "image/png",  "image/bmp", "image/x-bmp", "image/x-MS-bmp", "image/x-win-bitmap",
        "image/jpeg", "image/gif", "image/webp",  "image/tiff",     "image/x-tiff"};
    return formats;
}

std::string pictureFormatToRead(const std::vector<std::string>& offered) {
    const auto& preferred = preferredPictureFormats();
    const auto chosen =
        std::find_first_of(preferred.begin(), preferred.end(), offered.begin(), offered.end());
    if (chosen != preferred.end()) return *chosen;
    const auto any = std::find_if(offered.begin(), offered.end(),
                                  [](const std::string& f) { return f.starts_with("image/"); });
    return any != offered.end() ? *any : std::string();
}

std::unique_ptr<ClipboardReader> openClipboardReader(int timeoutMs) {
    if (onWayland()) return wayland::openClipboardReader(timeoutMs);
    return onX11() ? x11::openClipboardReader(timeoutMs) : nullptr;
}

std::unique_ptr<CursorSource> openCursorSource() {
    return onX11() ? x11::openCursorSource() : nullptr;
}

std::unique_ptr<DamageWatch> watchDesktopDamage() {
    if (onWayland())
        return wayland::capturesThroughPortal() ? portal::watchDesktopDamage()
                                                : wayland::watchDesktopDamage();
    return onX11() ? x11::watchDesktopDamage() : nullptr;
}

std::unique_ptr<DamageWatch> watchWindowDamage(WindowHandle window) {
    return onX11() ? x11::watchWindowDamage(window) : nullptr;
}

std::unique_ptr<DisplayEventPump> openDisplayEventPump() {
    if (onWayland()) return wayland::openDisplayEventPump();
    return onX11() ? x11::openDisplayEventPump() : nullptr;
}

std::unique_ptr<GlobalHotKey> openGlobalHotKey(const HotKeyUse& use) {
    if (onWayland()) return capabilities().globalKeys ? portal::openGlobalHotKey(use) : nullptr;
    return onX11() ? x11::openGlobalHotKey() : nullptr;
}

std::unique_ptr<ScreenCapture> openScreenCapture(CaptureTransport transport) {
    if (onWayland())
        return wayland::capturesThroughPortal() ? portal::openScreenCapture() : wayland::openScreenCapture();
    return onX11() ? x11::openScreenCapture(transport) : nullptr;
}

ScreenConsent askToCopyScreen(const std::filesystem::path& permissionFile) {
    if (onWayland() && wayland::capturesThroughPortal()) return portal::askToCopyScreen(permissionFile);
    return {};
}

void onScreenSharingEnded(std::function<void(const std::string&)> handler) {
    if (onWayland() && wayland::capturesThroughPortal()) portal::onScreenSharingEnded(std::move(handler));
}

ScreenConsent askToShareWindow(const std::filesystem::path& permissionFile) {
    if (capabilities().windowChooser) return portal::askToShareWindow(permissionFile);
    return {};
}

std::unique_ptr<ServerScaler> openServerScaler() {
    return onX11() ? x11::openServerScaler() : nullptr;
}

std::unique_ptr<StripSurface> openStripSurface(std::uint64_t window) {
    return onX11() ? x11::openStripSurface(window) : nullptr;
}

std::unique_ptr<WindowSystem> openWindowSystem() {
    if (onWayland()) return capabilities().windowChooser ? portal::openWindowSystem() : nullptr;
    return onX11() ? x11::openWindowSystem() : nullptr;
}

} // namespace vexmira::platform
