#pragma once

#include "PipeWireStream.h"
#include "platform/ScreenCapture.h"
#include "raster/Geometry.h"

#include <QString>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>

namespace vexmira::platform::portal {

// A screen-sharing session with the desktop portal, one for a monitor and one for a window: the
// user agrees once in the desktop's own dialog (later starts reuse the permission the desktop
// gave, kept in a file), and what is shared comes as a PipeWire stream. User-interface thread.
class ScreenCastSession {
  public:
    static ScreenCastSession& monitor();
    static ScreenCastSession& window();

    // Asks for a source while none is shared; waits for the answer while the event loop runs.
    ScreenConsent share(const std::filesystem::path& permissionFile);
    // The stream while one was granted, also after it ended (its last picture stays).
    PipeWireStream* stream() { return stream_.get(); }
    // The shared monitor's place on the desktop (logical pixels), where the desktop says it;
    // else the frames' own size at 0,0. Empty before the first frame.
    raster::Rect area() const;
    void setPointerDrawn(bool drawn) { pointerDrawn_ = drawn; }
    // Called on the user-interface thread when the shared stream ends.
    void onEnded(std::function<void(const std::string&)> handler) { ended_ = std::move(handler); }
    // Reports from the stream (frames, its end), on the user-interface thread.
    void onReport(std::function<void()> handler) { report_ = std::move(handler); }

  private:
    explicit ScreenCastSession(unsigned sourceType) : sourceType_(sourceType) {}
    ScreenConsent start(const std::filesystem::path& permissionFile);
    void streamReported();
    void close();

    std::unique_ptr<PipeWireStream> stream_;
    std::shared_ptr<ScreenCastSession*> alive_ = std::make_shared<ScreenCastSession*>(this);
    unsigned sourceType_;
    QString session_;
    raster::Rect given_{0, 0, 0, 0}; // what the desktop said of the monitor's place
    bool pointerDrawn_ = false;
    bool asking_ = false;
    bool endTold_ = false;
    std::function<void(const std::string&)> ended_;
    std::function<void()> report_;
};

// Whether the session bus has a desktop portal to ask (running or started on demand).
bool portalOnBus();
// Whether its screen sharing offers single windows.
bool portalSharesWindows();

} // namespace vexmira::platform::portal
