#pragma once

#include "raster/Bitmap.h"

#include <QImage>

namespace vexmira::app {

// The pictures of the control window, drawn here rather than shipped as files.
enum class Glyph {
    Stop,
    Desktop,
    SingleApplication,
    Clipboard,
    Images,
    Text,
    ScrollText,
    Options,
    Send,
    Menu,
    Close,
    // the slide panel's buttons
    FirstSlide,
    PreviousSlide,
    PlaySlides,
    NextSlide,
    LastSlide,
    PauseSlides,
    SetUpSlides
};

// A 24 x 24 glyph (16 x 16 for Menu and Close) on a magenta background, the colour that the
// buttons treat as transparent.
QImage glyphImage(Glyph glyph);

// The logo that the current picture holds at start: the name on a dark field, 386 x 243.
raster::Bitmap logoPicture();

} // namespace vexmira::app
