#include "TextPieces.h"

#include <QTextBoundaryFinder>
#include <algorithm>

namespace vexmira::widgets {

std::vector<std::pair<qsizetype, qsizetype>> linePieces(const QString& text, qsizetype length) {
    std::vector<std::pair<qsizetype, qsizetype>> pieces;
    length = std::max<qsizetype>(length, 4);
    QTextBoundaryFinder graphemes(QTextBoundaryFinder::Grapheme, text);
    for (qsizetype at = 0; at < text.size();) {
        qsizetype end = std::min(at + length, text.size());
        if (end < text.size()) {
            const qsizetype space = text.lastIndexOf(' ', end - 1);
            if (space >= at + length * 3 / 4) {
                end = space + 1;
            } else {
                graphemes.setPosition(end);
                if (!graphemes.isAtBoundary()) {
                    const qsizetype before = graphemes.toPreviousBoundary();
                    if (before > at) {
                        end = before;
                    } else { // one grapheme longer than a piece: it stays whole
                        graphemes.setPosition(end);
                        end = std::max<qsizetype>(graphemes.toNextBoundary(), end);
                    }
                }
            }
        }
        if (end <= at) end = text.size();
        pieces.emplace_back(at, end - at);
        at = end;
    }
    return pieces;
}

} // namespace vexmira::widgets
