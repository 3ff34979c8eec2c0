// NimbralServer nodes on PostgreSQL, over their real REST port: what one node registers, another
// node on the same database knows, and a restart keeps.
#include <gtest/gtest.h>

#include "postgres_server.h"
#include "server_harness.h"

namespace nimbral::test {
namespace {

class ServerOnPostgres : public ::testing::Test {
protected:
    void SetUp() override {
        if (!postgres.start()) {
            GTEST_SKIP() << "no PostgreSQL here";
        }
    }
    PostgresServer postgres;
};

HttpReply logIn(RestClient& rest, const QString& clientId, const QString& secret) {
    return rest.post("/auth/auto-login", json{{"client_id", clientId.toStdString()},
                                              {"device_secret", secret.toStdString()}});
}

TEST_F(ServerOnPostgres, ADeviceRegisteredOnOneNodeLogsInOnAnotherAndAfterARestart) {
    ServerProcess nodeA({"--db", postgres.url()});
    ServerProcess nodeB({"--db", postgres.url()});
    ASSERT_TRUE(nodeA.start()) << nodeA.output().toStdString();
    ASSERT_TRUE(nodeB.start()) << nodeB.output().toStdString();
    EXPECT_TRUE(nodeA.output().contains("device registry postgresql://nimbral@127.0.0.1"));
    EXPECT_FALSE(nodeA.output().contains("NOTICE")) << "no notices from the layout's check";

    RestClient restA(nodeA.baseUrl());
    RestClient restB(nodeB.baseUrl());
    const Device device = registerDevice(restA, fingerprintOf("desk"));
    ASSERT_FALSE(device.clientId.isEmpty());
    const HttpReply onB = logIn(restB, device.clientId, device.secret);
    EXPECT_EQ(onB.status, 200) << onB.raw.toStdString();
    EXPECT_EQ(onB.body.value("client_id", ""), device.clientId.toStdString());

    const HttpReply refused = logIn(restB, device.clientId, QString(64, 'a'));
    EXPECT_EQ(refused.status, 401);
    EXPECT_EQ(refused.body.value("detail", ""), "Invalid device credentials");

    ASSERT_TRUE(nodeA.restart()) << nodeA.output().toStdString();
    RestClient restAgain(nodeA.baseUrl());
    EXPECT_EQ(logIn(restAgain, device.clientId, device.secret).status, 200);
}

TEST_F(ServerOnPostgres, AnUnreachableDatabaseStopsTheNodeWithAClearError) {
    ServerProcess node({"--db", "postgresql://nimbral@127.0.0.1:1/nimbral"});
    EXPECT_FALSE(node.start());
    EXPECT_TRUE(node.output().contains("cannot open database postgresql://nimbral@127.0.0.1:1/"
                                       "nimbral"))
        << node.output().toStdString();
}

} // namespace
} // namespace nimbral::test
