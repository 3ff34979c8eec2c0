#pragma once

#include <ostream>

#include <QString>

// Readable failures: GoogleTest would print a QString as its UTF-16 code units.
QT_BEGIN_NAMESPACE
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}
QT_END_NAMESPACE
