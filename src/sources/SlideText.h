#pragma once

#include "widgets/RichEdit.h"

#include <filesystem>

namespace vexmira::sources {

// Loads a text slide into `viewer`: a ".rtf" file formatted, a ".txt" file as plain text.
// Throws std::runtime_error naming the file when it cannot be read; the viewer then keeps what
// it showed.
void loadTextSlide(widgets::TRichEdit& viewer, const std::filesystem::path& file);

} // namespace vexmira::sources
