#include <QFile>
#include <QProcess>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "server_harness.h"

namespace nimbral::test {
namespace {

// A self-signed certificate for 127.0.0.1, made with the openssl tool.
bool makeCertificate(const QString& folder) {
    QProcess openssl;
    openssl.start("openssl",
                  {"req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:P-256", "-nodes",
                   "-days", "2", "-subj", "/CN=127.0.0.1", "-addext", "subjectAltName=IP:127.0.0.1",
                   "-keyout", folder + "/key.pem", "-out", folder + "/cert.pem"});
    return openssl.waitForFinished(20000) && openssl.exitCode() == 0;
}

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
