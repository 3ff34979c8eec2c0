#pragma once

#include <QIcon>
#include <QString>

namespace nimbral {

// The window's 24-pixel line icons in #ccd6f6, by name ("content_copy", "settings", ...), from
// the SVG drawings compiled in under ":/icons/". Unknown names give a null icon.
QIcon nimbralIcon(const QString& name);

} // namespace nimbral
