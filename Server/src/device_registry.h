#pragma once

#include <optional>

#include <QObject>
#include <QString>

namespace nimbral::server {

struct Registration {
    QString clientId;
    QString deviceSecret; // handed out once; only its SHA-256 is stored
};

struct HeartbeatInfo {
    QString localIp;
    QString publicIp;
    QString natType;
    QString agentVersion;
};

// Registered devices in a SQL database (SQLite here; the queries stay within what PostgreSQL also
// accepts). Everything is written through at once, so a restart loses nothing.
// Main thread only.
class DeviceRegistry : public QObject {
    Q_OBJECT

public:
    explicit DeviceRegistry(QObject* parent = nullptr);
    ~DeviceRegistry() override;

    // Opens (creating when needed) the database at path. False with `error` filled on failure.
    bool open(const QString& path, QString* error);

    // A known fingerprint keeps its client ID and gets a new secret; anything else is a new
    // device. Empty on a database failure.
    std::optional<Registration> registerDevice(const QString& clientName,
                                               const QString& agentVersion,
                                               const QString& fingerprint);

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
