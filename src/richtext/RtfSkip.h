#pragma once

#include <cstddef>
#include <string_view>

namespace vexmira::richtext {

// The position of the brace that closes the group `at` stands in (text.size() when the text ends
// first). Nested groups, escaped braces and the bytes of \binN are passed over. This runs over
// the megabytes of a picture's hexadecimal data, so it looks at 16 bytes at a time.
std::size_t skipRestOfGroup(std::string_view text, std::size_t at);

} // namespace vexmira::richtext
