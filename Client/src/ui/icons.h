#pragma once

#include <QIcon>
#include <QString>

namespace nimbral {

// The window's 24-pixel line icons, filled #ccd6f6, by name ("content_copy", "settings", ...).
// Drawn with QPainter: our Qt set has no SVG module to read drawings from. Unknown names give a
// null icon.
QIcon nimbralIcon(const QString& name);

} // namespace nimbral
