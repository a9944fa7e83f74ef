#include "platform/ClipboardReader.h"
#include "platform/backends/Backends.h"

#include "XConnection.h"
#include "XcbHelpers.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <optional>
#include <poll.h>
#include <thread>

namespace vexmira::platform {

namespace {

using x11::XcbReply;
using Clock = std::chrono::steady_clock;

// Reads the CLIPBOARD selection on its own thread and its own connection: the owner's answers
// arrive as events there, whatever the user-interface thread is doing.
class X11ClipboardReader final : public ClipboardReader {
  public:
    X11ClipboardReader(std::shared_ptr<x11::XConnection> connection, int timeoutMs)
        : connection_(std::move(connection)), timeout_(timeoutMs) {
        xcb_connection_t* c = connection_->get();
        window_ = xcb_generate_id(c);
        const std::uint32_t events = XCB_EVENT_MASK_PROPERTY_CHANGE;
        xcb_create_window(c, XCB_COPY_FROM_PARENT, window_, connection_->root(), 0, 0, 1, 1, 0,
                          XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, XCB_CW_EVENT_MASK, &events);
        const char* names[] = {"CLIPBOARD", "TARGETS", "INCR", "VEXMIRA_CLIPBOARD"};
        xcb_atom_t* atoms[] = {&clipboard_, &targets_, &incr_, &property_};
        xcb_intern_atom_cookie_t cookies[4];
        for (int i = 0; i < 4; ++i)
            cookies[i] = xcb_intern_atom(c, 0, static_cast<std::uint16_t>(std::strlen(names[i])), names[i]);
        for (int i = 0; i < 4; ++i) {
            XcbReply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(c, cookies[i], nullptr));
            *atoms[i] = reply ? reply->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
        }
        xcb_flush(c);
        thread_ = std::thread([this] { run(); });
    }

    ~X11ClipboardReader() override {
        {
            std::lock_guard lock(mutex_);
            stopping_ = true;
        }
        wake_.notify_all();
        thread_.join();
        xcb_destroy_window(connection_->get(), window_);
        xcb_flush(connection_->get());
    }

    bool read(std::function<void(ClipboardData)> done) override {
        {
            std::lock_guard lock(mutex_);
            if (job_ || busy_) return false;
            job_ = std::move(done);
        }
        wake_.notify_all();
        return true;
    }

  private:
    void run() {
        for (;;) {
            std::function<void(ClipboardData)> done;
            {
                std::unique_lock lock(mutex_);
                wake_.wait(lock, [this] { return stopping_ || job_; });
                if (stopping_) return;
                done = std::move(job_);
                job_ = nullptr;
                busy_ = true;
            }
            ClipboardData data = readPicture();
            if (data.status == ClipboardData::Status::TimedOut)
                std::fprintf(
                    stderr, "vexmira: the clipboard's owner did not answer within %d ms; the picture stays\n",
                    timeout_);
            // Free for the next read before the caller hears of this one: a read it asks for in
            // answer would otherwise be refused, and that change lost.
            {
                std::lock_guard lock(mutex_);
                busy_ = false;
            }
            done(std::move(data));
        }
    }

    ClipboardData readPicture() {
        ClipboardData data;
        const auto deadline = Clock::now() + std::chrono::milliseconds(timeout_);
        dropPendingEvents();
        std::vector<std::uint8_t> list;
        const auto targets = fetch(targets_, deadline, list);
        if (targets != ClipboardData::Status::Read) {
            data.status =
                targets == ClipboardData::Status::Failed ? ClipboardData::Status::NoPicture : targets;
            return data;
        }
        data.offered = atomNames(list);
        const std::string format = pictureFormatToRead(data.offered);
        if (format.empty()) {
            data.status = ClipboardData::Status::NoPicture;
            return data;
        }
        data.format = format;
        const xcb_atom_t target = intern(format);
        data.status = fetch(target, deadline, data.bytes);
        if (data.status == ClipboardData::Status::Read && data.bytes.empty())
            data.status = ClipboardData::Status::Failed;
        return data;
    }

    // Asks the owner to convert the clipboard to `target` and collects the answer, also when it
    // comes in pieces (INCR).
    ClipboardData::Status fetch(xcb_atom_t target, Clock::time_point deadline,
                                std::vector<std::uint8_t>& bytes) {
        xcb_connection_t* c = connection_->get();
        xcb_delete_property(c, window_, property_);
        xcb_convert_selection(c, window_, clipboard_, target, property_, XCB_CURRENT_TIME);
        xcb_flush(c);
        for (;;) {
            auto event = waitForEvent(deadline);
            if (!event)
                return connection_->isBroken() ? ClipboardData::Status::Failed
                                               : ClipboardData::Status::TimedOut;
            if ((event->response_type & 0x7F) != XCB_SELECTION_NOTIFY) continue;
            const auto* notify = reinterpret_cast<const xcb_selection_notify_event_t*>(event.get());
            if (notify->requestor != window_ || notify->selection != clipboard_) continue;
            if (notify->property == XCB_ATOM_NONE) return ClipboardData::Status::Failed;
            break;
        }
        xcb_atom_t type = XCB_ATOM_NONE;
        if (!readProperty(bytes, type)) return ClipboardData::Status::Failed;
        if (type != incr_) return ClipboardData::Status::Read;
        // In pieces: each new value of the property is the next piece; an empty one ends it.
        bytes.clear();
        for (;;) {
            auto event = waitForEvent(deadline);
            if (!event) return ClipboardData::Status::TimedOut;
            if ((event->response_type & 0x7F) != XCB_PROPERTY_NOTIFY) continue;
            const auto* notify = reinterpret_cast<const xcb_property_notify_event_t*>(event.get());
            if (notify->window != window_ || notify->atom != property_ ||
                notify->state != XCB_PROPERTY_NEW_VALUE)
                continue;
            std::vector<std::uint8_t> piece;
            if (!readProperty(piece, type)) return ClipboardData::Status::Failed;
            if (piece.empty()) return ClipboardData::Status::Read;
            bytes.insert(bytes.end(), piece.begin(), piece.end());
        }
    }

    // Reads and deletes the property; its bytes whatever their unit.
    bool readProperty(std::vector<std::uint8_t>& bytes, xcb_atom_t& type) {
        xcb_connection_t* c = connection_->get();
        bytes.clear();
        std::uint32_t offset = 0; // in 32-bit units
        for (;;) {
            const bool last = false;
            XcbReply<xcb_get_property_reply_t> reply(xcb_get_property_reply(
                c, xcb_get_property(c, last, window_, property_, XCB_GET_PROPERTY_TYPE_ANY, offset, 1u << 22),
                nullptr));
            if (!reply) return false;
            type = reply->type;
            const auto* data = static_cast<const std::uint8_t*>(xcb_get_property_value(reply.get()));
            const int length =
                xcb_get_property_value_length(reply.get()) * std::max<int>(reply->format / 8, 1);
            bytes.insert(bytes.end(), data, data + length);
            if (reply->bytes_after == 0) break;
            offset += static_cast<std::uint32_t>(length / 4);
        }
        xcb_delete_property(c, window_, property_);
        xcb_flush(c);
        return true;
    }

    std::vector<std::string> atomNames(const std::vector<std::uint8_t>& list) {
        xcb_connection_t* c = connection_->get();
        std::vector<xcb_atom_t> atoms(list.size() / 4);
        std::memcpy(atoms.data(), list.data(), atoms.size() * 4);
        std::vector<xcb_get_atom_name_cookie_t> cookies;
        for (xcb_atom_t atom : atoms)
            cookies.push_back(xcb_get_atom_name(c, atom));
        std::vector<std::string> names;
        for (auto cookie : cookies) {
            XcbReply<xcb_get_atom_name_reply_t> reply(xcb_get_atom_name_reply(c, cookie, nullptr));
            if (reply)
                names.emplace_back(xcb_get_atom_name_name(reply.get()),
                                   xcb_get_atom_name_name_length(reply.get()));
        }
        return names;
    }

    xcb_atom_t intern(const std::string& name) {
        xcb_connection_t* c = connection_->get();
        XcbReply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(
            c, xcb_intern_atom(c, 0, static_cast<std::uint16_t>(name.size()), name.c_str()), nullptr));
        return reply ? reply->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
    }

    // Answers of an earlier read that gave up are of no interest to this one.
    void dropPendingEvents() {
        while (XcbReply<xcb_generic_event_t>(xcb_poll_for_event(connection_->get()))) {
        }
    }

    XcbReply<xcb_generic_event_t> waitForEvent(Clock::time_point deadline) {
        xcb_connection_t* c = connection_->get();
        for (;;) {
            if (XcbReply<xcb_generic_event_t> event(xcb_poll_for_event(c)); event) return event;
            if (connection_->isBroken()) return nullptr;
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
            if (left <= 0) return nullptr;
            pollfd descriptor{xcb_get_file_descriptor(c), POLLIN, 0};
            ::poll(&descriptor, 1, static_cast<int>(std::min<long long>(left, 100)));
        }
    }

    std::shared_ptr<x11::XConnection> connection_;
    int timeout_;
    xcb_window_t window_ = XCB_WINDOW_NONE;
    xcb_atom_t clipboard_ = XCB_ATOM_NONE, targets_ = XCB_ATOM_NONE, incr_ = XCB_ATOM_NONE,
               property_ = XCB_ATOM_NONE;
    std::thread thread_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::function<void(ClipboardData)> job_;
    bool busy_ = false;
    bool stopping_ = false;
};

} // namespace

std::unique_ptr<ClipboardReader> x11::openClipboardReader(int timeoutMs) {
    auto connection = x11::XConnection::open();
    if (!connection) return nullptr;
    return std::make_unique<X11ClipboardReader>(std::move(connection), timeoutMs);
}

} // namespace vexmira::platform
