#include "schema.h"

#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>

#include <spdlog/spdlog.h>

#include <functional>

namespace nimbral::server {

namespace {

// Runs statements, stopping at the first failure with its text in `error`.
class Statements {
public:
    Statements(QSqlDatabase& db, QString* error)
        : m_db(db)
        , m_query(db)
        , m_error(error) {}

    bool run(const QString& statement) {
        if (!m_query.exec(statement)) {
            *m_error = m_query.lastError().text();
            return false;
        }
        return true;
    }
    QSqlDatabase& db() { return m_db; }
    QSqlQuery& query() { return m_query; }

private:
    QSqlDatabase& m_db;
    QSqlQuery m_query;
    QString* m_error;
};

// Version 1: the devices table keyed by ID alone. A table from before versions existed (version
// 0) had a UNIQUE fingerprint, which handed a device's ID to whoever sent its fingerprint; it is
// copied over.
bool devicesKeyedById(Statements& sql) {
    const QString table = QStringLiteral("CREATE TABLE %1 ("
                                         " client_id TEXT PRIMARY KEY,"
                                         " secret_sha256 TEXT NOT NULL,"
                                         " machine_fingerprint TEXT,"
                                         " client_name TEXT NOT NULL DEFAULT '',"
                                         " agent_version TEXT NOT NULL DEFAULT '',"
                                         " created_at BIGINT NOT NULL,"
                                         " last_seen BIGINT NOT NULL,"
                                         " local_ip TEXT NOT NULL DEFAULT '',"
                                         " public_ip TEXT NOT NULL DEFAULT '',"
                                         " nat_type TEXT NOT NULL DEFAULT '')");
    const QString columns = QStringLiteral(
        "client_id, secret_sha256, machine_fingerprint, client_name, agent_version, created_at,"
        " last_seen, local_ip, public_ip, nat_type");
    bool ok = true;
    if (sql.db().tables().contains(QStringLiteral("devices"))) {
        ok = sql.run(table.arg(QStringLiteral("devices_v1"))) &&
             sql.run(QStringLiteral("INSERT INTO devices_v1 (%1) SELECT %1 FROM devices")
                         .arg(columns)) &&
             sql.run(QStringLiteral("DROP TABLE devices")) &&
             sql.run(QStringLiteral("ALTER TABLE devices_v1 RENAME TO devices"));
    } else {
        ok = sql.run(table.arg(QStringLiteral("devices")));
    }
    return ok && sql.run(QStringLiteral(
                     "CREATE INDEX devices_fingerprint ON devices (machine_fingerprint)"));
}

struct Migration {
    int version;
    const char* what;
    std::function<bool(Statements&)> apply;
};

const Migration kMigrations[] = {
    {1, "devices keyed by ID alone", devicesKeyedById},
};

// Any number will do, as long as it is this program's alone.
constexpr qint64 kMigrationLock = 0x4e696d6272616cLL;

bool isPostgres(const QSqlDatabase& db) {
    return db.driver()->dbmsType() == QSqlDriver::PostgreSQL;
}

int versionOf(Statements& sql) {
    if (!sql.run(QStringLiteral("SELECT MAX(version) FROM schema_version"))) {
        return -1;
    }
    return sql.query().next() ? sql.query().value(0).toInt() : 0;
}

bool applyMigration(Statements& sql, const Migration& migration, QString* error) {
    if (!sql.db().transaction()) {
        *error = sql.db().lastError().text();
        return false;
    }
    const bool ok = migration.apply(sql) && sql.run(QStringLiteral("DELETE FROM schema_version")) &&
                    sql.run(QStringLiteral("INSERT INTO schema_version (version) VALUES (%1)")
                                .arg(migration.version));
    if (!ok) {
        *error = QStringLiteral("step %1 (%2): %3")
                     .arg(migration.version)
                     .arg(QLatin1String(migration.what), *error);
        sql.db().rollback();
        return false;
    }
    if (!sql.db().commit()) {
        *error = sql.db().lastError().text();
        return false;
    }
    spdlog::info("DeviceRegistry: registry upgraded to version {} ({})", migration.version,
                 migration.what);
    return true;
}

} // namespace

int currentSchemaVersion() {
    return std::end(kMigrations)[-1].version;
}

bool migrateSchema(QSqlDatabase& db, QString* error) {
    Statements sql(db, error);
    const bool locked = isPostgres(db);
    if (locked && !sql.run(QStringLiteral("SELECT pg_advisory_lock(%1)").arg(kMigrationLock))) {
        return false;
    }
    // Asked first: PostgreSQL would log a notice at every start for IF NOT EXISTS.
    bool ok = db.tables().contains(QStringLiteral("schema_version")) ||
              sql.run(QStringLiteral("CREATE TABLE schema_version (version INTEGER NOT NULL)"));
    const int version = ok ? versionOf(sql) : -1;
    ok = ok && version >= 0;
    for (const Migration& migration : kMigrations) {
        if (ok && migration.version > version) {
            ok = applyMigration(sql, migration, error);
        }
    }
    if (ok && version > currentSchemaVersion()) {
        spdlog::warn("Database: layout version {} is newer than this server's {}", version,
                     currentSchemaVersion());
    }
    if (locked) {
        QSqlQuery(db).exec(QStringLiteral("SELECT pg_advisory_unlock(%1)").arg(kMigrationLock));
    }
    return ok;
}

} // namespace nimbral::server
