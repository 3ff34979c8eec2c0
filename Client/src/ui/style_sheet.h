#pragma once

#include <QString>

namespace nimbral {

// The dark theme of every window. Buttons opt into the two special looks by object name:
// "primaryButton" (filled with the accent) and "flatButton" (borderless, text only).
QString applicationStyleSheet();

} // namespace nimbral
