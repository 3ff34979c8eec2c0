#pragma once

#include <QObject>
#include <QString>

namespace nimbral::test {

// A window's widget (or action, or dialog) by its object name, as a user's tool would find it;
// null when there is none.
template <typename T> T* child(const QObject& parent, const char* objectName) {
    return parent.findChild<T*>(QString::fromLatin1(objectName));
}

} // namespace nimbral::test
