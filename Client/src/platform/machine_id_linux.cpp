#include "platform/machine_id.h"

#include <QFile>

namespace nimbral::platform {

QString machineGuid() {
    for (const char* path : {"/etc/machine-id", "/var/lib/dbus/machine-id"}) {
        QFile file(QString::fromLatin1(path));
        if (file.open(QIODevice::ReadOnly)) {
            const QString id = QString::fromUtf8(file.read(256)).trimmed();
            if (!id.isEmpty()) {
                return id;
            }
        }
    }
    return {};
}

} // namespace nimbral::platform
