#include "server_harness.h"

#include "common/relay_frame.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QRegularExpression>
#include <QTimer>

namespace nimbral::test {

bool waitUntil(const std::function<bool()>& predicate, int timeoutMs) {
    // Sleeps in the event loop between checks instead of spinning, so the process under test
    // keeps the CPU.
    QElapsedTimer timer;
    timer.start();
    QEventLoop loop;
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, &loop, &QEventLoop::quit);
    tick.start(2);
    while (!predicate()) {
        if (timer.elapsed() > timeoutMs) {
            return false;
        }
        loop.exec();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    return true;
}

ServerProcess::ServerProcess(QStringList extraArguments)
    : m_extraArguments(std::move(extraArguments)) {
}

ServerProcess::~ServerProcess() {
    stop();
}

bool ServerProcess::start() {
    m_process = std::make_unique<QProcess>();
    m_process->setProcessChannelMode(QProcess::MergedChannels);
    m_output.clear();
    m_baseUrl.clear();
    const QString httpPort = m_reusePorts ? QString::number(m_httpPort) : QStringLiteral("0");
    const QString relayPort = m_reusePorts ? QString::number(m_relayPort) : QStringLiteral("0");
    m_reusePorts = false;
    m_relayPort = 0;
    QStringList arguments{"--listen", "127.0.0.1:" + httpPort, "--relay-port",
                          relayPort,  "--log-level",           "debug"};
    if (!m_extraArguments.contains(QStringLiteral("--db"))) {
        arguments << "--db" << databasePath();
    }
    // Every test device comes from 127.0.0.1, and a suite run in one process registers dozens:
    // more than the per-address default allows a minute. Tests of that limit set their own.
    if (!m_extraArguments.contains(QStringLiteral("--registrations-per-minute"))) {
        arguments << "--registrations-per-minute"
                  << "600";
    }
    arguments += m_extraArguments;
    m_process->start(NIMBRAL_SERVER_PATH, arguments);
    if (!m_process->waitForStarted(5000)) {
        return false;
    }
    static const QRegularExpression httpLine("listening on (https?://127\\.0\\.0\\.1:\\d+)");
    static const QRegularExpression relayLine("relay listening on 127\\.0\\.0\\.1:(\\d+)");
    const bool ready = waitUntil(
        [this] {
            m_output += QString::fromUtf8(m_process->readAll());
            const auto http = httpLine.match(m_output);
            const auto relay = relayLine.match(m_output);
            if (http.hasMatch() && relay.hasMatch()) {
                m_baseUrl = http.captured(1);
                m_httpPort = static_cast<quint16>(QUrl(m_baseUrl).port());
                m_relayPort = static_cast<quint16>(relay.captured(1).toUInt());
                return true;
            }
            return m_process->state() != QProcess::Running;
        },
        10000);
    return ready && !m_baseUrl.isEmpty();
}

bool ServerProcess::startOnSamePorts() {
    m_reusePorts = true;
    return start();
}

void ServerProcess::stop() {
    if (!m_process) {
        return;
    }
    if (m_process->state() == QProcess::Running) {
        m_process->terminate();
        if (!m_process->waitForFinished(5000)) {
            m_process->kill();
            m_process->waitForFinished(5000);
        }
    }
    m_output += QString::fromUtf8(m_process->readAll());
    m_process.reset();
}

qint64 ServerProcess::residentKiB() const {
    QFile status(QStringLiteral("/proc/%1/status").arg(pid()));
    if (!status.open(QIODevice::ReadOnly)) {
        return -1;
    }
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:")) {
            return line.mid(6).trimmed().split(' ').first().toLongLong();
        }
    }
    return -1;
}

HttpReply RestClient::send(const QByteArray& verb, const QString& path, const QByteArray& body,
                           const QString& token) {
    QNetworkAccessManager manager;
    QNetworkRequest request(QUrl(m_baseUrl + path));
    request.setHeader(QNetworkRequest::ContentTypeHeader, "application/json");
    if (!token.isEmpty()) {
        request.setRawHeader("Authorization", "Bearer " + token.toLatin1());
    }
    if (m_ssl) {
        request.setSslConfiguration(*m_ssl);
    }
    QNetworkReply* reply = manager.sendCustomRequest(request, verb, body);
    const bool finished = waitUntil([reply] { return reply->isFinished(); }, 10000);
    HttpReply result;
    if (finished) {
        result.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        result.raw = reply->readAll();
        result.body = json::parse(result.raw.toStdString(), nullptr, false);
        if (result.body.is_discarded()) {
            result.body = nullptr;
        }
    }
    delete reply;
    return result;
}

HttpReply RestClient::post(const QString& path, const QByteArray& body, const QString& token) {
    return send("POST", path, body, token);
}

HttpReply RestClient::patch(const QString& path, const json& body, const QString& token) {
    return send("PATCH", path, QByteArray::fromStdString(body.dump()), token);
}

SignalingClient::SignalingClient()
    : m_socket(std::make_unique<QWebSocket>()) {
    QObject::connect(m_socket.get(), &QWebSocket::textMessageReceived, [this](const QString& t) {
        json message = json::parse(t.toStdString(), nullptr, false);
        m_messages.push_back(message.is_discarded() ? json(t.toStdString()) : message);
    });
}

SignalingClient::~SignalingClient() {
    m_socket->abort();
}

bool SignalingClient::open(const QUrl& url, const std::optional<QSslConfiguration>& ssl) {
    if (ssl) {
        m_socket->setSslConfiguration(*ssl);
    }
    bool failed = false;
    const auto onFailure =
        QObject::connect(m_socket.get(), &QWebSocket::disconnected, [&failed] { failed = true; });
    m_socket->open(url);
    waitUntil([&] { return failed || m_socket->state() == QAbstractSocket::ConnectedState; }, 5000);
    QObject::disconnect(onFailure);
    return m_socket->state() == QAbstractSocket::ConnectedState;
}

void SignalingClient::send(const json& message) {
    sendText(QString::fromStdString(message.dump()));
}

void SignalingClient::sendText(const QString& text) {
    m_socket->sendTextMessage(text);
    m_socket->flush();
}

std::optional<json> SignalingClient::next(const std::string& type, int timeoutMs) {
    std::optional<json> found;
    waitUntil(
        [&] {
            while (!m_messages.empty()) {
                json message = std::move(m_messages.front());
                m_messages.pop_front();
                if (type.empty() || (message.is_object() && message.value("type", "") == type)) {
                    found = std::move(message);
                    return true;
                }
            }
            return false;
        },
        timeoutMs);
    return found;
}

bool SignalingClient::quietFor(int milliseconds) {
    waitUntil([] { return false; }, milliseconds);
    return m_messages.empty();
}

bool SignalingClient::waitClosed(int timeoutMs) {
    return waitUntil([this] { return m_socket->state() == QAbstractSocket::UnconnectedState; },
                     timeoutMs);
}

QString fingerprintOf(const QString& machine) {
    return QString::fromLatin1(
        QCryptographicHash::hash(machine.toUtf8(), QCryptographicHash::Sha256).toHex());
}

Device registerDevice(RestClient& rest, const QString& fingerprint,
                      const std::vector<std::string>& capabilities) {
    json body = {{"client_name", "test device"}, {"agent_version", "1.32"}};
    if (!capabilities.empty()) {
        body["capabilities"] = capabilities;
    }
    if (!fingerprint.isEmpty()) {
        body["machine_fingerprint"] = fingerprint.toStdString();
    }
    const HttpReply reply = rest.post("/auth/auto-register", body);
    Device device;
    if (reply.status == 200 && reply.body.is_object()) {
        device.clientId = QString::fromStdString(reply.body.value("client_id", ""));
        device.secret = QString::fromStdString(reply.body.value("device_secret", ""));
        device.token = QString::fromStdString(reply.body.value("token", ""));
    }
    return device;
}

bool goOnline(Device& device, const QString& baseUrl, const QString& password,
              const QString& pairingCode, const std::optional<QSslConfiguration>& ssl) {
    QUrl url(baseUrl);
    url.setScheme(url.scheme() == "https" ? "wss" : "ws");
    url.setPath("/ws/clients/" + device.clientId);
    device.signaling = std::make_unique<SignalingClient>();
    if (!device.signaling->open(url, ssl)) {
        return false;
    }
    device.signaling->send({{"type", "AUTH"}, {"token", device.token.toStdString()}});
    if (!device.signaling->next("AUTH_OK")) {
        return false;
    }
    device.signaling->send({{"type", "SET_PASSWORD"}, {"password", password.toStdString()}});
    device.signaling->send({{"type", "SET_PAIRING_CODE"}, {"code", pairingCode.toStdString()}});
    // A round trip makes sure both were taken before the test goes on.
    device.signaling->send({{"type", "PING"}});
    return device.signaling->next("PONG").has_value();
}

QByteArray relayFrame(quint8 channel, const QByteArray& payload) {
    QByteArray frame(relay_frame::kHeaderBytes, '\0');
    relay_frame::writeHeader(frame.data(), channel, static_cast<quint32>(payload.size()));
    return frame + payload;
}

QByteArray joinFrame(const QString& sessionId, const QString& relayToken) {
    if (relayToken.isEmpty()) {
        return relayFrame(0, "{\"session_id\":\"" + sessionId.toUtf8() +
                                 "\",\"type\":\"relay_join\"}");
    }
    return relayFrame(0, "{\"relay_token\":\"" + relayToken.toUtf8() + "\",\"session_id\":\"" +
                             sessionId.toUtf8() + "\",\"type\":\"relay_join\"}");
}

qsizetype httpMessageLength(const QByteArray& buffer) {
    const qsizetype end = buffer.indexOf("\r\n\r\n");
    if (end < 0) {
        return -1;
    }
    const QByteArray headers = buffer.left(end).toLower();
    const qsizetype at = headers.indexOf("content-length:");
    const qsizetype length =
        at < 0 ? 0 : headers.mid(at + 15).split('\r').first().trimmed().toLongLong();
    return buffer.size() < end + 4 + length ? -1 : end + 4 + length;
}

bool RelayClient::connectTo(quint16 port) {
    m_socket.connectToHost(QHostAddress::LocalHost, port);
    return m_socket.waitForConnected(5000);
}

void RelayClient::write(const QByteArray& bytes) {
    m_socket.write(bytes);
    m_socket.flush();
}

std::optional<QByteArray> RelayClient::readExactly(qint64 size, int timeoutMs) {
    QByteArray data;
    const bool complete = waitUntil(
        [&] {
            data += m_socket.read(size - data.size());
            return data.size() == size;
        },
        timeoutMs);
    if (!complete) {
        return std::nullopt;
    }
    return data;
}

bool RelayClient::waitClosed(int timeoutMs) {
    return waitUntil([this] { return m_socket.state() == QAbstractSocket::UnconnectedState; },
                     timeoutMs);
}

bool RelayClient::quietFor(int milliseconds) {
    waitUntil([] { return false; }, milliseconds);
    return m_socket.bytesAvailable() == 0;
}

bool makeCertificate(const QString& folder) {
    QProcess openssl;
    openssl.start("openssl",
                  {"req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:P-256", "-nodes",
                   "-days", "2", "-subj", "/CN=127.0.0.1", "-addext", "subjectAltName=IP:127.0.0.1",
                   "-keyout", folder + "/key.pem", "-out", folder + "/cert.pem"});
    return openssl.waitForFinished(20000) && openssl.exitCode() == 0;
}

bool RawConnection::open(quint16 port, const QHostAddress& from) {
    if (!m_socket.bind(from)) {
        return false;
    }
    m_socket.connectToHost(QHostAddress::LocalHost, port);
    return m_socket.waitForConnected(5000);
}

void RawConnection::send(const QByteArray& bytes) {
    m_socket.write(bytes);
    m_socket.flush();
}

std::pair<int, QByteArray> RawConnection::response(int timeoutMs) {
    qsizetype length = -1;
    waitUntil(
        [&] {
            m_received += m_socket.readAll();
            length = httpMessageLength(m_received);
            return length > 0;
        },
        timeoutMs);
    if (length <= 0) {
        return {0, {}};
    }
    const int status = m_received.mid(9, 3).toInt();
    const qsizetype bodyStart = m_received.indexOf("\r\n\r\n") + 4;
    const QByteArray body = m_received.mid(bodyStart, length - bodyStart);
    m_received.remove(0, length);
    return {status, body};
}

bool RawConnection::closedByServer(int timeoutMs) {
    return waitUntil(
        [this] {
            m_received += m_socket.readAll();
            return m_socket.state() == QAbstractSocket::UnconnectedState;
        },
        timeoutMs);
}

} // namespace nimbral::test
