// Feeds arbitrary bytes to the rich text reader: it must never crash, and whatever it reads must
// come back the same through our writer and the reader again.
#include "richtext/RtfReader.h"
#include "richtext/RtfWriter.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

using namespace vexmira::richtext;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const ReadResult first =
        readRichOrPlainText(std::string_view(reinterpret_cast<const char*>(data), size), {});
    if (!first.error.empty()) return 0;
    const ReadResult again = readRtf(writeRtf(first.document));
    if (!again.error.empty() || !(again.document == first.document)) std::abort();
    return 0;
}
