#pragma once

#include <QString>

namespace nimbral::platform {

// Whether a window can be shown at all: the graphical application object ends the process when
// it finds no display, so start-up asks first and explains instead. Empty when one is there,
// otherwise the reason for the user.
QString missingDisplayReason();

} // namespace nimbral::platform
