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

// The tray icon's picture, 32 x 32: two monitors, the second lit while a source shows on it.
QImage trayPicture(bool running);
// The start-up notice's illustration of the tray, 402 x 207.
QImage trayIllustration();

// The logo that the current picture holds at start: the name on a dark field, 386 x 243.
raster::Bitmap logoPicture();

} // namespace vexmira::app
