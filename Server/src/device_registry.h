#pragma once

#include <optional>

#include <QObject>
#include <QString>

#include "database_location.h"

namespace nimbral::server {

struct Registration {
    QString clientId;
    QString deviceSecret; // handed out once; only its SHA-256 is stored
};

// What a device says about itself when it registers.
struct DeviceDescription {
    QString clientName;
    QString agentVersion;
    QString fingerprint; // a hint only: machines cloned from one image share it
};

struct HeartbeatInfo {
    QString localIp;
    QString publicIp;
    QString natType;
    QString agentVersion;
};

// Registered devices in a SQL database: an SQLite file, or PostgreSQL shared by several nodes (the
// queries stay within what both accept). Everything is written through at once, so a restart
// loses nothing.
// Main thread only.
class DeviceRegistry : public QObject {
    Q_OBJECT

public:
    explicit DeviceRegistry(QObject* parent = nullptr);
    ~DeviceRegistry() override;

    // Opens the database (an SQLite file is created when needed) and brings its layout up to
    // date. False with `error` filled on failure.
    bool open(const DatabaseLocation& location, QString* error);

    // A new device with a new client ID, whatever its fingerprint: a fingerprint is readable by
    // anyone on the machine and shared by cloned images, so it never hands over an ID. Empty on
    // a database failure.
    std::optional<Registration> registerDevice(const DeviceDescription& device);
    // A new secret for an existing ID whose current secret the caller has proven (checked with
    // verifyCredentials first). Empty on a database failure or an unknown ID.
    std::optional<Registration> renewDevice(const QString& clientId,
                                            const DeviceDescription& device);
    // The devices registered with this fingerprint, for the log.
    QStringList devicesWithFingerprint(const QString& fingerprint);

    bool verifyCredentials(const QString& clientId, const QString& deviceSecret);
    bool exists(const QString& clientId);
    bool recordHeartbeat(const QString& clientId, const HeartbeatInfo& info);
    bool touch(const QString& clientId);
    std::optional<HeartbeatInfo> lastHeartbeat(const QString& clientId);

private:
    QString newClientId();

    QString m_connectionName;
};

} // namespace nimbral::server
