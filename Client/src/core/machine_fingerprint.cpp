#include "core/machine_fingerprint.h"

#include <QCryptographicHash>

#include <spdlog/spdlog.h>

#include "platform/machine_id.h"

namespace nimbral {

QString MachineFingerprint::fromInstallationGuid(const QString& guid) {
    if (guid.isEmpty()) {
        return {};
    }
    const QByteArray digest =
        QCryptographicHash::hash(guid.toUtf8() + "Nimbral", QCryptographicHash::Sha256);
    return QString::fromLatin1(digest.toHex());
}

QString MachineFingerprint::generate() {
    const QString guid = platform::machineGuid();
    if (guid.isEmpty()) {
        spdlog::warn("MachineFingerprint: could not read MachineGuid from registry");
        return {};
    }
    const QString fingerprint = fromInstallationGuid(guid);
    spdlog::debug("MachineFingerprint: generated ({} chars)", fingerprint.size());
    return fingerprint;
}

} // namespace nimbral
