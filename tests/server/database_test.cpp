// The registry on both databases it can live in: an SQLite file, and PostgreSQL (a cluster of
// the test's own, skipped where PostgreSQL is not installed).
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

#include "device_registry.h"
#include "postgres_server.h"
#include "schema.h"

namespace nimbral::server {
namespace {

enum class Store { SQLite, PostgreSQL };

class RegistryDatabase : public ::testing::TestWithParam<Store> {
protected:
    static void SetUpTestSuite() {
        s_postgres = std::make_unique<PostgresServer>();
        if (!s_postgres->start()) {
            s_postgres.reset();
        }
    }
    static void TearDownTestSuite() { s_postgres.reset(); }

    void SetUp() override {
        if (GetParam() == Store::PostgreSQL) {
            if (!s_postgres) {
                GTEST_SKIP() << "no PostgreSQL here";
            }
            const QString name = QStringLiteral("test%1").arg(++s_databases);
            ASSERT_TRUE(s_postgres->createDatabase(name));
            QString error;
            location = *DatabaseLocation::parse(s_postgres->url(name), &error);
        } else {
            location.path = m_folder.path() + "/server.sqlite";
        }
    }

    // The database itself, for what the registry does not show.
    QSqlDatabase rawConnection(const QString& name) {
        QSqlDatabase db =
            QSqlDatabase::addDatabase(GetParam() == Store::PostgreSQL ? "QPSQL" : "QSQLITE", name);
        if (GetParam() == Store::PostgreSQL) {
            db.setHostName(location.host);
            db.setPort(location.port);
            db.setUserName(location.user);
            db.setDatabaseName(location.database);
        } else {
            db.setDatabaseName(location.path);
        }
        EXPECT_TRUE(db.open());
        return db;
    }

    DatabaseLocation location;
    static std::unique_ptr<PostgresServer> s_postgres;
    static int s_databases;

private:
    QTemporaryDir m_folder;
};

std::unique_ptr<PostgresServer> RegistryDatabase::s_postgres;
int RegistryDatabase::s_databases = 0;

TEST_P(RegistryDatabase, DevicesRegisterLogInRenewAndSurviveAReopen) {
    QString registrationId;
    QString secret;
    {
        DeviceRegistry registry;
        QString error;
        ASSERT_TRUE(registry.open(location, &error)) << error.toStdString();
        const auto registration = registry.registerDevice({"desk", "1.2.3", "fingerprint"});
        ASSERT_TRUE(registration);
        registrationId = registration->clientId;
        EXPECT_TRUE(registry.verifyCredentials(registrationId, registration->deviceSecret));
        EXPECT_FALSE(registry.verifyCredentials(registrationId, QString(64, 'a')));
        EXPECT_FALSE(registry.verifyCredentials("123456789", registration->deviceSecret));
        const auto renewed = registry.renewDevice(registrationId, {"desk", "1.2.4", "fingerprint"});
        ASSERT_TRUE(renewed);
        EXPECT_EQ(renewed->clientId, registrationId);
        EXPECT_FALSE(registry.verifyCredentials(registrationId, registration->deviceSecret));
        secret = renewed->deviceSecret;
        EXPECT_EQ(registry.devicesWithFingerprint("fingerprint"), QStringList{registrationId});
        ASSERT_TRUE(
            registry.recordHeartbeat(registrationId, {"10.0.0.2", "1.2.3.4", "cone", "1.2.4"}));
    }
    // A second start finds everything, and its layout already current.
    DeviceRegistry reopened;
    QString error;
    ASSERT_TRUE(reopened.open(location, &error)) << error.toStdString();
    EXPECT_TRUE(reopened.verifyCredentials(registrationId, secret));
    const auto heartbeat = reopened.lastHeartbeat(registrationId);
    ASSERT_TRUE(heartbeat);
    EXPECT_EQ(heartbeat->publicIp, "1.2.3.4");
    EXPECT_EQ(heartbeat->natType, "cone");
    {
        QSqlDatabase db = rawConnection("layout");
        QSqlQuery query(db);
        ASSERT_TRUE(query.exec("SELECT version FROM schema_version"));
        ASSERT_TRUE(query.next());
        EXPECT_EQ(query.value(0).toInt(), currentSchemaVersion());
        EXPECT_FALSE(query.next()) << "one version row";
    }
    QSqlDatabase::removeDatabase("layout");
}

// A registry from before layouts had versions (a UNIQUE fingerprint) is carried over.
TEST_P(RegistryDatabase, AnUnversionedRegistryIsUpgradedWithItsDevices) {
    {
        QSqlDatabase db = rawConnection("old");
        QSqlQuery query(db);
        ASSERT_TRUE(query.exec("CREATE TABLE devices (client_id TEXT PRIMARY KEY,"
                               " secret_sha256 TEXT NOT NULL, machine_fingerprint TEXT UNIQUE,"
                               " client_name TEXT NOT NULL DEFAULT '', agent_version TEXT NOT NULL"
                               " DEFAULT '', created_at BIGINT NOT NULL, last_seen BIGINT NOT NULL,"
                               " local_ip TEXT NOT NULL DEFAULT '', public_ip TEXT NOT NULL"
                               " DEFAULT '', nat_type TEXT NOT NULL DEFAULT '')"));
        // SHA-256 of 64 times 'a'.
        ASSERT_TRUE(query.exec(
            "INSERT INTO devices (client_id, secret_sha256, machine_fingerprint, created_at,"
            " last_seen) VALUES ('123456789',"
            " 'ffe054fe7ae0cb6dc65c3af9b61d5209f439851db43d0ba5997337df154668eb', 'old', 1, 1)"));
        db.close();
    }
    QSqlDatabase::removeDatabase("old");
    DeviceRegistry registry;
    QString error;
    ASSERT_TRUE(registry.open(location, &error)) << error.toStdString();
    EXPECT_TRUE(registry.verifyCredentials("123456789", QString(64, 'a')));
    ASSERT_TRUE(registry.registerDevice({"clone", "1", "old"}))
        << "the fingerprint is no longer unique";
    EXPECT_EQ(registry.devicesWithFingerprint("old").size(), 2);
}

INSTANTIATE_TEST_SUITE_P(Both, RegistryDatabase,
                         ::testing::Values(Store::SQLite, Store::PostgreSQL), [](const auto& info) {
                             return info.param == Store::SQLite ? "SQLite" : "PostgreSQL";
                         });

} // namespace
} // namespace nimbral::server
