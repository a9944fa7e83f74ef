// The slide list reader on any bytes: it never fails, and a list it reads is written and read
// back the same.
#include "sources/SlideList.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

using namespace vexmira::sources;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const SlideListRead read =
        readSlideList(std::string_view(reinterpret_cast<const char*>(data), size), "/lists");
    if (!read.ok) {
        if (read.problem.empty() || read.badLine < 1) std::abort();
        return 0;
    }
    const SlideListRead again = readSlideList(writeSlideList(read.list), "/lists");
    if (!again.ok || again.list.loop != read.list.loop || again.list.duration != read.list.duration ||
        again.list.slides != read.list.slides)
        std::abort();
    return 0;
}
