#pragma once

#include <QString>

#include <utility>
#include <vector>

namespace vexmira::widgets {

// Cuts a long line into pieces of about `length` characters to be laid out one by one: after a
// space in the last quarter of a piece where there is one, and never inside a grapheme (a
// surrogate pair, a letter with its marks). The pieces, as (start, length), cover the line in
// its logical order.
std::vector<std::pair<qsizetype, qsizetype>> linePieces(const QString& text, qsizetype length);

} // namespace vexmira::widgets
