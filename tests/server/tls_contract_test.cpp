#include <QFile>
#include <QProcess>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSslSocket>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "server_harness.h"

namespace nimbral::test {
namespace {

TEST(TlsContract, ServesHttpsAndWssWithTheGivenCertificate) {
    QTemporaryDir folder;
    ASSERT_TRUE(makeCertificate(folder.path()));
    ServerProcess server(
        {"--tls-cert", folder.path() + "/cert.pem", "--tls-key", folder.path() + "/key.pem"});
    ASSERT_TRUE(server.start()) << server.output().toStdString();
    ASSERT_TRUE(server.baseUrl().startsWith("https://"));

    QSslConfiguration ssl = QSslConfiguration::defaultConfiguration();
    ssl.setCaCertificates(QSslCertificate::fromPath(folder.path() + "/cert.pem"));
    RestClient rest(server.baseUrl());
    rest.setSslConfiguration(ssl);
    Device device = registerDevice(rest);
    ASSERT_FALSE(device.clientId.isEmpty()) << server.output().toStdString();

    QUrl url(server.baseUrl());
    url.setScheme("wss");
    url.setPath("/ws/clients/" + device.clientId);
    SignalingClient signaling;
    ASSERT_TRUE(signaling.open(url, ssl));
    signaling.send({{"type", "AUTH"}, {"token", device.token.toStdString()}});
    EXPECT_TRUE(signaling.next("AUTH_OK"));

    // Without trusting the certificate, the connection is refused.
    RestClient untrusting(server.baseUrl());
    EXPECT_EQ(untrusting.post("/auth/auto-register", json::object()).status, 0);
}

// With TLS the relay port speaks it too: session IDs and relay tokens never cross in clear.
TEST(TlsContract, TheRelaySpeaksTlsWhenTheServerDoes) {
    QTemporaryDir folder;
    ASSERT_TRUE(makeCertificate(folder.path()));
    ServerProcess server(
        {"--tls-cert", folder.path() + "/cert.pem", "--tls-key", folder.path() + "/key.pem"});
    ASSERT_TRUE(server.start()) << server.output().toStdString();
    QSslConfiguration ssl = QSslConfiguration::defaultConfiguration();
    ssl.setCaCertificates(QSslCertificate::fromPath(folder.path() + "/cert.pem"));
    RestClient rest(server.baseUrl());
    rest.setSslConfiguration(ssl);
    Device master = registerDevice(rest);
    Device target = registerDevice(rest);
    QUrl url(server.baseUrl());
    url.setScheme("wss");
    for (Device* device : {&master, &target}) {
        url.setPath("/ws/clients/" + device->clientId);
        device->signaling = std::make_unique<SignalingClient>();
        ASSERT_TRUE(device->signaling->open(url, ssl));
        device->signaling->send({{"type", "AUTH"}, {"token", device->token.toStdString()}});
        ASSERT_TRUE(device->signaling->next("AUTH_OK"));
    }
    target.signaling->send({{"type", "SET_PASSWORD"}, {"password", "Tls-Pass1"}});
    target.signaling->send({{"type", "PING"}});
    ASSERT_TRUE(target.signaling->next("PONG"));
    const HttpReply created = rest.post("/sessions/create",
                                        json{{"master_client_id", master.clientId.toStdString()},
                                             {"target_client_id", target.clientId.toStdString()},
                                             {"session_password", "Tls-Pass1"}},
                                        master.token);
    ASSERT_EQ(created.status, 200) << created.raw.toStdString();
    const QString sessionId = QString::fromStdString(created.body["session_id"]);

    // In clear, the join is not even read.
    RelayClient plain;
    ASSERT_TRUE(plain.connectTo(server.relayPort()));
    plain.write(joinFrame(sessionId));
    EXPECT_TRUE(plain.waitClosed(15000));

    std::vector<std::unique_ptr<QSslSocket>> peers;
    for (int i = 0; i < 2; ++i) {
        auto peer = std::make_unique<QSslSocket>();
        peer->setSslConfiguration(ssl);
        peer->connectToHostEncrypted("127.0.0.1", server.relayPort());
        ASSERT_TRUE(peer->waitForEncrypted(10000)) << peer->errorString().toStdString();
        peer->write(joinFrame(sessionId));
        peers.push_back(std::move(peer));
    }
    const QByteArray frame = relayFrame(0, "over TLS");
    peers[0]->write(frame);
    QByteArray received;
    ASSERT_TRUE(waitUntil(
        [&] {
            received += peers[1]->readAll();
            return received.size() >= frame.size();
        },
        5000));
    EXPECT_EQ(received, frame);
}

TEST(TlsContract, UnusableCertificateStopsTheStartWithAReason) {
    QTemporaryDir folder;
    QFile junk(folder.path() + "/junk.pem");
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    junk.write("not a certificate");
    junk.close();
    QProcess server;
    server.setProcessChannelMode(QProcess::MergedChannels);
    server.start(NIMBRAL_SERVER_PATH,
                 {"--listen", "127.0.0.1:0", "--relay-port", "0", "--db",
                  folder.path() + "/db.sqlite", "--tls-cert", folder.path() + "/junk.pem",
                  "--tls-key", folder.path() + "/junk.pem"});
    ASSERT_TRUE(server.waitForFinished(10000));
    EXPECT_EQ(server.exitCode(), 1);
    EXPECT_TRUE(server.readAll().contains("holds no PEM certificate"));
}

TEST(ServerCommandLine, BadOptionsAreRefusedWithUsage) {
    for (const QStringList& arguments :
         {QStringList{"--listen", "nowhere"}, QStringList{"--relay-port", "70000"},
          QStringList{"--tls-cert", "a.pem"}, QStringList{"--bogus", "1"},
          QStringList{"--log-level", "loud"}, QStringList{"--db"}}) {
        QProcess server;
        server.setProcessChannelMode(QProcess::MergedChannels);
        server.start(NIMBRAL_SERVER_PATH, arguments);
        ASSERT_TRUE(server.waitForFinished(10000));
        EXPECT_EQ(server.exitCode(), 2) << arguments.join(' ').toStdString();
        EXPECT_TRUE(server.readAll().contains("Usage: NimbralServer"));
    }
}

} // namespace
} // namespace nimbral::test
