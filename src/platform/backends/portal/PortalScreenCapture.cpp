// The desktop and its parts as the screen-sharing stream shows them: the monitor the user shared
// stands for the primary monitor, and a part of it is a crop of the stream's frames.
#include "ScreenCastSession.h"
#include "platform/backends/Backends.h"

#include <algorithm>
#include <cstring>

namespace vexmira::platform {

using raster::Rect;

namespace {

class PortalScreenCapture final : public ScreenCapture {
  public:
    bool capture(const Rect& area, raster::Bitmap& target) override {
        target = raster::Bitmap();
        if (area.isEmpty() || area.width > 32767 || area.height > 32767) return false;
        portal::ScreenCastSession& session = portal::ScreenCastSession::monitor();
        const raster::Bitmap frame = session.stream() ? session.stream()->latest() : raster::Bitmap();
        if (frame.isEmpty()) return false;
        const Rect shared = session.area();
        // The whole monitor at its own size: the frame itself, shared rather than copied.
        if (area == shared && frame.width() == shared.width && frame.height() == shared.height) {
            target = frame;
            return true;
        }
        raster::Bitmap picture(area.width, area.height, 24); // black where the monitor is not
        const Rect part = shared.intersected(area);
        if (!part.isEmpty()) copyPart(frame, shared, part, area, picture);
        target = std::move(picture);
        return true;
    }

    raster::Size desktopSize() const override {
        const Rect shared = portal::ScreenCastSession::monitor().area();
        return {shared.right(), shared.bottom()};
    }

    Rect primaryMonitor() override { return portal::ScreenCastSession::monitor().area(); }
    std::string transport() const override { return "screen-sharing stream"; }
    void setPointerDrawn(bool drawn) override { portal::ScreenCastSession::monitor().setPointerDrawn(drawn); }

  private:
    // Copies `part` (desktop pixels inside the shared monitor `shared`) of the frame into
    // `picture`, which shows `area`; a frame of another size than the monitor (a scaled output)
    // is sampled in its own pixels.
    static void copyPart(const raster::Bitmap& frame, const Rect& shared, const Rect& part, const Rect& area,
                         raster::Bitmap& picture) {
        const bool scaled = frame.width() != shared.width || frame.height() != shared.height;
        for (int y = 0; y < part.height; ++y) {
            int row = part.y - shared.y + y;
            if (scaled) row = int(std::int64_t(row) * frame.height() / shared.height);
            row = std::clamp(row, 0, frame.height() - 1);
            const raster::Bgra* from = frame.row(row);
            raster::Bgra* to = picture.mutableRow(part.y - area.y + y) + (part.x - area.x);
            const int left = part.x - shared.x;
            if (!scaled) {
                std::memcpy(to, from + left, std::size_t(part.width) * 4);
                continue;
            }
            for (int x = 0; x < part.width; ++x)
                to[x] = from[std::min(int(std::int64_t(left + x) * frame.width() / shared.width),
                                      frame.width() - 1)];
        }
    }
};

// What the stream says was drawn, in desktop pixels.
class PortalDamageWatch final : public DamageWatch {
  public:
    ~PortalDamageWatch() override { portal::ScreenCastSession::monitor().onReport(nullptr); }

    std::optional<std::vector<Rect>> takeDamage(std::size_t maxRects) override {
        portal::ScreenCastSession& session = portal::ScreenCastSession::monitor();
        if (!session.stream()) return std::vector<Rect>{};
        auto damage = session.stream()->takeDamage(maxRects);
        if (!damage) return std::nullopt;
        const Rect shared = session.area();
        const raster::Bitmap frame = session.stream()->latest();
        if (frame.isEmpty()) return std::nullopt;
        for (Rect& r : *damage) {
            if (frame.width() != shared.width || frame.height() != shared.height) {
                // Outward, so that a scaled output's changes are never cut short.
                const int left = int(std::int64_t(r.x) * shared.width / frame.width());
                const int top = int(std::int64_t(r.y) * shared.height / frame.height());
                const int right =
                    int((std::int64_t(r.right()) * shared.width + frame.width() - 1) / frame.width());
                const int bottom =
                    int((std::int64_t(r.bottom()) * shared.height + frame.height() - 1) / frame.height());
                r = {left, top, right - left, bottom - top};
            }
            r = {r.x + shared.x, r.y + shared.y, r.width, r.height};
        }
        return damage;
    }

    bool hasPending() override {
        portal::ScreenCastSession& session = portal::ScreenCastSession::monitor();
        return session.stream() && session.stream()->hasPending();
    }

    void onReport(std::function<void()> handler) override {
        portal::ScreenCastSession::monitor().onReport(std::move(handler));
    }
};

} // namespace

std::unique_ptr<ScreenCapture> portal::openScreenCapture() {
    return std::make_unique<PortalScreenCapture>();
}

std::unique_ptr<DamageWatch> portal::watchDesktopDamage() {
    return std::make_unique<PortalDamageWatch>();
}

ScreenConsent portal::askToCopyScreen(const std::filesystem::path& permissionFile) {
    return ScreenCastSession::monitor().share(permissionFile);
}

void portal::onScreenSharingEnded(std::function<void(const std::string&)> handler) {
    ScreenCastSession::monitor().onEnded(handler);
    ScreenCastSession::window().onEnded(std::move(handler));
}

} // namespace vexmira::platform
