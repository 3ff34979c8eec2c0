#pragma once

#include <deque>
#include <memory>
#include <optional>
#include <utility>

#include <QByteArray>
#include <QHostAddress>
#include <QProcess>
#include <QSslConfiguration>
#include <QString>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QUrl>
#include <QWebSocket>

#include <nlohmann/json.hpp>

// Drives the real NimbralServer program over loopback, the way devices do.
namespace nimbral::test {

using nlohmann::json;

// Runs NimbralServer on free ports with a database of its own (unless the extra arguments name
// one with --db); restartable on the same file.
class ServerProcess {
public:
    explicit ServerProcess(QStringList extraArguments = {});
    ~ServerProcess();

    bool start();
    // Starts again on the ports of the last run, as a restarted server on a fixed address.
    bool startOnSamePorts();
    void stop();
    bool restart() {
        stop();
        return start();
    }

    QString baseUrl() const { return m_baseUrl; }
    quint16 relayPort() const { return m_relayPort; }
    qint64 pid() const { return m_process ? m_process->processId() : 0; }
    // Everything the server printed so far.
    QString output() {
        if (m_process) {
            m_output += QString::fromUtf8(m_process->readAll());
        }
        return m_output;
    }
    QString databasePath() const { return m_folder.path() + "/server.sqlite"; }
    QString folder() const { return m_folder.path(); }
    bool isRunning() const { return m_process && m_process->state() == QProcess::Running; }
    // Resident memory of the server process in KiB, from /proc.
    qint64 residentKiB() const;

private:
    QStringList m_extraArguments;
    QTemporaryDir m_folder;
    std::unique_ptr<QProcess> m_process;
    QString m_output;
    QString m_baseUrl;
    quint16 m_relayPort = 0;
    quint16 m_httpPort = 0;
    bool m_reusePorts = false;
};

struct HttpReply {
    int status = 0;
    json body; // null when the body was not JSON
    QByteArray raw;
};

// Blocking REST calls through QNetworkAccessManager.
class RestClient {
public:
    explicit RestClient(QString baseUrl)
        : m_baseUrl(std::move(baseUrl)) {}
    HttpReply post(const QString& path, const QByteArray& body, const QString& token = {});
    HttpReply post(const QString& path, const json& body, const QString& token = {}) {
        return post(path, QByteArray::fromStdString(body.dump()), token);
    }
    HttpReply patch(const QString& path, const json& body, const QString& token = {});
    HttpReply send(const QByteArray& verb, const QString& path, const QByteArray& body,
                   const QString& token);
    void setSslConfiguration(const QSslConfiguration& configuration) { m_ssl = configuration; }

private:
    QString m_baseUrl;
    std::optional<QSslConfiguration> m_ssl;
};

// One device's signaling socket; every message received is queued for the test to take.
class SignalingClient {
public:
    SignalingClient();
    ~SignalingClient();

    bool open(const QUrl& url, const std::optional<QSslConfiguration>& ssl = std::nullopt);
    void send(const json& message);
    void sendText(const QString& text);
    // Waits for the next message (of this type, when given), removing it and those before it.
    std::optional<json> next(const std::string& type = {}, int timeoutMs = 5000);
    // True when nothing arrives within the time.
    bool quietFor(int milliseconds);
    bool waitClosed(int timeoutMs = 5000);
    bool isOpen() const { return m_socket->state() == QAbstractSocket::ConnectedState; }
    QWebSocketProtocol::CloseCode closeCode() const { return m_socket->closeCode(); }
    QWebSocket& socket() { return *m_socket; }

private:
    std::unique_ptr<QWebSocket> m_socket;
    std::deque<json> m_messages;
};

// A registered device, online with its session password and pairing code published.
struct Device {
    QString clientId;
    QString secret;
    QString token;
    std::unique_ptr<SignalingClient> signaling;
};

// P-256 public keys in the wire's text form (base64 of the DER SubjectPublicKeyInfo), made with
// the openssl tool: what a Master and a Target put in their session calls.
inline constexpr const char* kMasterKey =
    "MFkwEwYHKoZIzj0CAQYIKoZIzj0DAQcDQgAEaNdvA7mF6DbpomnHm99jCe8aRkz6ZGAXTkjR/+pacIgBuHm9m45wJwk"
    "VdqahAvyOeYzY2gprGD3IYLQhkZ9V0A==";
inline constexpr const char* kTargetKey =
    "MFkwEwYHKoZIzj0CAQYIKoZIzj0DAQcDQgAER+NftiwVDVOIPOZi8/cIWyBrrp7iXlPVtWgFakkI5Q2fX/kycs2ozMi"
    "BTHGv4IqxJmjKFNjABNGbv16+AuP2gA==";

// A machine fingerprint as clients send it (64 lowercase hex digits), made from any text.
QString fingerprintOf(const QString& machine);
// capabilities: what the device announces it understands ("relay_token", "verified_sessions").
Device registerDevice(RestClient& rest, const QString& fingerprint = {},
                      const std::vector<std::string>& capabilities = {});
// ssl: what a wss connection trusts (a test's own certificate).
bool goOnline(Device& device, const QString& baseUrl, const QString& password,
              const QString& pairingCode,
              const std::optional<QSslConfiguration>& ssl = std::nullopt);

// The length of the first whole HTTP/1.1 message at the start of `buffer` (headers, then a body
// of Content-Length bytes), or -1 while it is incomplete.
qsizetype httpMessageLength(const QByteArray& buffer);

// Relay frames: 1 channel byte, 4-byte big-endian length, payload.
QByteArray relayFrame(quint8 channel, const QByteArray& payload);
QByteArray joinFrame(const QString& sessionId, const QString& relayToken = {});

class RelayClient {
public:
    bool connectTo(quint16 port);
    void write(const QByteArray& bytes);
    // Reads exactly `size` bytes or fails after the time-out.
    std::optional<QByteArray> readExactly(qint64 size, int timeoutMs = 5000);
    bool waitClosed(int timeoutMs = 5000);
    bool quietFor(int milliseconds);
    QTcpSocket& socket() { return m_socket; }

private:
    QTcpSocket m_socket;
};

// Runs the event loop until the predicate holds or the time runs out.
bool waitUntil(const std::function<bool()>& predicate, int timeoutMs);

// A self-signed certificate for 127.0.0.1 in folder/cert.pem with its key in folder/key.pem,
// made with the openssl tool.
bool makeCertificate(const QString& folder);

// A second loopback source, standing in for everybody else.
inline const QHostAddress kElsewhere{QStringLiteral("127.0.0.2")};

inline quint16 portOf(const QString& baseUrl) {
    return static_cast<quint16>(QUrl(baseUrl).port());
}

inline QByteArray healthRequest() {
    return "GET /health HTTP/1.1\r\nHost: x\r\n\r\n";
}

// A plain TCP connection from a chosen loopback address, speaking HTTP (or not) by hand.
class RawConnection {
public:
    bool open(quint16 port, const QHostAddress& from = QHostAddress::LocalHost);
    void send(const QByteArray& bytes);
    // The status line's code and the body of one response, or 0 when none came in time.
    std::pair<int, QByteArray> response(int timeoutMs = 5000);
    bool closedByServer(int timeoutMs = 3000);
    QTcpSocket& socket() { return m_socket; }

private:
    QTcpSocket m_socket;
    QByteArray m_received;
};

} // namespace nimbral::test
