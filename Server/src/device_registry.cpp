#include "device_registry.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>

#include <openssl/crypto.h>
#include <spdlog/spdlog.h>

#include "schema.h"

namespace nimbral::server {

namespace {

QString sha256Hex(const QString& text) {
    return QString::fromLatin1(
        QCryptographicHash::hash(text.toUtf8(), QCryptographicHash::Sha256).toHex());
}

QString randomHex(int bytes) {
    QByteArray buffer(bytes, Qt::Uninitialized);
    QRandomGenerator::system()->fillRange(reinterpret_cast<quint32*>(buffer.data()), bytes / 4);
    return QString::fromLatin1(buffer.toHex());
}

qint64 nowSeconds() {
    return QDateTime::currentSecsSinceEpoch();
}

bool exec(QSqlQuery& query, const char* what) {
    if (!query.exec()) {
        spdlog::error("DeviceRegistry: {} failed: {}", what,
                      query.lastError().text().toStdString());
        return false;
    }
    return true;
}

} // namespace

DeviceRegistry::DeviceRegistry(QObject* parent)
    : QObject(parent)
    , m_connectionName(QStringLiteral("nimbral-registry-") +
                       QUuid::createUuid().toString(QUuid::WithoutBraces)) {
}

DeviceRegistry::~DeviceRegistry() {
    {
        QSqlDatabase db = QSqlDatabase::database(m_connectionName, false);
        if (db.isValid()) {
            db.close();
        }
    }
    QSqlDatabase::removeDatabase(m_connectionName);
}

bool DeviceRegistry::open(const DatabaseLocation& location, QString* error) {
    const bool postgres = location.kind == DatabaseLocation::Kind::PostgreSQL;
    QSqlDatabase db = QSqlDatabase::addDatabase(
        postgres ? QStringLiteral("QPSQL") : QStringLiteral("QSQLITE"), m_connectionName);
    if (!db.isValid()) {
        *error = QStringLiteral("Qt's SQL driver for %1 is missing (%2)")
                     .arg(postgres ? QStringLiteral("PostgreSQL (libqt6sql6-psql)")
                                   : QStringLiteral("SQLite"),
                          db.lastError().text());
        return false;
    }
    if (postgres) {
        db.setHostName(location.host);
        db.setPort(location.port);
        db.setUserName(location.user);
        db.setPassword(location.password);
        db.setDatabaseName(location.database);
    } else {
        QDir().mkpath(QFileInfo(location.path).absolutePath());
        db.setDatabaseName(location.path);
    }
    if (!db.open()) {
        *error = db.lastError().text();
        return false;
    }
    if (!postgres) {
        QSqlQuery query(db);
        // A second server on the same file waits briefly instead of failing at once.
        query.exec(QStringLiteral("PRAGMA busy_timeout = 5000"));
        // The registry runs on the event loop that also relays sessions: with a write-ahead log
        // and NORMAL sync a heartbeat's update costs no fsync, so it cannot stall relayed frames.
        // A power cut may lose the last few heartbeats, never the database's consistency.
        query.exec(QStringLiteral("PRAGMA journal_mode = WAL"));
        query.exec(QStringLiteral("PRAGMA synchronous = NORMAL"));
    }
    return migrateSchema(db, error);
}

QString DeviceRegistry::newClientId() {
    auto* random = QRandomGenerator::system();
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QString id = QString::number(random->bounded(100000000, 1000000000));
        if (!exists(id)) {
            return id;
        }
    }
    return {};
}

std::optional<Registration> DeviceRegistry::registerDevice(const DeviceDescription& device) {
    const QString clientId = newClientId();
    if (clientId.isEmpty()) {
        spdlog::error("DeviceRegistry: no free client ID found");
        return std::nullopt;
    }
    const QString secret = randomHex(32);
    const qint64 now = nowSeconds();
    QSqlQuery insert(QSqlDatabase::database(m_connectionName));
    insert.prepare(QStringLiteral(
        "INSERT INTO devices (client_id, secret_sha256, machine_fingerprint, client_name,"
        " agent_version, created_at, last_seen) VALUES (?, ?, ?, ?, ?, ?, ?)"));
    insert.addBindValue(clientId);
    insert.addBindValue(sha256Hex(secret));
    insert.addBindValue(device.fingerprint.isEmpty() ? QVariant() : QVariant(device.fingerprint));
    insert.addBindValue(device.clientName);
    insert.addBindValue(device.agentVersion);
    insert.addBindValue(now);
    insert.addBindValue(now);
    if (!exec(insert, "registration")) {
        return std::nullopt;
    }
    spdlog::info("DeviceRegistry: new device {}", clientId.toStdString());
    return Registration{clientId, secret};
}

std::optional<Registration> DeviceRegistry::renewDevice(const QString& clientId,
                                                        const DeviceDescription& device) {
    const QString secret = randomHex(32);
    QSqlQuery update(QSqlDatabase::database(m_connectionName));
    update.prepare(QStringLiteral(
        "UPDATE devices SET secret_sha256 = ?, machine_fingerprint = ?, client_name = ?,"
        " agent_version = ?, last_seen = ? WHERE client_id = ?"));
    update.addBindValue(sha256Hex(secret));
    update.addBindValue(device.fingerprint.isEmpty() ? QVariant() : QVariant(device.fingerprint));
    update.addBindValue(device.clientName);
    update.addBindValue(device.agentVersion);
    update.addBindValue(nowSeconds());
    update.addBindValue(clientId);
    if (!exec(update, "re-registration") || update.numRowsAffected() != 1) {
        return std::nullopt;
    }
    spdlog::info("DeviceRegistry: device {} registered again with proof of its secret",
                 clientId.toStdString());
    return Registration{clientId, secret};
}

QStringList DeviceRegistry::devicesWithFingerprint(const QString& fingerprint) {
    QStringList ids;
    if (fingerprint.isEmpty()) {
        return ids;
    }
    QSqlQuery find(QSqlDatabase::database(m_connectionName));
    find.prepare(QStringLiteral(
        "SELECT client_id FROM devices WHERE machine_fingerprint = ? ORDER BY client_id LIMIT 8"));
    find.addBindValue(fingerprint);
    if (exec(find, "fingerprint lookup")) {
        while (find.next()) {
            ids << find.value(0).toString();
        }
    }
    return ids;
}

bool DeviceRegistry::verifyCredentials(const QString& clientId, const QString& deviceSecret) {
    if (clientId.isEmpty() || deviceSecret.isEmpty()) {
        return false;
    }
    QSqlQuery query(QSqlDatabase::database(m_connectionName));
    query.prepare(QStringLiteral("SELECT secret_sha256 FROM devices WHERE client_id = ?"));
    query.addBindValue(clientId);
    if (!exec(query, "credential lookup") || !query.next()) {
        return false;
    }
    const QByteArray stored = query.value(0).toString().toLatin1();
    const QByteArray offered = sha256Hex(deviceSecret).toLatin1();
    return stored.size() == offered.size() &&
           CRYPTO_memcmp(stored.constData(), offered.constData(), stored.size()) == 0;
}

bool DeviceRegistry::exists(const QString& clientId) {
    QSqlQuery query(QSqlDatabase::database(m_connectionName));
    query.prepare(QStringLiteral("SELECT 1 FROM devices WHERE client_id = ?"));
    query.addBindValue(clientId);
    return exec(query, "device lookup") && query.next();
}

bool DeviceRegistry::recordHeartbeat(const QString& clientId, const HeartbeatInfo& info) {
    QSqlQuery query(QSqlDatabase::database(m_connectionName));
    query.prepare(QStringLiteral(
        "UPDATE devices SET local_ip = ?, public_ip = ?, nat_type = ?, agent_version = ?,"
        " last_seen = ? WHERE client_id = ?"));
    query.addBindValue(info.localIp);
    query.addBindValue(info.publicIp);
    query.addBindValue(info.natType);
    query.addBindValue(info.agentVersion);
    query.addBindValue(nowSeconds());
    query.addBindValue(clientId);
    return exec(query, "heartbeat update") && query.numRowsAffected() == 1;
}

bool DeviceRegistry::touch(const QString& clientId) {
    QSqlQuery query(QSqlDatabase::database(m_connectionName));
    query.prepare(QStringLiteral("UPDATE devices SET last_seen = ? WHERE client_id = ?"));
    query.addBindValue(nowSeconds());
    query.addBindValue(clientId);
    return exec(query, "last-seen update");
}

std::optional<HeartbeatInfo> DeviceRegistry::lastHeartbeat(const QString& clientId) {
    QSqlQuery query(QSqlDatabase::database(m_connectionName));
    query.prepare(QStringLiteral(
        "SELECT local_ip, public_ip, nat_type, agent_version FROM devices WHERE client_id = ?"));
    query.addBindValue(clientId);
    if (!exec(query, "heartbeat lookup") || !query.next()) {
        return std::nullopt;
    }
    return HeartbeatInfo{query.value(0).toString(), query.value(1).toString(),
                         query.value(2).toString(), query.value(3).toString()};
}

} // namespace nimbral::server
