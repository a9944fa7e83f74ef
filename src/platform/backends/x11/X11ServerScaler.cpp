#include "platform/ServerScaling.h"
#include "platform/backends/Backends.h"

#include "ShmSegmentPool.h"
#include "XConnection.h"
#include "XcbHelpers.h"
#include "raster/ScaleGeometry.h"

#include <cstdio>
#include <cstring>
#include <optional>

#include <xcb/render.h>

namespace vexmira::platform {

namespace {

using raster::Rect;
using x11::XcbReply;
using x11::XConnection;

xcb_render_fixed_t fixed(double value) {
    return static_cast<xcb_render_fixed_t>(value * 65536.0 + (value >= 0 ? 0.5 : -0.5));
}

// The picture format of `visual`, from the server's list.
xcb_render_pictformat_t formatOfVisual(const xcb_render_query_pict_formats_reply_t* formats,
                                       xcb_visualid_t visual) {
    for (auto screens = xcb_render_query_pict_formats_screens_iterator(formats); screens.rem;
         xcb_render_pictscreen_next(&screens))
        for (auto depths = xcb_render_pictscreen_depths_iterator(screens.data); depths.rem;
             xcb_render_pictdepth_next(&depths))
            for (auto visuals = xcb_render_pictdepth_visuals_iterator(depths.data); visuals.rem;
                 xcb_render_pictvisual_next(&visuals))
                if (visuals.data->visual == visual) return visuals.data->format;
    return 0;
}

// A source for the scaling: the root window itself (its windows included), or, where samples
// would reach past the source rectangle, a pixmap copy of the rectangle whose edge pixels repeat
// outwards, as the program's own bilinear scaling clamps at the edges.
class X11ServerScaler final : public ServerScaler, private x11::EventListener {
    struct Offscreen {
        xcb_pixmap_t pixmap = 0;
        xcb_render_picture_t picture = 0;
        raster::Size size;
    };

  public:
    X11ServerScaler(std::shared_ptr<XConnection> connection, xcb_render_pictformat_t format)
        : connection_(std::move(connection)), format_(format),
          pool_(connection_->hasShm() ? std::make_shared<x11::ShmSegmentPool>(connection_) : nullptr) {
        xcb_connection_t* c = connection_->get();
        rootPicture_ = xcb_generate_id(c);
        const std::uint32_t inferiors[] = {XCB_SUBWINDOW_MODE_INCLUDE_INFERIORS};
        xcb_render_create_picture(c, rootPicture_, connection_->root(), format_, XCB_RENDER_CP_SUBWINDOW_MODE,
                                  inferiors);
        setBilinear(rootPicture_);
        copyGc_ = xcb_generate_id(c);
        xcb_create_gc(c, copyGc_, connection_->root(), XCB_GC_SUBWINDOW_MODE, inferiors);
        xcb_flush(c);
    }

    ~X11ServerScaler() override {
        xcb_connection_t* c = connection_->get();
        finish();
        uncover();
        drop(padded_);
        drop(scratch_);
        xcb_render_free_picture(c, rootPicture_);
        xcb_free_gc(c, copyGc_);
        xcb_flush(c);
    }

    bool scaled(const Rect& source, raster::Size size, raster::Bitmap& target) override {
        target = raster::Bitmap();
        if (source.isEmpty() || size.width <= 0 || size.height <= 0 || size.width > 32767 ||
            size.height > 32767)
            return false;
        xcb_connection_t* c = connection_->get();
        if (connection_->isBroken()) return false;
        if (scratch_.size != size) make(scratch_, size, false);
        const xcb_render_picture_t from = sourceFor(source, {0, 0, size.width, size.height}, nullptr);
        xcb_render_composite(c, XCB_RENDER_PICT_OP_SRC, from, XCB_RENDER_PICTURE_NONE, scratch_.picture, 0, 0,
                             0, 0, 0, 0, static_cast<std::uint16_t>(size.width),
                             static_cast<std::uint16_t>(size.height));
        return readBack(scratch_.pixmap, size, target);
    }

    void cover(WindowHandle parent, const Rect& area) override {
        xcb_connection_t* c = connection_->get();
        const auto parentWindow = static_cast<xcb_window_t>(parent);
        if (area.isEmpty()) {
            uncover();
            return;
        }
        if (window_ && parentWindow == parent_ && area == area_) return;
        if (window_ && parentWindow != parent_) uncover();
        if (!window_) {
            window_ = xcb_generate_id(c);
            // The window's pixels are ours alone: no background is painted, expose is reported.
            const std::uint32_t values[] = {XCB_BACK_PIXMAP_NONE, 0, XCB_EVENT_MASK_EXPOSURE,
                                            connection_->defaultColormap()};
            connection_->listen(window_, this);
            xcb_create_window(c, static_cast<std::uint8_t>(connection_->rootDepth()), window_, parentWindow,
                              static_cast<std::int16_t>(area.x), static_cast<std::int16_t>(area.y),
                              static_cast<std::uint16_t>(area.width), static_cast<std::uint16_t>(area.height),
                              0, XCB_WINDOW_CLASS_INPUT_OUTPUT, connection_->rootVisual(),
                              XCB_CW_BACK_PIXMAP | XCB_CW_BORDER_PIXEL | XCB_CW_EVENT_MASK | XCB_CW_COLORMAP,
                              values);
            windowPicture_ = xcb_generate_id(c);
            xcb_render_create_picture(c, windowPicture_, window_, format_, 0, nullptr);
            xcb_map_window(c, window_);
            parent_ = parentWindow;
        } else {
            const std::uint32_t place[] = {
                static_cast<std::uint32_t>(area.x), static_cast<std::uint32_t>(area.y),
                static_cast<std::uint32_t>(area.width), static_cast<std::uint32_t>(area.height)};
            xcb_configure_window(c, window_,
                                 XCB_CONFIG_WINDOW_X | XCB_CONFIG_WINDOW_Y | XCB_CONFIG_WINDOW_WIDTH |
                                     XCB_CONFIG_WINDOW_HEIGHT,
                                 place);
        }
        area_ = area;
        wholeNeeded_ = true;
        xcb_flush(c);
    }

    void uncover() override {
        if (!window_) return;
        xcb_connection_t* c = connection_->get();
        connection_->stopListening(window_, this);
        // The parent may have gone with the window already: those errors are of no interest.
        xcb_discard_reply(c, xcb_render_free_picture_checked(c, windowPicture_).sequence);
        xcb_discard_reply(c, xcb_destroy_window_checked(c, window_).sequence);
        xcb_flush(c);
        window_ = 0;
        windowPicture_ = 0;
        parent_ = 0;
        area_ = {};
    }

    bool covering() const override { return window_ != 0; }

    bool needsDrawing() override {
        connection_->dispatch();
        return window_ && wholeNeeded_;
    }

    void draw(const Rect& source, const Rect& picture, const std::vector<Rect>* changed) override {
        if (!window_ || source.isEmpty() || connection_->isBroken()) return;
        connection_->dispatch();
        finish();
        xcb_connection_t* c = connection_->get();
        const Rect whole{0, 0, area_.width, area_.height};
        const bool everything = !changed || wholeNeeded_ || source != lastSource_ || picture != lastPicture_;
        std::vector<xcb_rectangle_t> dirty;
        if (everything) {
            dirty.push_back(rectangle(whole));
            // Black around the picture.
            const Rect inside = picture.intersected(whole);
            std::vector<xcb_rectangle_t> around;
            if (inside.isEmpty()) {
                around.push_back(rectangle(whole));
            } else {
                around.push_back(rectangle({0, 0, whole.width, inside.y}));
                around.push_back(
                    rectangle({0, inside.bottom(), whole.width, whole.height - inside.bottom()}));
                around.push_back(rectangle({0, inside.y, inside.x, inside.height}));
                around.push_back(
                    rectangle({inside.right(), inside.y, whole.width - inside.right(), inside.height}));
            }
            std::erase_if(around, [](const xcb_rectangle_t& r) { return r.width == 0 || r.height == 0; });
            const xcb_render_color_t black{0, 0, 0, 0xFFFF};
            if (!around.empty())
                xcb_render_fill_rectangles(c, XCB_RENDER_PICT_OP_SRC, windowPicture_, black,
                                           static_cast<std::uint32_t>(around.size()), around.data());
        } else {
            for (const Rect& part : *changed) {
                const Rect shown = raster::shownPartOf(part, source.size(), picture).intersected(whole);
                if (!shown.isEmpty()) dirty.push_back(rectangle(shown));
            }
        }
        if (!dirty.empty()) {
            const xcb_render_picture_t from = sourceFor(source, picture, everything ? nullptr : changed);
            const Rect inside = picture.intersected(whole);
            for (const xcb_rectangle_t& r : dirty) {
                const Rect part = Rect{r.x, r.y, r.width, r.height}.intersected(inside);
                if (part.isEmpty()) continue;
                xcb_render_composite(c, XCB_RENDER_PICT_OP_SRC, from, XCB_RENDER_PICTURE_NONE, windowPicture_,
                                     static_cast<std::int16_t>(part.x - picture.x),
                                     static_cast<std::int16_t>(part.y - picture.y), 0, 0,
                                     static_cast<std::int16_t>(part.x), static_cast<std::int16_t>(part.y),
                                     static_cast<std::uint16_t>(part.width),
                                     static_cast<std::uint16_t>(part.height));
            }
        }
        wholeNeeded_ = false;
        lastSource_ = source;
        lastPicture_ = picture;
        inFlight_ = xcb_get_input_focus(c);
        xcb_flush(c);
    }

    void finish() override {
        if (!inFlight_) return;
        XcbReply<xcb_get_input_focus_reply_t>(
            xcb_get_input_focus_reply(connection_->get(), *inFlight_, nullptr));
        inFlight_.reset();
    }

  private:
    static xcb_rectangle_t rectangle(const Rect& r) {
        return {static_cast<std::int16_t>(r.x), static_cast<std::int16_t>(r.y),
                static_cast<std::uint16_t>(r.width), static_cast<std::uint16_t>(r.height)};
    }

    void setBilinear(xcb_render_picture_t picture) {
        static constexpr char name[] = "bilinear";
        xcb_render_set_picture_filter(connection_->get(), picture, sizeof name - 1, name, 0, nullptr);
    }

    // Maps a picture pixel's centre to the source position that the program's own bilinear
    // scaling samples: (d + 1/2) * S / D from the source's corner.
    void setScale(xcb_render_picture_t picture, const Rect& source, const Rect& shown, int originX,
                  int originY) {
        const double sx = double(source.width) / shown.width, sy = double(source.height) / shown.height;
        const xcb_render_transform_t transform{fixed(sx), 0, fixed(originX), 0, fixed(sy), fixed(originY),
                                               0,         0, fixed(1)};
        xcb_render_set_picture_transform(connection_->get(), picture, transform);
    }

    // The picture to scale `source` from onto `shown`: the root itself when every sample lies
    // inside the source (it shrinks or keeps its size and lies on the desktop), else the padded
    // copy, brought up to date where `changed` (all when null) says.
    xcb_render_picture_t sourceFor(const Rect& source, const Rect& shown, const std::vector<Rect>* changed) {
        const auto [rootWidth, rootHeight] = connection_->rootSize();
        const bool inside = source.intersected({0, 0, rootWidth, rootHeight}) == source;
        if (inside && shown.width <= source.width && shown.height <= source.height) {
            setScale(rootPicture_, source, shown, source.x, source.y);
            return rootPicture_;
        }
        xcb_connection_t* c = connection_->get();
        const bool fresh = padded_.size != source.size();
        if (fresh) make(padded_, source.size(), true);
        // Outside the desktop the picture is black, as a capture gives it.
        const Rect desktop{0, 0, rootWidth, rootHeight};
        auto copy = [&](const Rect& part) {
            const Rect onDesktop =
                Rect{source.x + part.x, source.y + part.y, part.width, part.height}.intersected(desktop);
            if (onDesktop.isEmpty()) return;
            xcb_copy_area(
                c, connection_->root(), padded_.pixmap, copyGc_, static_cast<std::int16_t>(onDesktop.x),
                static_cast<std::int16_t>(onDesktop.y), static_cast<std::int16_t>(onDesktop.x - source.x),
                static_cast<std::int16_t>(onDesktop.y - source.y),
                static_cast<std::uint16_t>(onDesktop.width), static_cast<std::uint16_t>(onDesktop.height));
        };
        if (fresh || !changed || source != paddedSource_) {
            if (!inside) {
                const xcb_render_color_t black{0, 0, 0, 0xFFFF};
                const xcb_rectangle_t all = rectangle({0, 0, source.width, source.height});
                xcb_render_fill_rectangles(c, XCB_RENDER_PICT_OP_SRC, padded_.picture, black, 1, &all);
            }
            copy({0, 0, source.width, source.height});
        } else {
            for (const Rect& part : *changed)
                copy(part);
        }
        paddedSource_ = source;
        setScale(padded_.picture, source, shown, 0, 0);
        return padded_.picture;
    }

    bool readBack(xcb_pixmap_t pixmap, raster::Size size, raster::Bitmap& target) {
        xcb_connection_t* c = connection_->get();
        const std::size_t bytes = std::size_t(size.width) * size.height * 4;
        if (pool_) {
            const x11::ShmSegment* segment = nullptr;
            if (std::shared_ptr<std::uint8_t> storage = pool_->acquire(bytes, &segment)) {
                auto reply = VEXMIRA_XCB_REPLY(xcb_shm_get_image, c, c, pixmap, 0, 0,
                                               static_cast<std::uint16_t>(size.width),
                                               static_cast<std::uint16_t>(size.height), ~0u,
                                               XCB_IMAGE_FORMAT_Z_PIXMAP, segment->id(), 0);
                if (!reply) return false;
                target =
                    raster::Bitmap::wrap(std::move(storage), size.width, size.height, size.width * 4, 24);
                return true;
            }
        }
        auto reply = VEXMIRA_XCB_REPLY(xcb_get_image, c, c, XCB_IMAGE_FORMAT_Z_PIXMAP, pixmap, 0, 0,
                                       static_cast<std::uint16_t>(size.width),
                                       static_cast<std::uint16_t>(size.height), ~0u);
        if (!reply || static_cast<std::size_t>(xcb_get_image_data_length(reply.get())) < bytes) return false;
        raster::Bitmap picture(size.width, size.height, 24);
        std::memcpy(picture.mutableBits(), xcb_get_image_data(reply.get()), bytes);
        target = std::move(picture);
        return true;
    }

    void handleEvent(const xcb_generic_event_t& event) override {
        if ((event.response_type & 0x7F) == XCB_EXPOSE) wholeNeeded_ = true;
    }

    // A pixmap of the root's depth and a picture on it, made anew for `size`; `padded` repeats
    // its edge pixels outwards and samples bilinearly.
    void make(Offscreen& offscreen, raster::Size size, bool padded) {
        drop(offscreen);
        xcb_connection_t* c = connection_->get();
        offscreen.pixmap = xcb_generate_id(c);
        xcb_create_pixmap(c, static_cast<std::uint8_t>(connection_->rootDepth()), offscreen.pixmap,
                          connection_->root(), static_cast<std::uint16_t>(size.width),
                          static_cast<std::uint16_t>(size.height));
        offscreen.picture = xcb_generate_id(c);
        const std::uint32_t pad[] = {XCB_RENDER_REPEAT_PAD};
        xcb_render_create_picture(c, offscreen.picture, offscreen.pixmap, format_,
                                  padded ? std::uint32_t{XCB_RENDER_CP_REPEAT} : 0u, padded ? pad : nullptr);
        if (padded) setBilinear(offscreen.picture);
        offscreen.size = size;
    }

    void drop(Offscreen& offscreen) {
        if (!offscreen.pixmap) return;
        xcb_render_free_picture(connection_->get(), offscreen.picture);
        xcb_free_pixmap(connection_->get(), offscreen.pixmap);
        offscreen = {};
    }

    std::shared_ptr<XConnection> connection_;
    xcb_render_pictformat_t format_;
    std::shared_ptr<x11::ShmSegmentPool> pool_;
    xcb_render_picture_t rootPicture_ = 0;
    xcb_gcontext_t copyGc_ = 0;
    Offscreen padded_;  // the source copy with repeating edges
    Rect paddedSource_; // the part of the desktop it holds
    Offscreen scratch_; // where the preview is scaled to be read back
    xcb_window_t window_ = 0;
    xcb_window_t parent_ = 0;
    xcb_render_picture_t windowPicture_ = 0;
    Rect area_;
    bool wholeNeeded_ = false;
    Rect lastSource_, lastPicture_;
    std::optional<xcb_get_input_focus_cookie_t> inFlight_;
};

} // namespace

std::unique_ptr<ServerScaler> x11::openServerScaler() {
    auto connection = XConnection::shared();
    if (!connection || !connection->rootIsBgra() || !connection->has(x11::Extension::Render)) return nullptr;
    xcb_connection_t* c = connection->get();
    auto formats = VEXMIRA_XCB_REPLY(xcb_render_query_pict_formats, c, c);
    if (!formats) return nullptr;
    const xcb_render_pictformat_t format = formatOfVisual(formats.get(), connection->rootVisual());
    if (!format) return nullptr;
    return std::make_unique<X11ServerScaler>(std::move(connection), format);
}

} // namespace vexmira::platform
