// The clipboard on compositors with zwlr_data_control_manager_v1: its offers are followed on our
// own connection whatever window has the focus, and a picture is read from a pipe on a thread of
// its own, so that an owner that never writes cannot hold the user interface.
#include "WaylandConnection.h"
#include "platform/backends/Backends.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <map>
#include <thread>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>
#include <wayland-client.h>
#include <wlr-data-control-unstable-v1-client-protocol.h>

namespace vexmira::platform {

namespace {

using wayland::WaylandConnection;

// Everything the pipe brings until its writer closes it, at most until `deadline`.
ClipboardData::Status readAll(int fd, std::chrono::steady_clock::time_point deadline,
                              std::vector<std::uint8_t>& bytes) {
    std::uint8_t chunk[65536];
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) return ClipboardData::Status::TimedOut;
        pollfd ready{fd, POLLIN, 0};
        const int woken = poll(&ready, 1, static_cast<int>(left.count()));
        if (woken < 0 && errno == EINTR) continue;
        if (woken <= 0) return woken == 0 ? ClipboardData::Status::TimedOut : ClipboardData::Status::Failed;
        const ssize_t got = read(fd, chunk, sizeof chunk);
        if (got < 0 && (errno == EINTR || errno == EAGAIN)) continue;
        if (got < 0) return ClipboardData::Status::Failed;
        if (got == 0) return bytes.empty() ? ClipboardData::Status::Failed : ClipboardData::Status::Read;
        bytes.insert(bytes.end(), chunk, chunk + got);
    }
}

class WaylandClipboardReader final : public ClipboardReader {
  public:
    WaylandClipboardReader(std::shared_ptr<WaylandConnection> connection, int timeoutMs)
        : connection_(std::move(connection)), timeout_(timeoutMs) {
        device_ =
            zwlr_data_control_manager_v1_get_data_device(connection_->dataControl(), connection_->seat());
        zwlr_data_control_device_v1_add_listener(device_, &deviceListener, this);
        wl_display_roundtrip(connection_->display());
    }
    ~WaylandClipboardReader() override {
        if (reader_.joinable()) reader_.join();
        for (auto& [offer, formats] : offers_)
            zwlr_data_control_offer_v1_destroy(offer);
        zwlr_data_control_device_v1_destroy(device_);
        wl_display_flush(connection_->display());
    }

    bool read(std::function<void(ClipboardData)> done) override {
        if (busy_) return false;
        if (reader_.joinable()) reader_.join();
        // The newest selection is read below: a change seen while catching up is not announced,
        // since announcing it would start a second read inside this one. A read started by an
        // announcement is already up to date, and does not dispatch inside the dispatch.
        if (!announcing_) {
            catchingUp_ = true;
            connection_->dispatch(true);
            catchingUp_ = false;
        }
        ClipboardData data;
        const auto offer = offers_.find(selection_);
        if (offer != offers_.end()) data.offered = offer->second;
        data.format = pictureFormatToRead(data.offered);
        int ends[2];
        if (data.format.empty() || pipe2(ends, O_CLOEXEC) != 0) {
            data.status =
                data.format.empty() ? ClipboardData::Status::NoPicture : ClipboardData::Status::Failed;
            busy_ = true;
            reader_ = std::thread([this, done = std::move(done), data = std::move(data)]() mutable {
                busy_ = false;
                done(std::move(data));
            });
            return true;
        }
        zwlr_data_control_offer_v1_receive(selection_, data.format.c_str(), ends[1]);
        wl_display_flush(connection_->display());
        close(ends[1]);
        busy_ = true;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_);
        reader_ = std::thread(
            [this, fd = ends[0], deadline, done = std::move(done), data = std::move(data)]() mutable {
                data.status = readAll(fd, deadline, data.bytes);
                close(fd);
                // Free for the next read before the caller hears of this one.
                busy_ = false;
                done(std::move(data));
            });
        return true;
    }

    void onChange(std::function<void()> handler) override { changed_ = std::move(handler); }

  private:
    static void offerFormat(void* data, zwlr_data_control_offer_v1* offer, const char* type) {
        static_cast<WaylandClipboardReader*>(data)->offers_[offer].emplace_back(type);
    }
    static constexpr zwlr_data_control_offer_v1_listener offerListener{offerFormat};

    static void dataOffer(void* data, zwlr_data_control_device_v1*, zwlr_data_control_offer_v1* offer) {
        auto* self = static_cast<WaylandClipboardReader*>(data);
        self->offers_[offer];
        zwlr_data_control_offer_v1_add_listener(offer, &offerListener, self);
    }
    static void selection(void* data, zwlr_data_control_device_v1*, zwlr_data_control_offer_v1* offer) {
        auto* self = static_cast<WaylandClipboardReader*>(data);
        self->forget(self->selection_, offer);
        self->selection_ = offer;
        if (self->changed_ && !self->catchingUp_) {
            self->announcing_ = true;
            self->changed_();
            self->announcing_ = false;
        }
    }
    static void finished(void* data, zwlr_data_control_device_v1*) {
        auto* self = static_cast<WaylandClipboardReader*>(data);
        self->forget(self->selection_, nullptr);
        self->selection_ = nullptr;
    }
    // The primary selection (middle-button pasting) is not the clipboard.
    static void primarySelection(void* data, zwlr_data_control_device_v1*,
                                 zwlr_data_control_offer_v1* offer) {
        auto* self = static_cast<WaylandClipboardReader*>(data);
        if (offer && offer != self->selection_) self->forget(offer, nullptr);
    }
    static constexpr zwlr_data_control_device_v1_listener deviceListener{dataOffer, selection, finished,
                                                                         primarySelection};

    // Destroys `offer` unless it is `keep`.
    void forget(zwlr_data_control_offer_v1* offer, zwlr_data_control_offer_v1* keep) {
        if (!offer || offer == keep) return;
        offers_.erase(offer);
        zwlr_data_control_offer_v1_destroy(offer);
    }

    std::shared_ptr<WaylandConnection> connection_;
    int timeout_;
    zwlr_data_control_device_v1* device_ = nullptr;
    zwlr_data_control_offer_v1* selection_ = nullptr;
    std::map<zwlr_data_control_offer_v1*, std::vector<std::string>> offers_;
    std::function<void()> changed_;
    std::atomic<bool> busy_{false};
    bool catchingUp_ = false; // inside read()'s own dispatch
    bool announcing_ = false; // inside the change handler
    std::thread reader_;
};

} // namespace

std::unique_ptr<ClipboardReader> wayland::openClipboardReader(int timeoutMs) {
    auto connection = WaylandConnection::shared();
    if (!connection || !connection->dataControl() || !connection->seat()) return nullptr;
    return std::make_unique<WaylandClipboardReader>(std::move(connection), timeoutMs);
}

} // namespace vexmira::platform
