#pragma once

#include <string>

namespace vexmira::mirror {

// Whether a window title (UTF-8) matches `pattern`, a title in which "*" stands for any text
// and "?" for any one character; letters match regardless of case. An empty pattern matches
// nothing.
bool titleMatches(const std::string& pattern, const std::string& title);

} // namespace vexmira::mirror
