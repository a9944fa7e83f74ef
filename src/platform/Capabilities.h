#pragma once

#include <string_view>

namespace vexmira::platform {

// What the window system the program runs on lets it do. Code above the platform layer asks
// this, never which window system it is.
struct Capabilities {
    bool screenCapture = false;       // the desktop can be copied
    bool windowCapture = false;       // one application window can be mirrored
    bool ownDrawingCapture = false;   // ... from its own drawing, even where it is covered
    bool windowChooser = false;       // ... chosen in the desktop's own dialog, not from our list
    bool globalKeys = false;          // keys taken for the whole desktop
    bool keepAbove = false;           // our windows kept above others, left out of the task bar
    bool placesWindows = false;       // our windows go where we put them on the desktop (else
                                      // the display window is made full-screen on its monitor)
    bool backgroundClipboard = false; // the clipboard read without our window having the focus
    bool serverScaling = false;       // the display scales mirrored pictures itself
    bool damageReports = false;       // the display says what was drawn, so an idle mirror rests
    bool directDrawing = false;       // a thread of ours draws into our windows itself
};

// Chooses the window system behind the platform services from the toolkit's own ("xcb",
// "wayland", "offscreen"...). Called once at start, before capabilities(); without it (as in
// tests of single windows) nothing is offered.
void selectWindowSystem(std::string_view toolkitPlatform);

const Capabilities& capabilities();

} // namespace vexmira::platform
