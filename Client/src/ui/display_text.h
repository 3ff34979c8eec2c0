#pragma once

#include <QString>

#include "common/client_id_text.h"

namespace nimbral {

// "512 B", "1.5 KB", "3.2 MB", "1.00 GB" (binary units, as file managers show them).
inline QString sizeText(qint64 bytes) {
    if (bytes < 1024) {
        return QStringLiteral("%1 B").arg(bytes);
    }
    if (bytes < 1048576) {
        return QStringLiteral("%1 KB").arg(double(bytes) / 1024.0, 0, 'f', 1);
    }
    if (bytes < 1073741824) {
        return QStringLiteral("%1 MB").arg(double(bytes) / 1048576.0, 0, 'f', 1);
    }
    return QStringLiteral("%1 GB").arg(double(bytes) / 1073741824.0, 0, 'f', 2);
}

} // namespace nimbral
