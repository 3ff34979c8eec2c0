#include <QSignalSpy>
#include <QTcpSocket>
#include <QTest>

#include <gtest/gtest.h>

#include "wait_until.h"

#include "connection_guard.h"
#include "json_text.h"
#include "relay_node.h"
#include "server_options.h"
#include "session_registry.h"
#include "token_store.h"

namespace nimbral::server {
namespace {

TEST(JsonText, RefusesDeepNestingButNotBracketsInStrings) {
    EXPECT_FALSE(parseJson(std::string(33, '[') + std::string(33, ']')));
    EXPECT_TRUE(parseJson(std::string(32, '[') + std::string(32, ']')));
    EXPECT_TRUE(parseJson("{\"sdp\":\"" + std::string(100, '[') + "\\\"" + "\"}"));
    EXPECT_FALSE(parseJson("{\"a\":"));
    EXPECT_FALSE(parseJson(""));
}

TEST(JsonText, CompactFormReplacesBrokenUtf8InsteadOfThrowing) {
    const nlohmann::json value = {{"a", std::string("ok\xff")}};
    EXPECT_EQ(compactJson(value), "{\"a\":\"ok\xEF\xBF\xBD\"}");
    EXPECT_EQ(compactJson({{"session_id", "abc"}, {"type", "relay_join"}}),
              "{\"session_id\":\"abc\",\"type\":\"relay_join\"}");
}

TEST(JsonText, StringFieldsNameTheFirstMemberOfTheWrongType) {
    const auto value = *parseJson(R"({"a":"x","b":5,"c":[],"d":null})");
    StringFields fields(value);
    EXPECT_EQ(fields.get("a"), "x");
    EXPECT_EQ(fields.get("missing"), "");
    EXPECT_EQ(fields.get("d"), "");
    EXPECT_TRUE(fields.wrongType().empty());
    EXPECT_EQ(fields.get("b"), "");
    EXPECT_EQ(fields.get("c"), "");
    EXPECT_EQ(fields.wrongType(), "b");
}

TEST(TokenStore, TokensBelongToOneDeviceAndExpireAfterADay) {
    TokenStore tokens;
    QDateTime now = QDateTime::currentDateTimeUtc();
    tokens.setClock([&now] { return now; });
    const QString a = tokens.issue("111111111");
    const QString b = tokens.issue("222222222");
    EXPECT_NE(a, b);
    EXPECT_EQ(a.size(), 43); // 32 bytes, base64url without padding
    EXPECT_FALSE(a.contains('+') || a.contains('/') || a.contains('='));
    EXPECT_EQ(tokens.clientFor(a), "111111111");
    EXPECT_EQ(tokens.clientFor(b), "222222222");
    EXPECT_EQ(tokens.clientFor("unknown"), "");

    now = now.addSecs(TokenStore::kLifetimeSeconds - 1);
    EXPECT_EQ(tokens.clientFor(a), "111111111");
    now = now.addSecs(1);
    EXPECT_EQ(tokens.clientFor(a), "");
}

TEST(TokenStore, ALoginRevokesTheDevicesEarlierTokensAndExpiredOnesAreDropped) {
    TokenStore tokens;
    QDateTime now = QDateTime::currentDateTimeUtc();
    tokens.setClock([&now] { return now; });
    const QString first = tokens.issue("111111111");
    const QString other = tokens.issue("222222222");
    const QString second = tokens.issue("111111111");
    EXPECT_EQ(tokens.clientFor(first), "");
    EXPECT_EQ(tokens.clientFor(second), "111111111");
    EXPECT_EQ(tokens.clientFor(other), "222222222");
    EXPECT_EQ(tokens.size(), 2);

    // A day later, issuing one token clears the expired ones without anyone asking for them.
    now = now.addSecs(TokenStore::kLifetimeSeconds);
    tokens.issue("333333333");
    EXPECT_EQ(tokens.size(), 1);

    // A device logging in over and over holds one token, and the store stays small.
    for (int i = 0; i < 5000; ++i) {
        tokens.issue("444444444");
    }
    EXPECT_EQ(tokens.size(), 2);
}

TEST(SessionRegistry, UnfinishedSessionsFailAndConnectedOnesStay) {
    SessionRegistry sessions;
    sessions.setTimeouts(200, 1000);
    QSignalSpy ended(&sessions, &SessionRegistry::sessionEnded);
    Session& pending = sessions.create("111111111", "222222222", "remote_desktop", "K");
    const QString pendingId = pending.id;
    Session& connected = sessions.create("111111111", "333333333", "", "");
    connected.state = SessionState::Connected;
    const QString connectedId = connected.id;

    ASSERT_WAIT(ended.count() == 1, 3000);
    EXPECT_EQ(ended.at(0).at(0).toString(), pendingId);
    EXPECT_EQ(ended.at(0).at(1).toString(), "failed");
    ASSERT_NE(sessions.find(pendingId), nullptr);
    EXPECT_EQ(sessions.find(pendingId)->toJson()["state"], "failed");
    EXPECT_FALSE(sessions.isJoinable(pendingId));
    EXPECT_TRUE(sessions.isJoinable(connectedId));

    sessions.close(connectedId);
    EXPECT_EQ(sessions.find(connectedId), nullptr);
    EXPECT_EQ(ended.count(), 2);
    EXPECT_EQ(ended.at(1).at(1).toString(), "closed");
}

TEST(SessionRegistry, FiveFailuresBlockATargetUntilTheBlockRunsOut) {
    SessionRegistry sessions;
    sessions.setTimeouts(SessionRegistry::kCompleteTimeoutMs, 300);
    for (int i = 0; i < 4; ++i) {
        sessions.recordPasswordFailure("222222222");
        EXPECT_FALSE(sessions.passwordTriesBlocked("222222222")) << i;
    }
    sessions.recordPasswordFailure("222222222");
    EXPECT_TRUE(sessions.passwordTriesBlocked("222222222"));
    EXPECT_FALSE(sessions.passwordTriesBlocked("333333333"));
    ASSERT_WAIT(!sessions.passwordTriesBlocked("222222222"), 3000);
    // The count starts afresh after a block.
    sessions.recordPasswordFailure("222222222");
    EXPECT_FALSE(sessions.passwordTriesBlocked("222222222"));
}

TEST(RelayNode, AnUnpairedJoinIsClosedAfterItsTimeout) {
    SessionRegistry sessions;
    ConnectionLimiter limiter(8, 8);
    RelayNode relay(sessions, limiter);
    relay.setUnpairedTimeout(300);
    ASSERT_TRUE(relay.listen(QHostAddress::LocalHost, 0));
    const QString sessionId = sessions.create("111111111", "222222222", "", "").id;

    QTcpSocket peer;
    peer.connectToHost(QHostAddress::LocalHost, relay.port());
    ASSERT_TRUE(peer.waitForConnected(3000));
    const QByteArray join =
        "{\"session_id\":\"" + sessionId.toUtf8() + "\",\"type\":\"relay_join\"}";
    QByteArray frame(5, '\0');
    frame[4] = static_cast<char>(join.size());
    peer.write(frame + join);
    ASSERT_WAIT(relay.connectionCount() == 1, 3000);
    ASSERT_WAIT(peer.state() == QAbstractSocket::UnconnectedState, 3000);
    EXPECT_EQ(relay.connectionCount(), 0);
}

TEST(ServerOptions, DefaultsAndOverrides) {
    const ServerOptions defaults = parseServerOptions({"NimbralServer"});
    EXPECT_TRUE(defaults.error.isEmpty());
    EXPECT_EQ(defaults.listenAddress, QHostAddress(QHostAddress::LocalHost));
    EXPECT_EQ(defaults.listenPort, 8080);
    EXPECT_EQ(defaults.relayPort, 9000);

    const ServerOptions given = parseServerOptions(
        {"NimbralServer", "--listen", "0.0.0.0:443", "--relay-port", "0", "--db", "/tmp/x.db"});
    EXPECT_TRUE(given.error.isEmpty());
    EXPECT_EQ(given.listenAddress, QHostAddress(QHostAddress::AnyIPv4));
    EXPECT_EQ(given.listenPort, 443);
    EXPECT_EQ(given.relayPort, 0);
    EXPECT_EQ(given.databasePath, "/tmp/x.db");

    const ServerOptions ipv6 = parseServerOptions({"NimbralServer", "--listen", "[::1]:8080"});
    EXPECT_TRUE(ipv6.error.isEmpty());
    EXPECT_EQ(ipv6.listenAddress, QHostAddress(QHostAddress::LocalHostIPv6));

    EXPECT_EQ(defaults.maxConnectionsPerAddress, 256);
    EXPECT_EQ(defaults.registrationsPerMinute, 30);
    const ServerOptions limits = parseServerOptions(
        {"NimbralServer", "--max-connections-per-address", "4", "--max-connections", "10",
         "--registrations-per-minute", "2", "--http-idle-timeout", "5"});
    EXPECT_TRUE(limits.error.isEmpty()) << limits.error.toStdString();
    EXPECT_EQ(limits.maxConnectionsPerAddress, 4);
    EXPECT_EQ(limits.maxConnections, 10);
    EXPECT_EQ(limits.registrationsPerMinute, 2);
    EXPECT_EQ(limits.httpIdleTimeoutSeconds, 5);

    for (const QStringList& bad : {QStringList{"NimbralServer", "--max-connections", "0"},
                                   QStringList{"NimbralServer", "--http-idle-timeout", "soon"},
                                   QStringList{"NimbralServer", "--listen", "127.0.0.1"},
                                   QStringList{"NimbralServer", "--listen", ":80"},
                                   QStringList{"NimbralServer", "--listen", "127.0.0.1:99999"},
                                   QStringList{"NimbralServer", "--tls-key", "k.pem"},
                                   QStringList{"NimbralServer", "--relay-port"}}) {
        EXPECT_FALSE(parseServerOptions(bad).error.isEmpty()) << bad.join(' ').toStdString();
    }
}

} // namespace
} // namespace nimbral::server
