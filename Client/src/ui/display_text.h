#pragma once

#include <QString>

namespace nimbral {

// "123456789" -> "123 456 789"; anything that is not nine characters without blanks is
// returned as given.
inline QString formatClientId(const QString& clientId) {
    QString plain = clientId;
    plain.remove(QLatin1Char(' '));
    if (plain.size() != 9) {
        return clientId;
    }
    return plain.left(3) + QLatin1Char(' ') + plain.mid(3, 3) + QLatin1Char(' ') + plain.right(3);
}

// "123 456 789" -> "123456789": an ID as the server knows it.
inline QString withoutBlanks(QString text) {
    return text.remove(QLatin1Char(' '));
}

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
