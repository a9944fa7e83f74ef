// The marquee's run, tick by tick, against a tape model: the items laid out once, end to end
// with their gaps, pulled past the client area by `step` pixels a tick.
#include "widgets/MarqueeRun.h"
#include "widgets/TextPieces.h"

#include <QTextBoundaryFinder>

#include <gtest/gtest.h>

#include <set>
#include <utility>
#include <vector>

using vexmira::widgets::MarqueeRun;

namespace {

struct FixedItems : MarqueeRun::Items {
    std::vector<int> extents;
    std::vector<bool> ready;
    explicit FixedItems(std::vector<int> e) : extents(std::move(e)), ready(extents.size(), false) {}
    int count() const override { return static_cast<int>(extents.size()); }
    int extent(int index) override {
        ready[static_cast<std::size_t>(index)] = true;
        return extents[static_cast<std::size_t>(index)];
    }
    bool prepared(int index) const override { return ready[static_cast<std::size_t>(index)]; }
};

using Placed = std::set<std::pair<int, int>>; // (item, near edge)

// Where the tape puts the items after `moved` pixels: item k of the endless sequence starts at
// the far edge plus its place on the tape.
Placed tapeModel(const std::vector<int>& extents, int spacing, int loopSpacing, int extent, int moved) {
    Placed placed;
    const int count = static_cast<int>(extents.size());
    int tape = 0;
    for (int k = 0; tape <= moved; ++k) {
        const int index = k % count;
        const int position = extent - moved + tape;
        const int width = extents[static_cast<std::size_t>(index)];
        if (position < extent && position + width > 0) placed.insert({index, position});
        tape += width + (index == count - 1 ? loopSpacing : spacing);
    }
    return placed;
}

Placed walked(MarqueeRun& run, FixedItems& items, int extent, bool reversed = false) {
    Placed placed;
    run.walk(items, extent, 0, extent, reversed, [&](int index, int position) {
        if (position < extent && position + items.extents[static_cast<std::size_t>(index)] > 0)
            placed.insert({index, position});
    });
    return placed;
}

MarqueeRun running(int step, int spacing, int loopSpacing) {
    MarqueeRun run;
    run.step = step;
    run.spacingPixels = spacing;
    run.loopSpacingPixels = loopSpacing;
    run.active = true;
    return run;
}

} // namespace

TEST(MarqueeRun, ItemsFollowTheTapeThroughEnteringLeavingAndWrapping) {
    const struct {
        std::vector<int> extents;
        int extent, step, spacing, loopSpacing;
    } cases[] = {
        {{30, 45, 10}, 120, 3, 12, 60}, // several items, gaps smaller than the area
        {{50}, 200, 1, 200, 200},       // one item with both gaps the whole width
        {{400, 20}, 150, 7, 0, 15},     // an item wider than the area, no gap between items
        {{5, 5, 5, 5}, 60, 2, 1, 0},    // many short items, no loop gap
    };
    for (const auto& c : cases) {
        FixedItems items(c.extents);
        MarqueeRun run = running(c.step, c.spacing, c.loopSpacing);
        int wraps = 0;
        for (int t = 1; t <= 1500; ++t) {
            wraps += run.tick(items, c.extent).wrapped;
            ASSERT_EQ(walked(run, items, c.extent),
                      tapeModel(c.extents, c.spacing, c.loopSpacing, c.extent, t * c.step))
                << "extent " << c.extent << ", tick " << t;
            // Right-to-left reading mirrors every item.
            Placed mirrored;
            for (auto [index, position] : walked(run, items, c.extent, true))
                mirrored.insert({index, c.extent - position - c.extents[static_cast<std::size_t>(index)]});
            ASSERT_EQ(mirrored, walked(run, items, c.extent)) << "tick " << t;
        }
        EXPECT_GT(wraps, 0);
    }
}

TEST(MarqueeRun, OneItemWithAWholeLoopGapIsNeverShownTwice) {
    FixedItems items({50});
    MarqueeRun run = running(1, 200, 200);
    int enteredAgainAt = 0, leftAt = 0;
    for (int t = 1; t <= 600; ++t) {
        const int enterLoops = run.enterLoops;
        const bool wrapped = run.tick(items, 200).wrapped;
        EXPECT_LE(walked(run, items, 200).size(), 1u) << t;
        if (t == 1) {
            EXPECT_EQ(walked(run, items, 200), (Placed{{0, 199}})) << "enters at the right edge";
        }
        if (run.enterLoops == 2 && enterLoops == 1) enteredAgainAt = t;
        if (wrapped && leftAt == 0) leftAt = t;
    }
    EXPECT_EQ(leftAt, 250);
    EXPECT_EQ(enteredAgainAt, leftAt) << "the next pass enters as the last pixel leaves";
}

TEST(MarqueeRun, RelayoutKeepsTheTailWhereItWasAndLoopsEndTheRun) {
    FixedItems items({30, 45, 10});
    MarqueeRun run = running(3, 12, 60);
    for (int t = 0; t < 90; ++t)
        run.tick(items, 200);
    const int tail = run.tailIndex, tailOffset = run.tailOffset;
    // Narrower and wider: measured from the far edge the tail stays, and the run behind it is
    // what the tape gives for that area.
    for (int extent : {120, 200, 400}) {
        run.relayout(items, extent);
        EXPECT_EQ(run.tailIndex, tail);
        EXPECT_EQ(run.tailOffset, tailOffset);
        EXPECT_EQ(walked(run, items, extent), tapeModel(items.extents, 12, 60, extent, 270)) << extent;
    }

    // One pass only: the run ends when its last item has left.
    FixedItems one({40});
    MarqueeRun once = running(2, 50, 50);
    once.numLoops = 1;
    bool ended = false;
    for (int t = 0; t < 200 && !ended; ++t)
        ended = once.tick(one, 100).deactivated;
    EXPECT_TRUE(ended);
    EXPECT_FALSE(once.active);
}

// Long lines are cut for drawing only where a reader would not notice: the pieces cover the line
// in order, none ends inside a grapheme (an emoji's surrogate pair, a letter and its marks), and
// most end after a space where the text has spaces.
TEST(LinePieces, CoverTheLineAndNeverSplitAGrapheme) {
    const QString emoji = QString::fromUtf8("\xF0\x9F\x98\x80");   // one character, two units
    const QString marked = QString::fromUtf8("e\xCC\x81\xCC\xA3"); // e with two combining marks
    const QString hebrew = QString::fromUtf8("\xD7\xA9\xD7\x9C\xD7\x95\xD7\x9D "); // a word and a space
    const QString texts[] = {emoji.repeated(3000), (QString("ab") + marked).repeated(900),
                             hebrew.repeated(1100), QString("x").repeated(5000),
                             QString("word ").repeated(1000) + emoji};
    for (const QString& text : texts) {
        const auto pieces = vexmira::widgets::linePieces(text, 256);
        QString joined;
        QTextBoundaryFinder graphemes(QTextBoundaryFinder::Grapheme, text);
        for (const auto& [at, length] : pieces) {
            EXPECT_EQ(at, joined.size());
            EXPECT_GT(length, 0);
            EXPECT_LE(length, 260);
            joined += text.mid(at, length);
            graphemes.setPosition(at + length);
            EXPECT_TRUE(graphemes.isAtBoundary()) << "a piece ends inside a grapheme at " << at + length;
        }
        EXPECT_EQ(joined, text);
    }
    const QString words = QString("word ").repeated(1000);
    for (const auto& [at, length] : vexmira::widgets::linePieces(words, 256)) {
        if (at + length < words.size()) {
            EXPECT_EQ(words.at(at + length - 1), ' ') << "a cut inside a word";
        }
    }
}
