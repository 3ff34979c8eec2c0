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

} // namespace nimbral
