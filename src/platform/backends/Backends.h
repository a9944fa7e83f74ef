#pragma once

// The services each window system's backend offers; the public functions of the platform layer
// hand over to the backend chosen at start.
#include "platform/Capabilities.h"
#include "platform/ClipboardReader.h"
#include "platform/CursorSource.h"
#include "platform/DamageWatch.h"
#include "platform/DisplayEvents.h"
#include "platform/GlobalHotKey.h"
#include "platform/ScreenCapture.h"
#include "platform/ServerScaling.h"
#include "platform/StripSurface.h"
#include "platform/WindowSystem.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

namespace vexmira::platform::x11 {

Capabilities capabilitiesOfDisplay();
std::unique_ptr<ClipboardReader> openClipboardReader(int timeoutMs);
std::unique_ptr<CursorSource> openCursorSource();
std::unique_ptr<DamageWatch> watchDesktopDamage();
std::unique_ptr<DamageWatch> watchWindowDamage(WindowHandle window);
std::unique_ptr<DisplayEventPump> openDisplayEventPump();
std::unique_ptr<GlobalHotKey> openGlobalHotKey();
std::unique_ptr<ScreenCapture> openScreenCapture(CaptureTransport transport);
std::unique_ptr<ServerScaler> openServerScaler();
std::unique_ptr<StripSurface> openStripSurface(std::uint64_t window);
std::unique_ptr<WindowSystem> openWindowSystem();

} // namespace vexmira::platform::x11

namespace vexmira::platform::wayland {

Capabilities capabilitiesOfCompositor();
std::unique_ptr<ClipboardReader> openClipboardReader(int timeoutMs);
std::unique_ptr<DamageWatch> watchDesktopDamage();
std::unique_ptr<DisplayEventPump> openDisplayEventPump();
std::unique_ptr<ScreenCapture> openScreenCapture();
// Whether the desktop and its parts come through the desktop portal's screen sharing: where the
// compositor lets no program copy the screen itself, or where VEXMIRA_CAPTURE=portal asks so.
bool capturesThroughPortal();

} // namespace vexmira::platform::wayland

namespace vexmira::platform::portal {

bool portalOnBus();
bool portalSharesWindows();
std::unique_ptr<WindowSystem> openWindowSystem();
ScreenConsent askToShareWindow(const std::filesystem::path& permissionFile);
// Whether the portal binds keys for the whole desktop (GlobalShortcuts).
bool portalBindsKeys();
std::unique_ptr<GlobalHotKey> openGlobalHotKey(const HotKeyUse& use);
std::unique_ptr<ScreenCapture> openScreenCapture();
std::unique_ptr<DamageWatch> watchDesktopDamage();
ScreenConsent askToCopyScreen(const std::filesystem::path& permissionFile);
void onScreenSharingEnded(std::function<void(const std::string&)> handler);

} // namespace vexmira::platform::portal
