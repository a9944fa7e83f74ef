#pragma once

#include <cstdlib>
#include <memory>

#include <xcb/xcb.h>

namespace vexmira::platform::x11 {

struct FreeWithFree {
    void operator()(void* pointer) const { std::free(pointer); }
};

// Every xcb reply and error is malloc'ed by xcb and owned by one of these.
template <class T> using XcbReply = std::unique_ptr<T, FreeWithFree>;

// Wait for the reply of a request; null when the server answered with an error.
#define VEXMIRA_XCB_REPLY(call, connection, ...)                                                             \
    ::vexmira::platform::x11::XcbReply<call##_reply_t>(call##_reply((connection), call(__VA_ARGS__), nullptr))

} // namespace vexmira::platform::x11
