#include "ucapture.h"

namespace vexmira::mirror {

TfCapture* fCapture = nullptr;

} // namespace vexmira::mirror
