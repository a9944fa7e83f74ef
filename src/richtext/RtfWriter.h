#pragma once

#include "Document.h"

#include <string>

namespace vexmira::richtext {

// Writes the document as rich text in 7-bit characters: every character outside ASCII as a
// signed \u escape followed by its cp1252 byte (or '?'), bullets in the form simple rich-edit
// controls write, which every reader understands.
std::string writeRtf(const Document& document);

} // namespace vexmira::richtext
