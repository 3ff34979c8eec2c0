#pragma once

#include <QString>

namespace nimbral {

// The dark theme of every window. Buttons opt into the two special looks by their property
// "look": "primary" (filled with the accent) or "flat" (borderless, text only); object names
// stay free to name the widget.
QString applicationStyleSheet();

} // namespace nimbral
