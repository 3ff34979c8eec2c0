// Records the fuzzers' starting inputs from live traffic: a real NimbralServer, the client's own
// REST and signaling code talking to it through a recording proxy, a relay transport talking to
// a recording listener, a P2P pair negotiating over loopback, the session services' own
// messages, and the AV1 encoder's packets. Writes one file per seed (named by its SHA-1, the way
// libFuzzer names corpus files) under the folder given, in one subfolder per fuzzer.
//
//   capture_fuzz_seeds <corpus folder>

#include <cstdio>

#include <QCryptographicHash>
#include <QDir>
#include <QGuiApplication>
#include <QClipboard>
#include <QTcpServer>
#include <QTcpSocket>
#include <QUdpSocket>

#include <spdlog/spdlog.h>

#include "codec/av1_encoder.h"
#include "crypto/aes_gcm_cipher.h"
#include "input/input_event.h"
#include "network/api_client.h"
#include "network/p2p_transport.h"
#include "network/relay_transport.h"
#include "network/signaling_client.h"
#include "network/stun_message.h"
#include "rtc/dcep.h"
#include "server_harness.h"
#include "session/chat_service.h"
#include "session/clipboard_sharing.h"
#include "session/file_transfer_service.h"
#include "session/session_channel.h"
#include "turn_server.h"

namespace {

using namespace nimbral;
using test::waitUntil;

QString g_root;
int g_written = 0;

void keep(const char* fuzzer, const QByteArray& bytes) {
    const QString folder = g_root + "/" + fuzzer;
    QDir().mkpath(folder);
    const QString name =
        QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha1).toHex());
    QFile file(folder + "/" + name);
    if (!file.exists() && file.open(QIODevice::WriteOnly)) {
        file.write(bytes);
        ++g_written;
    }
}

QByteArray bytesOf(const std::vector<std::uint8_t>& data) {
    return QByteArray(reinterpret_cast<const char*>(data.data()), static_cast<qsizetype>(data.size()));
}

QByteArray le16(std::size_t value) {
    QByteArray out(2, '\0');
    out[0] = static_cast<char>(value & 0xff);
    out[1] = static_cast<char>((value >> 8) & 0xff);
    return out;
}

// Passes a connection's bytes both ways between a client and the real server, keeping what the
// client sent: the exact requests the client code makes.
class RecordingProxy : public QObject {
public:
    explicit RecordingProxy(quint16 serverPort)
        : m_serverPort(serverPort) {
        m_listener.listen(QHostAddress::LocalHost, 0);
        connect(&m_listener, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* client = m_listener.nextPendingConnection()) {
                auto* upstream = new QTcpSocket(client);
                upstream->connectToHost(QHostAddress::LocalHost, m_serverPort);
                connect(client, &QTcpSocket::readyRead, client, [this, client, upstream] {
                    const QByteArray data = client->readAll();
                    m_sent.append(data);
                    upstream->write(data);
                });
                connect(upstream, &QTcpSocket::readyRead, client,
                        [client, upstream] { client->write(upstream->readAll()); });
                connect(client, &QTcpSocket::disconnected, client, &QObject::deleteLater);
            }
        });
    }
    QString url() const { return QStringLiteral("http://127.0.0.1:%1").arg(m_listener.serverPort()); }
    QByteArray takeSent() { return std::exchange(m_sent, {}); }

private:
    QTcpServer m_listener;
    quint16 m_serverPort;
    QByteArray m_sent;
};

// Splits a recorded stream of HTTP/1.1 requests (Content-Length bodies) into requests.
QList<QByteArray> splitRequests(QByteArray stream) {
    QList<QByteArray> requests;
    for (qsizetype length; (length = test::httpMessageLength(stream)) > 0;) {
        requests << stream.left(length);
        stream.remove(0, length);
    }
    return requests;
}

void restSeeds(const QByteArray& recorded) {
    static const char* const kRoutes[] = {"/auth/auto-register", "/auth/auto-login",
                                          "/clients/heartbeat", "/sessions/create", "/health"};
    for (const QByteArray& request : splitRequests(recorded)) {
        const QByteArray line = request.left(request.indexOf("\r\n"));
        const QByteArray path = line.split(' ').value(1);
        const QByteArray body = request.mid(request.indexOf("\r\n\r\n") + 4);
        int route = 5;
        for (int i = 0; i < 5; ++i) {
            if (path == kRoutes[i]) {
                route = i;
            }
        }
        if (path.endsWith("/handshake-ack")) {
            route = 5;
        } else if (path.endsWith("/complete")) {
            route = 6;
        } else if (path.endsWith("/close")) {
            route = 7;
        }
        const char method = line.startsWith("PATCH") ? 1 : line.startsWith("GET") ? 2 : 0;
        // With and without the token, the session in the state the call expects.
        for (const char flags : {char(1), char(1 | 16 | 1), char(0), char(8)}) {
            keep("fuzz_rest_request", QByteArray(1, char(route)) + method + flags +
                                          (flags & 8 ? request : body));
        }
    }
}

bool captureServerTraffic() {
    test::ServerProcess server;
    if (!server.start()) {
        std::fprintf(stderr, "capture: server did not start\n%s", qPrintable(server.output()));
        return false;
    }
    RecordingProxy proxy(static_cast<quint16>(QUrl(server.baseUrl()).port()));

    // The Target: a harness device with its signaling socket recording what arrives.
    test::RestClient rest(server.baseUrl());
    test::Device target = test::registerDevice(rest);
    if (!test::goOnline(target, server.baseUrl(), "target-pass", "123456")) {
        return false;
    }

    // The Master: the client's own REST code, through the proxy.
    ApiClient master(QUrl(proxy.url()));
    QString masterId;
    QString masterToken;
    QObject::connect(&master, &ApiClient::autoRegisterSuccess,
                     [&](const QString& id, const QString&, const QString& token) {
                         masterId = id;
                         masterToken = token;
                     });
    nlohmann::json created;
    QObject::connect(&master, &ApiClient::sessionCreated,
                     [&](const nlohmann::json& data) { created = data; });
    int updates = 0;
    QObject::connect(&master, &ApiClient::sessionUpdated, [&](const nlohmann::json&) { ++updates; });
    master.autoRegister(QStringLiteral("capture"), QStringLiteral("1.32"),
                        QStringLiteral("capture-fingerprint"));
    if (!waitUntil([&] { return !masterToken.isEmpty(); }, 10000)) {
        return false;
    }
    master.autoLogin(masterId, QString()); // refused: the wrong secret, a real 401 body
    master.sendHeartbeat(QStringLiteral("192.0.2.10"), QStringLiteral("198.51.100.7"),
                         QStringLiteral("FULL_CONE"));
    master.createSession(target.clientId, QStringLiteral("target-pass"),
                         QStringLiteral("remote_desktop"), QStringLiteral("BASE64-MASTER-KEY"));
    if (!waitUntil([&] { return created.contains("session_id"); }, 10000)) {
        return false;
    }
    const QString sessionId = QString::fromStdString(created["session_id"].get<std::string>());

    // The Master's signaling socket, the client's own code.
    SignalingClient signaling;
    QList<QString> masterReceived;
    QObject::connect(&signaling, &SignalingClient::messageReceived,
                     [&](const nlohmann::json& message) {
                         masterReceived << QString::fromStdString(message.dump());
                     });
    bool online = false;
    QObject::connect(&signaling, &SignalingClient::connected, [&] { online = true; });
    signaling.connectToServer(QUrl(server.baseUrl()), masterId, masterToken);
    if (!waitUntil([&] { return online; }, 10000)) {
        return false;
    }

    // The Target acknowledges with the client's REST code too (its own proxy connection).
    ApiClient targetApi(QUrl(proxy.url()));
    QObject::connect(&targetApi, &ApiClient::sessionUpdated, [&](const nlohmann::json&) { ++updates; });
    bool targetLoggedIn = false;
    QObject::connect(&targetApi, &ApiClient::authSuccess, [&] { targetLoggedIn = true; });
    targetApi.autoLogin(target.clientId, target.secret);
    if (!waitUntil([&] { return targetLoggedIn; }, 10000)) {
        return false;
    }
    targetApi.handshakeAck(sessionId, QStringLiteral("BASE64-TARGET-KEY"),
                           QStringLiteral("FULL_CONE"), QString());
    waitUntil([&] { return updates >= 1; }, 10000);

    // ICE through the server, with a real negotiation's descriptions and candidates.
    P2PSettings settings;
    settings.stunUrls.clear();
    settings.bindAddress = "127.0.0.1";
    P2PTransport offerer(settings, nullptr);
    P2PTransport answerer(settings, nullptr);
    QList<std::pair<QString, QString>> candidates;
    QObject::connect(&offerer, &P2PTransport::localDescriptionReady,
                     [&](const QString& sdp, const QString& type) {
                         keep("fuzz_sdp", sdp.toUtf8());
                         signaling.sendMessage({{"type", "ICE_OFFER"},
                                                {"session_id", sessionId.toStdString()},
                                                {"target_client_id", target.clientId.toStdString()},
                                                {"sdp", sdp.toStdString()}});
                         answerer.setRemoteDescription(sdp.toStdString(), type.toStdString());
                     });
    QObject::connect(&answerer, &P2PTransport::localDescriptionReady,
                     [&](const QString& sdp, const QString& type) {
                         keep("fuzz_sdp", sdp.toUtf8());
                         offerer.setRemoteDescription(sdp.toStdString(), type.toStdString());
                     });
    QObject::connect(&offerer, &P2PTransport::localCandidateReady,
                     [&](const QString& candidate, const QString& mid) {
                         candidates << std::make_pair(candidate, mid);
                         signaling.sendMessage({{"type", "ICE_CANDIDATE"},
                                                {"session_id", sessionId.toStdString()},
                                                {"target_client_id", target.clientId.toStdString()},
                                                {"candidate", candidate.toStdString()},
                                                {"mid", mid.toStdString()}});
                         answerer.addRemoteCandidate(candidate.toStdString(), mid.toStdString());
                     });
    QObject::connect(&answerer, &P2PTransport::localCandidateReady,
                     [&](const QString& candidate, const QString& mid) {
                         offerer.addRemoteCandidate(candidate.toStdString(), mid.toStdString());
                     });
    bool linked = false;
    QObject::connect(&answerer, &ITransport::connected, [&] { linked = true; });
    answerer.startAsAnswerer();
    offerer.startAsOfferer();
    waitUntil([&] { return linked && !candidates.isEmpty(); }, 15000);
    signaling.sendMessage({{"type", "PING"}});
    signaling.sendMessage({{"type", "NO_SUCH_TYPE"}});

    master.completeSession(sessionId, QStringLiteral("p2p"), QString());
    waitUntil([&] { return updates >= 2; }, 10000);
    master.closeSession(sessionId, QStringLiteral("user_disconnect"), 12345);
    waitUntil([&] { return updates >= 3; }, 10000);
    waitUntil([] { return false; }, 500);

    // What each device's signaling socket received, as received.
    for (const QString& text : masterReceived) {
        keep("fuzz_signaling_message", text.toUtf8());
    }
    for (const char* type : {"SESSION_AUTO_ACCEPT", "ICE_OFFER", "ICE_CANDIDATE", "SESSION_CLOSED",
                             "AUTH_OK"}) {
        if (const auto message = target.signaling->next(type, 10)) {
            keep("fuzz_signaling_message", QByteArray::fromStdString(message->dump()));
        }
    }
    restSeeds(proxy.takeSent());
    return true;
}

bool captureRelayStream() {
    // The relay transport's own bytes: its join, then sealed control and video frames.
    QTcpServer listener;
    listener.listen(QHostAddress::LocalHost, 0);
    QTcpSocket* accepted = nullptr;
    QObject::connect(&listener, &QTcpServer::newConnection,
                     [&] { accepted = listener.nextPendingConnection(); });
    RelayTransport relay;
    relay.setSessionId(QStringLiteral("3f2c9a40-8d55-4c1e-9a8e-5b2f0e6d1c77"));
    if (!relay.connect("127.0.0.1", listener.serverPort()) ||
        !waitUntil([&] { return accepted != nullptr && relay.isConnected(); }, 5000)) {
        return false;
    }
    const std::vector<std::uint8_t> key(AesGcmCipher::kKeySize, 7);
    const std::vector<std::uint8_t> iv(AesGcmCipher::kBaseIvSize, 9);
    AesGcmCipher cipher(key, iv, AesGcmCipher::kTargetInitialCounter);
    InputEvent move;
    move.type = static_cast<std::uint8_t>(InputEventType::MouseMove);
    move.x = 0.25;
    move.y = 0.75;
    const auto control = cipher.encrypt(controlMessage(ControlTag::InputEvent, move.serialize()));
    relay.send(ChannelType::Control, control.data(), control.size());
    const std::vector<std::uint8_t> video(3000, 0x42);
    const auto sealedVideo = cipher.encrypt(video);
    relay.send(ChannelType::Video, sealedVideo.data(), sealedVideo.size());
    QByteArray stream;
    const qsizetype expected =
        RelayTransport::joinFrame(QStringLiteral("x")).size() - 1 + 36 + 5 + control.size() + 5 +
        sealedVideo.size();
    waitUntil(
        [&] {
            stream += accepted->readAll();
            return stream.size() >= expected;
        },
        5000);
    for (const char piece : {char(0), char(4), char(60)}) {
        keep("fuzz_relay_stream", QByteArray(1, piece) + stream);
    }
    // The join frame's payload alone.
    keep("fuzz_relay_stream", QByteArray(1, char(96)) + RelayTransport::joinFrame("s-1").mid(5));
    return true;
}

bool captureStun() {
    rtc_test::TurnServer turn;
    if (!turn.ready()) {
        return false;
    }
    QUdpSocket socket;
    socket.bind(QHostAddress::LocalHost, 0);
    socket.writeDatagram(stun::bindingRequest(), QHostAddress::LocalHost, turn.port());
    const bool answered = waitUntil([&] { return socket.hasPendingDatagrams(); }, 5000);
    if (!answered) {
        return false;
    }
    QByteArray datagram(static_cast<qsizetype>(socket.pendingDatagramSize()), '\0');
    socket.readDatagram(datagram.data(), datagram.size());
    keep("fuzz_stun_response", datagram);
    return true;
}

void captureSessionTraffic() {
    // What the services send, taken from their own send functions.
    std::vector<std::vector<std::uint8_t>> requests;
    std::vector<std::vector<std::uint8_t>> answers;
    QTemporaryDir folder;
    QFile sample(folder.filePath("notes.txt"));
    sample.open(QIODevice::WriteOnly);
    sample.write("remote desktop notes\n");
    sample.close();
    QDir(folder.path()).mkdir("photos");
    // Uploads name a file in the current folder, which is this one for the capture.
    const QString previousFolder = QDir::currentPath();
    QDir::setCurrent(folder.path());

    FileTransferService server(FileTransferRole::Server,
                               [&](const std::vector<std::uint8_t>& m) { answers.push_back(m); });
    FileTransferService requester(FileTransferRole::Requester, [&](const std::vector<std::uint8_t>& m) {
        requests.push_back(m);
        server.handleMessage(m);
    });
    requester.requestListing(folder.path());
    requester.requestListing(QString());
    requester.requestDownload(folder.filePath("notes.txt"), folder.filePath("copy.txt"));
    requester.requestDownload(folder.filePath("missing.txt"), folder.filePath("copy2.txt"));
    requester.uploadFile(folder.filePath("notes.txt"), QStringLiteral("uploaded.txt"));
    QDir::setCurrent(previousFolder);

    std::vector<std::uint8_t> chat;
    ChatService chatService([&](const std::vector<std::uint8_t>& payload) { chat = payload; });
    chatService.sendMessage(QStringLiteral("Hello from the Master \u00e9\u4e2d"));

    QByteArray clipboardMessage;
    ClipboardSharing clipboard;
    QObject::connect(&clipboard, &ClipboardSharing::clipboardDataReady,
                     [&](const QByteArray& data) { clipboardMessage = data; });
    clipboard.start();
    QGuiApplication::clipboard()->setText(QStringLiteral("copied text"));
    waitUntil([&] { return !clipboardMessage.isEmpty(); }, 2000);
    clipboard.stop();

    std::vector<std::vector<std::uint8_t>> events;
    for (const auto type : {InputEventType::MouseMove, InputEventType::MouseButtonPress,
                            InputEventType::MouseWheel, InputEventType::KeyPress}) {
        InputEvent event;
        event.type = static_cast<std::uint8_t>(type);
        event.timestamp = 1234567;
        event.x = 0.5;
        event.y = 0.25;
        event.wheelDelta = 120;
        event.keyCode = 0x41;
        event.scanCode = 0x1e;
        events.push_back(event.serialize());
    }

    // The AV1 encoder's packets for a small picture: what a Target's video channel carries.
    std::vector<std::vector<std::uint8_t>> packets;
    AV1Encoder encoder;
    EncoderConfig config;
    config.width = 64;
    config.height = 48;
    if (encoder.initialize(config)) {
        std::vector<std::uint8_t> nv12(64 * 48 * 3 / 2, 128);
        for (int frame = 0; frame < 3; ++frame) {
            for (std::size_t i = 0; i < 64 * 48; ++i) {
                nv12[i] = static_cast<std::uint8_t>((i + frame * 16) & 0xff);
            }
            if (auto packet = encoder.encode(nv12.data(), 64, 48, frame, frame == 0)) {
                packets.push_back(packet->data);
            }
        }
    }

    // Service payloads: the selector byte, then the payload.
    for (const auto& event : events) {
        keep("fuzz_service_payloads", QByteArray(1, 0) + bytesOf(event));
    }
    keep("fuzz_service_payloads", QByteArray(1, 1) + bytesOf(chat));
    keep("fuzz_service_payloads", QByteArray(1, 2) + clipboardMessage);
    for (const auto& answer : answers) {
        keep("fuzz_service_payloads", QByteArray(1, 3) + bytesOf(answer));
    }
    for (const auto& request : requests) {
        keep("fuzz_service_payloads", QByteArray(1, 4) + bytesOf(request));
    }
    keep("fuzz_service_payloads", QByteArray(1, 5) + bytesOf(switchMonitorCommand(1)));

    // A session's control messages: a Target's view (the Master's messages) and a Master's.
    const auto record = [](char kind, const std::vector<std::uint8_t>& plaintext) {
        return QByteArray(1, kind) + le16(plaintext.size()) + bytesOf(plaintext);
    };
    QByteArray toTarget(1, 1);
    for (const auto& event : events) {
        toTarget += record(0, controlMessage(ControlTag::InputEvent, event));
    }
    toTarget += record(0, controlMessage(ControlTag::KeyFrameRequest, {}));
    toTarget += record(0, controlMessage(ControlTag::SessionCommand, switchMonitorCommand(1)));
    toTarget += record(0, controlMessage(ControlTag::Chat, chat));
    toTarget += record(0, std::vector<std::uint8_t>(clipboardMessage.begin(), clipboardMessage.end()));
    for (const auto& request : requests) {
        toTarget += record(0, controlMessage(ControlTag::FileTransfer, request));
    }
    toTarget += record(3, {});
    keep("fuzz_session_channel", toTarget);

    QByteArray toMaster(1, 0);
    for (const auto& packet : packets) {
        toMaster += record(1, packet);
    }
    for (const auto& answer : answers) {
        toMaster += record(0, controlMessage(ControlTag::FileTransfer, answer));
    }
    toMaster += record(0, controlMessage(ControlTag::Chat, chat));
    toMaster += record(0, controlMessage(ControlTag::SessionCommand,
                                         std::vector<std::uint8_t>(kDisconnectCommand.begin(),
                                                                   kDisconnectCommand.end())));
    keep("fuzz_session_channel", toMaster);

    // Sealed messages under another key, and the counters around the window's edges.
    const std::vector<std::uint8_t> otherKey(AesGcmCipher::kKeySize, 3);
    AesGcmCipher stranger(otherKey, std::vector<std::uint8_t>(AesGcmCipher::kBaseIvSize, 4),
                          AesGcmCipher::kTargetInitialCounter);
    QByteArray sealedSeed;
    for (const auto& event : events) {
        const auto sealed = stranger.encrypt(controlMessage(ControlTag::InputEvent, event));
        sealedSeed += QByteArray(1, 0) + le16(sealed.size()) + bytesOf(sealed);
    }
    for (const std::uint64_t counter :
         {AesGcmCipher::kTargetInitialCounter, AesGcmCipher::kTargetInitialCounter + 5000,
          AesGcmCipher::kTargetInitialCounter + 1, UINT64_MAX - 1, UINT64_MAX}) {
        QByteArray op(1, 1);
        for (int i = 0; i < 8; ++i) {
            op += static_cast<char>((counter >> (8 * i)) & 0xff);
        }
        sealedSeed += op;
    }
    keep("fuzz_sealed_opener", sealedSeed);

    // The opens our transport sends for its two channels.
    keep("fuzz_dcep", bytesOf(rtc::detail::buildDcepOpen({0x00, 0, "control", ""})));
    keep("fuzz_dcep", bytesOf(rtc::detail::buildDcepOpen({0x81, 0, "video", ""})));
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: capture_fuzz_seeds <corpus folder>\n");
        return 2;
    }
    g_root = QString::fromLocal8Bit(argv[1]);
    spdlog::set_level(spdlog::level::warn);
    bool ok = true;
    const auto step = [&ok](const char* name, bool done) {
        if (!done) {
            std::fprintf(stderr, "capture: %s failed\n", name);
            ok = false;
        }
    };
    step("server traffic", captureServerTraffic());
    step("relay stream", captureRelayStream());
    step("STUN response", captureStun());
    captureSessionTraffic();
    std::printf("capture: %d new seed files under %s\n", g_written, qPrintable(g_root));
    return ok ? 0 : 1;
}
