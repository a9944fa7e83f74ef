#include "MarqueeRun.h"

namespace vexmira::widgets {

MarqueeRun::TickResult MarqueeRun::tick(Items& items, int extent) {
    TickResult result;
    const int count = items.count();
    if (count == 0) return result;
    if (visibleCount == 0) {
        headIndex = tailIndex = 0;
        headOffset = tailOffset = 0;
        ++enterLoops;
        visibleCount = 1;
    }
    headOffset += step;
    tailOffset += step;

    // Leaving at the near edge.
    const int headExtent = items.extent(headIndex);
    if (headOffset >= extent + headExtent) {
        headOffset -= headExtent;
        --visibleCount;
        ++headIndex;
        int gap = spacingPixels;
        if (headIndex >= count) {
            headIndex = 0;
            result.wrapped = true;
            ++leaveLoops;
            gap = loopSpacingPixels;
            if (numLoops > 0 && leaveLoops >= numLoops) {
                active = false;
                result.deactivated = true;
                enterLoops = leaveLoops = 0;
            }
        }
        headOffset -= gap;
    }

    // Entering at the far edge.
    if (active) {
        const bool tailIsLast = tailIndex == count - 1;
        const int gap = tailIsLast ? loopSpacingPixels : spacingPixels;
        const int tailExtent = items.extent(tailIndex);
        const bool loopsAllow = numLoops == 0 || enterLoops < numLoops || !tailIsLast;
        if (tailOffset >= gap + tailExtent && loopsAllow) {
            tailOffset -= tailExtent + gap;
            ++tailIndex;
            if (tailIndex >= count) {
                tailIndex = 0;
                ++enterLoops;
            }
            ++visibleCount;
        }
    }
    return result;
}

void MarqueeRun::walk(Items& items, int extent, int from, int to, bool reversed,
                      const std::function<void(int index, int position)>& draw) {
    const int count = items.count();
    if (visibleCount == 0 || count == 0) return;
    int index = tailIndex % count;
    auto previous = [count](int i) { return i == 0 ? count - 1 : i - 1; };
    auto gapBefore = [this](int i) { return i == 0 ? loopSpacingPixels : spacingPixels; };
    if (!reversed) {
        int position = extent - tailOffset;
        for (int n = 0; n < visibleCount; ++n) {
            if (position < to) draw(index, position);
            position -= gapBefore(index);
            if (position < from) break;
            index = previous(index);
            position -= items.extent(index);
        }
    } else {
        int position = tailOffset - items.extent(index);
        for (int n = 0; n < visibleCount; ++n) {
            const int itemExtent = items.extent(index);
            if (position + itemExtent > from) draw(index, position);
            position += itemExtent + gapBefore(index);
            if (position >= to) break;
            index = previous(index);
        }
    }
}

void MarqueeRun::relayout(Items& items, int extent) {
    if (visibleCount == 0) return;
    visibleCount = 0;
    const int count = items.count();
    if (count == 0) return;
    if (tailIndex > count - 1) tailIndex = count - 1;
    while (tailIndex > 0 && !items.prepared(tailIndex))
        --tailIndex;
    // From the tail back: each item entered when the one before it had moved its own extent and
    // the gap after it, so it is that much further on.
    int index = tailIndex;
    int offset = tailOffset;
    int loops = enterLoops;
    headIndex = tailIndex;
    headOffset = tailOffset;
    while (items.prepared(index) && offset < extent + items.extent(index)) {
        ++visibleCount;
        headIndex = index;
        headOffset = offset;
        int before = index - 1;
        int gap = spacingPixels;
        if (index == 0) {
            if (loops <= 1) break; // the first pass: nothing came before it
            --loops;
            before = count - 1;
            gap = loopSpacingPixels;
        }
        offset += gap + items.extent(before);
        index = before;
    }
}

void MarqueeRun::restart() {
    visibleCount = 0;
    enterLoops = leaveLoops = 0;
}

} // namespace vexmira::widgets
