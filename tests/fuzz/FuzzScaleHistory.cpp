// The scale history reader on any bytes: it never fails, and what it reads keeps the history's
// rules and reads back the same from our own stream.
#include "options/ScaleHistoryFile.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

using namespace vexmira::options;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto history = readScaleHistory(std::string_view(reinterpret_cast<const char*>(data), size));
    if (!history) return 0;
    if (history->items.size() > scaleHistoryLength) std::abort();
    const auto bytes = writeScaleHistory(*history);
    const auto again =
        readScaleHistory(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    // Texts cp1252 cannot hold come back as '?', which may make two items equal: compare only
    // when everything survives the round trip.
    if (!again) std::abort();
    const auto twice = writeScaleHistory(*again);
    if (twice != writeScaleHistory(*readScaleHistory(
                     std::string_view(reinterpret_cast<const char*>(twice.data()), twice.size()))))
        std::abort();
    return 0;
}
