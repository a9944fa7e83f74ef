#pragma once

#include <functional>

namespace vexmira::widgets {

// Where a marquee's items are, tick by tick, without any drawing: the items enter at the far
// edge one after the other, with a gap between two items and a loop gap after the last one, and
// leave at the near edge. Positions are along the direction of movement.
class MarqueeRun {
  public:
    // The items as the run sees them: their number, and their extent along the movement.
    class Items {
      public:
        virtual ~Items() = default;
        virtual int count() const = 0;
        // Prepares the item first when needed.
        virtual int extent(int index) = 0;
        virtual bool prepared(int index) const = 0;
    };

    // Settings.
    int step = 1;
    int spacingPixels = 0;
    int loopSpacingPixels = 0;
    int numLoops = 0; // 0: endless
    bool active = false;

    // The run (0 visible items: not started).
    int visibleCount = 0;
    int headIndex = 0;  // the item that entered first, the next to leave
    int headOffset = 0; // how far the scroll has moved since it entered
    int tailIndex = 0;  // the item that entered last
    int tailOffset = 0;
    int enterLoops = 0;
    int leaveLoops = 0;

    struct TickResult {
        bool wrapped = false;     // the list started over at the near edge
        bool deactivated = false; // the last pass has left
    };
    // One step of the run over a client extent of `extent` pixels. The caller moves the pixels on
    // screen by `step` and draws what was uncovered.
    TickResult tick(Items& items, int extent);

    // Calls `draw(index, position)` for every item that lies in [from, to) of the client area,
    // from the tail back towards the head; `position` is the item's near edge (left or top) along
    // the movement. With `reversed`, items move the other way (right-to-left reading).
    void walk(Items& items, int extent, int from, int to, bool reversed,
              const std::function<void(int index, int position)>& draw);

    // Rebuilds the visible run after a resize, a spacing change or a change of the items, keeping
    // the tail item where it is.
    void relayout(Items& items, int extent);

    // Starts the run over from the first item.
    void restart();
};

} // namespace vexmira::widgets
