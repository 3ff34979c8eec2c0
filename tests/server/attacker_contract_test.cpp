// A stranger who knows how the server works and plays against it over real sockets: taking a
// device's ID by its fingerprint, holding connections with half an upgrade, filling the server
// with oversized fields, joining a relay in a partner's place. The real server program, over
// loopback.

#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>

#include <gtest/gtest.h>

#include "sanitizers.h"
#include "server_harness.h"

namespace nimbral::test {
namespace {

const QString kOwnerPassword = "Owner-Pass1";

HttpReply createSession(RestClient& rest, const Device& master, const Device& target,
                        const QString& password, bool knowsRelayTokens = false) {
    json body = {{"master_client_id", master.clientId.toStdString()},
                 {"target_client_id", target.clientId.toStdString()},
                 {"session_password", password.toStdString()},
                 {"master_ecdh_public_key", kMasterKey}};
    if (knowsRelayTokens) {
        body["capabilities"] = {"relay_token"};
    }
    return rest.post("/sessions/create", body, master.token);
}

// The fingerprint is readable by anyone on the machine and shared by cloned images. Registering
// with the owner's fingerprint used to hand over the owner's ID: the next Master with the real
// password was then auto-accepted by the stranger.
TEST(Attackers, AFingerprintDoesNotTakeOverADevice) {
    ServerProcess server;
    ASSERT_TRUE(server.start()) << server.output().toStdString();
    RestClient rest(server.baseUrl());
    const QString fingerprint = fingerprintOf("the owner's machine");
    Device owner = registerDevice(rest, fingerprint);
    ASSERT_TRUE(goOnline(owner, server.baseUrl(), kOwnerPassword, "123456"));

    Device stranger = registerDevice(rest, fingerprint);
    ASSERT_FALSE(stranger.clientId.isEmpty());
    EXPECT_NE(stranger.clientId, owner.clientId);
    ASSERT_TRUE(goOnline(stranger, server.baseUrl(), "Stranger-Pass1", "654321"));

    // The owner keeps its token (so its published password) and its secret.
    EXPECT_EQ(rest.post("/clients/heartbeat", json{{"client_id", owner.clientId.toStdString()}},
                        owner.token)
                  .status,
              200);
    // A Master with the owner's password reaches the owner, not the stranger.
    Device master = registerDevice(rest);
    ASSERT_TRUE(goOnline(master, server.baseUrl(), "Master-Pass1", "111111"));
    ASSERT_EQ(createSession(rest, master, owner, kOwnerPassword).status, 200);
    const auto accept = owner.signaling->next("SESSION_AUTO_ACCEPT");
    ASSERT_TRUE(accept);
    EXPECT_EQ((*accept)["master_ecdh_public_key"], kMasterKey);
    EXPECT_TRUE(stranger.signaling->quietFor(200)) << "the Master's key reached the stranger";
    EXPECT_EQ(rest.post("/auth/auto-login", json{{"client_id", owner.clientId.toStdString()},
                                                 {"device_secret", owner.secret.toStdString()}})
                  .status,
              200);
}

// A new token also drops what the device published under the old one: a stale password does not
// stay good for a device that has not said it again.
TEST(Attackers, ANewTokenForgetsThePublishedPasswordAndPairingCode) {
    ServerProcess server;
    ASSERT_TRUE(server.start()) << server.output().toStdString();
    RestClient rest(server.baseUrl());
    Device target = registerDevice(rest);
    ASSERT_TRUE(goOnline(target, server.baseUrl(), kOwnerPassword, "123456"));
    Device master = registerDevice(rest);
    ASSERT_TRUE(goOnline(master, server.baseUrl(), "Master-Pass1", "111111"));
    ASSERT_EQ(createSession(rest, master, target, kOwnerPassword).status, 200);

    const HttpReply login =
        rest.post("/auth/auto-login", json{{"client_id", target.clientId.toStdString()},
                                           {"device_secret", target.secret.toStdString()}});
    ASSERT_EQ(login.status, 200);
    for (const QString& stale : {kOwnerPassword, QString("123456")}) {
        const HttpReply refused = createSession(rest, master, target, stale);
        EXPECT_EQ(refused.status, 403) << stale.toStdString();
        EXPECT_EQ(refused.body, (json{{"detail", "Invalid session password"}}));
    }
    // Published again over the new token, it counts again.
    target.token = QString::fromStdString(login.body["token"]);
    ASSERT_TRUE(goOnline(target, server.baseUrl(), kOwnerPassword, "123456"));
    EXPECT_EQ(createSession(rest, master, target, kOwnerPassword).status, 200);
}

// "Upgrade: websocket" without "Connection: Upgrade" used to stop the idle timer and get no
// answer at all, so a handful of such connections filled a server's connection cap for ever.
TEST(Attackers, HalfUpgradesAreAnsweredAndDoNotHoldTheServer) {
    ServerProcess server({"--http-idle-timeout", "1", "--max-connections-per-address", "12"});
    ASSERT_TRUE(server.start()) << server.output().toStdString();
    const quint16 port = portOf(server.baseUrl());
    std::vector<std::unique_ptr<RawConnection>> halves;
    for (int i = 0; i < 12; ++i) {
        halves.push_back(std::make_unique<RawConnection>());
        ASSERT_TRUE(halves.back()->open(port));
        halves.back()->send("GET /ws/clients/123456789 HTTP/1.1\r\nHost: x\r\n"
                            "Upgrade: websocket\r\n\r\n");
    }
    for (auto& half : halves) {
        const auto [status, body] = half->response();
        EXPECT_EQ(status, 400);
        EXPECT_EQ(body, R"({"detail":"Malformed WebSocket upgrade"})");
    }
    // A proper upgrade whose request never ends is held no longer than any idle connection.
    RawConnection unfinished;
    ASSERT_TRUE(unfinished.open(port, kElsewhere));
    unfinished.send("GET /ws/clients/123456789 HTTP/1.1\r\nUpgrade: websocket\r\n"
                    "Connection: Upgrade\r\n");
    for (auto& half : halves) {
        EXPECT_TRUE(half->closedByServer(3000));
    }
    EXPECT_TRUE(unfinished.closedByServer(3000));
    RawConnection fresh;
    ASSERT_TRUE(fresh.open(port));
    fresh.send(healthRequest());
    EXPECT_EQ(fresh.response().first, 200) << "the address's slots are free again";

    // A real upgrade still becomes a signaling socket and is not cut by the idle timer.
    Device device = registerDevice(*std::make_unique<RestClient>(server.baseUrl()));
    ASSERT_TRUE(goOnline(device, server.baseUrl(), "Device-Pass1", "123456"));
    waitUntil([] { return false; }, 2500);
    device.signaling->send({{"type", "PING"}});
    EXPECT_TRUE(device.signaling->next("PONG"));
}

// Every field is bounded to what it can hold: a name of 64 characters, a key in its encoding,
// IDs, codes and versions in theirs. More is refused with 400 and a detail, and nothing is kept.
TEST(Attackers, OversizedFieldsAreRefusedAndNotStored) {
    ServerProcess server;
    ASSERT_TRUE(server.start()) << server.output().toStdString();
    RestClient rest(server.baseUrl());
    Device master = registerDevice(rest);
    ASSERT_TRUE(goOnline(master, server.baseUrl(), "Master-Pass1", "111111"));
    Device target = registerDevice(rest);
    ASSERT_TRUE(goOnline(target, server.baseUrl(), kOwnerPassword, "123456"));
    // Far beyond every field, though within what a request body may hold.
    const std::string huge(32 * 1024, 'x');
    const std::string target9 = target.clientId.toStdString();
    struct Case {
        QString path;
        json body;
        std::string detail;
    };
    const Case cases[] = {
        {"/auth/auto-register",
         {{"client_name", huge}},
         "Field 'client_name' is longer than 64 characters"},
        {"/auth/auto-register",
         {{"agent_version", huge}},
         "Field 'agent_version' is longer than 32 characters"},
        {"/auth/auto-register",
         {{"machine_fingerprint", huge}},
         "Field 'machine_fingerprint' is not a fingerprint (64 lowercase hex digits)"},
        {"/auth/auto-register",
         {{"capabilities", json::array({huge})}},
         "Field 'capabilities' must be a list of at most 16 short strings"},
        {"/clients/heartbeat",
         {{"client_id", master.clientId.toStdString()}, {"local_ip", huge}},
         "Field 'local_ip' is longer than 45 characters"},
        {"/sessions/create",
         {{"master_client_id", master.clientId.toStdString()},
          {"target_client_id", target9},
          {"session_password", kOwnerPassword.toStdString()},
          {"master_ecdh_public_key", huge}},
         "Field 'master_ecdh_public_key' is not a P-256 public key"},
        {"/sessions/create",
         {{"master_client_id", master.clientId.toStdString()}, {"target_client_id", target9 + "0"}},
         "Field 'target_client_id' is not a nine-digit client ID"},
        {"/sessions/create",
         {{"master_client_id", master.clientId.toStdString()},
          {"target_client_id", target9},
          {"session_password", huge}},
         "Field 'session_password' is longer than 256 characters"},
    };
    const qint64 before = server.residentKiB();
    for (int round = 0; round < 20; ++round) {
        for (const Case& c : cases) {
            const HttpReply refused = rest.post(c.path, c.body, master.token);
            ASSERT_EQ(refused.status, 400) << c.path.toStdString() << " " << c.detail;
            EXPECT_EQ(refused.body, (json{{"detail", c.detail}}));
        }
    }
    EXPECT_TRUE(target.signaling->quietFor(100)) << "no session reached the target";
    // Over signaling, too.
    master.signaling->send({{"type", "SET_PASSWORD"}, {"password", huge}});
    const auto error = master.signaling->next("ERROR");
    ASSERT_TRUE(error);
    EXPECT_EQ((*error)["detail"], "\"password\" must be a string of at most 256 characters");
    // 80 registrations with a 32 KiB name each would be 2.5 MiB kept for ever; nothing was.
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "attackers-registry");
        db.setDatabaseName(server.databasePath());
        ASSERT_TRUE(db.open());
        QSqlQuery count(db);
        ASSERT_TRUE(count.exec("SELECT COUNT(*), MAX(LENGTH(client_name)) FROM devices"));
        ASSERT_TRUE(count.next());
        EXPECT_EQ(count.value(0).toInt(), 2);
        EXPECT_LE(count.value(1).toInt(), 64);
    }
    QSqlDatabase::removeDatabase("attackers-registry");
    if (!kAddressSanitizer) {
        EXPECT_LT(server.residentKiB() - before, 4 * 1024);
    }
    // Bodies of 200 KiB, as the issue's stranger sent, are refused from their headers.
    const HttpReply whole =
        rest.post("/auth/auto-register", json{{"client_name", std::string(200 * 1024, 'x')}});
    EXPECT_EQ(whole.status, 413);
}

// Devices that both know relay tokens: knowing the session's ID (it used to cross the relay port
// in clear and sit in the log) no longer lets a stranger take a party's place on the relay.
TEST(Attackers, ARelayPairsOnlyTheHoldersOfTheSessionsTokens) {
    ServerProcess server;
    ASSERT_TRUE(server.start()) << server.output().toStdString();
    RestClient rest(server.baseUrl());
    Device master = registerDevice(rest, {}, {"relay_token"});
    Device target = registerDevice(rest, {}, {"relay_token"});
    ASSERT_TRUE(goOnline(master, server.baseUrl(), "Master-Pass1", "111111"));
    ASSERT_TRUE(goOnline(target, server.baseUrl(), kOwnerPassword, "123456"));
    const HttpReply created = createSession(rest, master, target, kOwnerPassword, true);
    ASSERT_EQ(created.status, 200);
    const QString sessionId = QString::fromStdString(created.body["session_id"]);
    const QString masterToken = QString::fromStdString(created.body.value("relay_token", ""));
    const auto accept = target.signaling->next("SESSION_AUTO_ACCEPT");
    ASSERT_TRUE(accept);
    const QString targetToken = QString::fromStdString(accept->value("relay_token", ""));
    ASSERT_EQ(masterToken.size(), 43);
    ASSERT_EQ(targetToken.size(), 43);
    EXPECT_NE(masterToken, targetToken);
    // The acknowledgement's answer hands the Target its token too (the user-confirmed path).
    const HttpReply ack = rest.post("/sessions/" + sessionId + "/handshake-ack",
                                    json{{"target_ecdh_public_key", kTargetKey}}, target.token);
    ASSERT_EQ(ack.status, 200);
    EXPECT_EQ(ack.body["relay_token"], targetToken.toStdString());

    // The stranger comes first, with the ID alone or a made-up token: refused.
    for (const QString& forged : {QString(), QString(43, 'A')}) {
        RelayClient stranger;
        ASSERT_TRUE(stranger.connectTo(server.relayPort()));
        stranger.write(joinFrame(sessionId, forged));
        EXPECT_TRUE(stranger.waitClosed()) << forged.toStdString();
    }
    RelayClient realMaster;
    ASSERT_TRUE(realMaster.connectTo(server.relayPort()));
    realMaster.write(joinFrame(sessionId, masterToken));
    // A second holder of the Master's token while the Master is there: refused.
    RelayClient copy;
    ASSERT_TRUE(copy.connectTo(server.relayPort()));
    copy.write(joinFrame(sessionId, masterToken));
    EXPECT_TRUE(copy.waitClosed());
    RelayClient realTarget;
    ASSERT_TRUE(realTarget.connectTo(server.relayPort()));
    realTarget.write(joinFrame(sessionId, targetToken));
    const QByteArray frame = relayFrame(1, "sealed picture");
    realMaster.write(frame);
    const auto received = realTarget.readExactly(frame.size());
    ASSERT_TRUE(received);
    EXPECT_EQ(*received, frame);
}

// Plain http on an address other hosts can reach puts secrets on the network: refused unless
// asked for, and then said at start.
TEST(Attackers, PlainHttpOnAReachableAddressNeedsToBeAskedFor) {
    QTemporaryDir folder;
    const QStringList common{"--listen", "0.0.0.0:0", "--relay-port",
                             "0",        "--db",      folder.path() + "/db.sqlite"};
    QProcess refused;
    refused.setProcessChannelMode(QProcess::MergedChannels);
    refused.start(NIMBRAL_SERVER_PATH, common);
    ASSERT_TRUE(refused.waitForFinished(10000));
    EXPECT_EQ(refused.exitCode(), 1);
    EXPECT_TRUE(refused.readAll().contains("refusing to serve plain http on 0.0.0.0"));

    ServerProcess allowed({"--allow-plain-http"});
    ASSERT_TRUE(allowed.start()) << allowed.output().toStdString();
    EXPECT_FALSE(allowed.output().contains("serving plain http on an address other hosts"))
        << "loopback needs no warning";
    // Listening on every interface, but nothing here connects from anywhere but loopback.
    QProcess warned;
    warned.setProcessChannelMode(QProcess::MergedChannels);
    warned.start(NIMBRAL_SERVER_PATH, common + QStringList{"--allow-plain-http"});
    QByteArray output;
    // The warning follows the listening lines: read up to the last line the start-up writes.
    EXPECT_TRUE(waitUntil(
        [&] {
            output += warned.readAll();
            return output.contains("registrations per address a minute");
        },
        10000));
    EXPECT_TRUE(output.contains("serving plain http on an address other hosts can reach"))
        << output.toStdString();
    warned.terminate();
    ASSERT_TRUE(warned.waitForFinished(10000));
}

// A registry written by an earlier version (its fingerprint column unique) is upgraded in place:
// its devices keep their IDs and secrets, and fingerprints stop being unique.
TEST(Attackers, AnEarlierRegistryIsUpgradedWithItsDevices) {
    ServerProcess server;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "old-registry");
        db.setDatabaseName(server.databasePath());
        ASSERT_TRUE(db.open());
        QSqlQuery query(db);
        ASSERT_TRUE(query.exec(
            "CREATE TABLE devices (client_id TEXT PRIMARY KEY, secret_sha256 TEXT NOT NULL,"
            " machine_fingerprint TEXT UNIQUE, client_name TEXT NOT NULL DEFAULT '',"
            " agent_version TEXT NOT NULL DEFAULT '', created_at BIGINT NOT NULL,"
            " last_seen BIGINT NOT NULL, local_ip TEXT NOT NULL DEFAULT '',"
            " public_ip TEXT NOT NULL DEFAULT '', nat_type TEXT NOT NULL DEFAULT '')"));
        // sha256 of 64 "a": the secret this device logs in with.
        ASSERT_TRUE(query.exec(
            "INSERT INTO devices (client_id, secret_sha256, machine_fingerprint, created_at,"
            " last_seen) VALUES ('123456789',"
            " 'ffe054fe7ae0cb6dc65c3af9b61d5209f439851db43d0ba5997337df154668eb', '" +
            fingerprintOf("old machine") + "', 1, 1)"));
        db.close();
    }
    QSqlDatabase::removeDatabase("old-registry");
    ASSERT_TRUE(server.start()) << server.output().toStdString();
    RestClient rest(server.baseUrl());
    const QString secret(64, 'a');
    const HttpReply login =
        rest.post("/auth/auto-login",
                  json{{"client_id", "123456789"}, {"device_secret", secret.toStdString()}});
    EXPECT_EQ(login.status, 200) << login.raw.toStdString();
    const Device first = registerDevice(rest, fingerprintOf("old machine"));
    const Device second = registerDevice(rest, fingerprintOf("old machine"));
    EXPECT_FALSE(first.clientId.isEmpty());
    EXPECT_FALSE(second.clientId.isEmpty());
    EXPECT_NE(first.clientId, second.clientId);
    EXPECT_NE(first.clientId, "123456789");
    EXPECT_TRUE(server.output().contains("registry upgraded to version 1"));
}

} // namespace
} // namespace nimbral::test
