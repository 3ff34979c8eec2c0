#pragma once

#include <algorithm>

#include <QLocale>
#include <QString>

#include "common/client_id_text.h"

namespace nimbral {

// As Qt's own file views write sizes ("2.76 KiB"), in the user's language: one unit wherever
// a size is shown.
inline QString sizeText(qint64 bytes) {
    return QLocale().formattedDataSize(std::max<qint64>(bytes, 0));
}

} // namespace nimbral
