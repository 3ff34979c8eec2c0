// Load on one NimbralServer process over loopback: 500 devices holding signaling sockets and
// sending heartbeats every 30 s, plus 50 relay sessions each pushing 2 Mbit/s both ways. While
// that runs, 100-byte frames are bounced through the relay and, as the baseline, through a plain
// TCP echo on loopback in the same process; the difference is the relay's added latency.
//
//   bench_server_load [window seconds, default 30] [idle|attack]
//   "idle" keeps the devices and sessions connected but sends no relay load or heartbeats.
//   "attack" adds four strangers for the window: 127.0.0.2 opens connections until the server
//   refuses more and holds them, 127.0.0.3 floods registrations as fast as it is answered,
//   127.0.0.4 sends half WebSocket upgrades ("Upgrade" without "Connection: Upgrade") and
//   127.0.0.5 requests with fields far beyond their bounds (200 KiB, and 32 KiB within the body
//   limit), both one after another on 32 connections each.
// The devices know relay tokens, as today's clients do: their relay ends join with them.
// All the devices share 127.0.0.1, like a large office behind one NAT, so the server runs with
// per-address limits to match (kLegitConnections, kLegitRegistrations); the strangers get the
// same limits.

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <memory>
#include <thread>
#include <vector>

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QRandomGenerator>
#include <QTcpSocket>
#include <QTimer>
#include <QWebSocket>

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <nlohmann/json.hpp>

#include "bench_stats.h"
#include "process_sample.h"
#include "server_attackers.h"
#include "server_harness.h"

namespace {

using nimbral::bench::ProcessSample;
using nimbral::bench::sample;
using nimbral::test::joinFrame;
using nimbral::test::relayFrame;
using nimbral::test::waitUntil;
using json = nlohmann::json;
using Clock = std::chrono::steady_clock;

constexpr int kDevices = 500;
constexpr int kRelaySessions = 50;
constexpr int kHeartbeatSeconds = 30;
constexpr int kTickMs = 20;
// Each tick serves one group of senders, so the sessions' frames are spread over the tick the way
// independent devices' would be rather than all arriving at once.
constexpr int kSenderGroups = 4;
constexpr qint64 kRelayBitsPerSecond = 2'000'000;
constexpr int kFrameBytes = static_cast<int>(kRelayBitsPerSecond / 8 * kTickMs / 1000);
constexpr int kProbeFrames = 2000;

// A device's machine fingerprint: 64 lowercase hex digits, as the clients send it.
std::string fingerprintOf(int device) {
    return QCryptographicHash::hash(QByteArray::number(device), QCryptographicHash::Sha256)
        .toHex()
        .toStdString();
}
constexpr int kLegitConnections = 1024;
constexpr int kLegitRegistrations = 1000;
constexpr int kFloodConnections = 8;
constexpr int kStrangerConnections = 32;

struct Device {
    QString clientId;
    QString token;
    std::unique_ptr<QWebSocket> socket;
    bool online = false;
};

// Each party's relay token, by session ID: the Master's from the create reply, the Target's from
// its SESSION_AUTO_ACCEPT.
struct RelayTokens {
    QHash<QString, QString> master;
    QHash<QString, QString> target;
};

// Blocking loopback sockets for the latency probe, so its timing does not wait on the event loop
// that drives the load.
int connectBlocking(quint16 port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0) {
        ::close(fd);
        return -1;
    }
    const int one = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof(one));
    return fd;
}

bool writeAll(int fd, const char* data, size_t size) {
    while (size > 0) {
        const ssize_t n = ::send(fd, data, size, MSG_NOSIGNAL);
        if (n <= 0) {
            return false;
        }
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

bool readAll(int fd, char* data, size_t size) {
    while (size > 0) {
        const ssize_t n = ::recv(fd, data, size, 0);
        if (n <= 0) {
            return false;
        }
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

// Round trips of one message to a peer that sends it straight back, in microseconds.
std::vector<double> roundTrips(int fd, const QByteArray& message) {
    std::vector<double> rtts;
    std::vector<char> buffer(static_cast<size_t>(message.size()));
    for (int i = 0; i < kProbeFrames; ++i) {
        const auto start = Clock::now();
        if (!writeAll(fd, message.constData(), buffer.size()) ||
            !readAll(fd, buffer.data(), buffer.size())) {
            break;
        }
        rtts.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
        std::this_thread::sleep_for(std::chrono::milliseconds(3));
    }
    return rtts;
}

using nimbral::bench::percentile;

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int windowSeconds = argc > 1 ? std::max(5, std::atoi(argv[1])) : 30;
    const bool idle = argc > 2 && std::strcmp(argv[2], "idle") == 0;
    const bool attack = argc > 2 && std::strcmp(argv[2], "attack") == 0;

    rlimit files{};
    getrlimit(RLIMIT_NOFILE, &files);
    files.rlim_cur = files.rlim_max;
    setrlimit(RLIMIT_NOFILE, &files);

    nimbral::test::ServerProcess server(
        {"--log-level", "info", "--max-connections-per-address", QString::number(kLegitConnections),
         "--registrations-per-minute", QString::number(kLegitRegistrations)});
    if (!server.start()) {
        std::fprintf(stderr, "bench: server did not start:\n%s\n", qPrintable(server.output()));
        return 1;
    }
    const QString baseUrl = server.baseUrl();
    const quint16 relayPort = server.relayPort();

    QNetworkAccessManager http;
    const auto post = [&](const QString& path, const json& body, const QString& token,
                          std::function<void(int, const json&)> done) {
        QNetworkRequest request(QUrl(baseUrl + path));
        request.setHeader(QNetworkRequest::ContentTypeHeader, "application/json");
        if (!token.isEmpty()) {
            request.setRawHeader("Authorization", "Bearer " + token.toLatin1());
        }
        QNetworkReply* reply = http.post(request, QByteArray::fromStdString(body.dump()));
        QObject::connect(reply, &QNetworkReply::finished, [reply, done = std::move(done)] {
            reply->deleteLater();
            const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
            json parsed = json::parse(reply->readAll().toStdString(), nullptr, false);
            if (done) {
                done(status, parsed);
            }
        });
    };

    // Devices: register, then hold an authenticated signaling socket each.
    QElapsedTimer setup;
    setup.start();
    std::vector<Device> devices(kDevices);
    int registered = 0;
    for (int i = 0; i < kDevices; ++i) {
        post("/auth/auto-register",
             {{"client_name", "bench"},
              {"agent_version", "1.32"},
              {"machine_fingerprint", fingerprintOf(i)},
              {"capabilities", {"relay_token"}}},
             {}, [&, i](int status, const json& body) {
                 if (status == 200) {
                     devices[i].clientId = QString::fromStdString(body.value("client_id", ""));
                     devices[i].token = QString::fromStdString(body.value("token", ""));
                     ++registered;
                 }
             });
    }
    if (!waitUntil([&] { return registered == kDevices; }, 120000)) {
        std::fprintf(stderr, "bench: only %d of %d devices registered\n", registered, kDevices);
        return 1;
    }
    const double registerSeconds = setup.elapsed() / 1000.0;

    int online = 0;
    RelayTokens tokens;
    for (int i = 0; i < kDevices; ++i) {
        Device& device = devices[i];
        device.socket = std::make_unique<QWebSocket>();
        QWebSocket* socket = device.socket.get();
        QObject::connect(socket, &QWebSocket::connected, [socket, &device] {
            socket->sendTextMessage(QString::fromStdString(
                json{{"type", "AUTH"}, {"token", device.token.toStdString()}}.dump()));
        });
        QObject::connect(
            socket, &QWebSocket::textMessageReceived,
            [socket, &device, &online, &tokens, i](const QString& text) {
                if (text.contains("SESSION_AUTO_ACCEPT")) {
                    const json accept = json::parse(text.toStdString(), nullptr, false);
                    tokens.target.insert(QString::fromStdString(accept.value("session_id", "")),
                                         QString::fromStdString(accept.value("relay_token", "")));
                }
                if (!device.online && text.contains("AUTH_OK")) {
                    device.online = true;
                    ++online;
                    socket->sendTextMessage(QString::fromStdString(json{
                        {"type", "SET_PASSWORD"},
                        {"password", "bench-" + std::to_string(i)}}.dump()));
                }
            });
        QUrl url(baseUrl);
        url.setScheme("ws");
        url.setPath("/ws/clients/" + device.clientId);
        socket->open(url);
    }
    if (!waitUntil([&] { return online == kDevices; }, 60000)) {
        std::fprintf(stderr, "bench: only %d of %d devices online\n", online, kDevices);
        return 1;
    }

    // Relay sessions between device pairs (2i -> 2i+1), plus one for the latency probe.
    std::vector<QString> sessionIds;
    int creating = kRelaySessions + 1;
    for (int s = 0; s < kRelaySessions + 1; ++s) {
        const Device& master = devices[2 * s];
        const Device& target = devices[2 * s + 1];
        post("/sessions/create",
             {{"master_client_id", master.clientId.toStdString()},
              {"target_client_id", target.clientId.toStdString()},
              {"session_password", "bench-" + std::to_string(2 * s + 1)},
              {"purpose", "remote_desktop"},
              {"capabilities", {"relay_token"}}},
             master.token, [&](int status, const json& body) {
                 --creating;
                 if (status == 200) {
                     const QString id = QString::fromStdString(body.value("session_id", ""));
                     sessionIds.push_back(id);
                     tokens.master.insert(id,
                                          QString::fromStdString(body.value("relay_token", "")));
                 }
             });
    }
    if (!waitUntil([&] { return creating == 0 && tokens.target.size() == kRelaySessions + 1; },
                   30000) ||
        static_cast<int>(sessionIds.size()) != kRelaySessions + 1) {
        std::fprintf(stderr, "bench: sessions could not be created\n");
        return 1;
    }
    const QString probeSession = sessionIds.back();
    sessionIds.pop_back();

    struct RelayEnd {
        std::unique_ptr<QTcpSocket> socket;
        qint64 received = 0;
    };
    std::vector<RelayEnd> ends(2 * kRelaySessions);
    for (int s = 0; s < kRelaySessions; ++s) {
        for (int side = 0; side < 2; ++side) {
            RelayEnd& end = ends[2 * s + side];
            end.socket = std::make_unique<QTcpSocket>();
            end.socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
            QTcpSocket* socket = end.socket.get();
            QObject::connect(socket, &QTcpSocket::readyRead,
                             [socket, &end] { end.received += socket->readAll().size(); });
            socket->connectToHost(QHostAddress::LocalHost, relayPort);
            const QString& id = sessionIds[s];
            socket->write(
                joinFrame(id, side == 0 ? tokens.master.value(id) : tokens.target.value(id)));
        }
    }
    const QByteArray loadFrame = relayFrame(1, QByteArray(kFrameBytes - 5, 'v'));

    // Heartbeats: each device every 30 s, spread over the period.
    int heartbeatsSent = 0;
    int heartbeatsOk = 0;
    QTimer heartbeatTimer;
    int nextHeartbeat = 0;
    heartbeatTimer.setInterval(kHeartbeatSeconds * 1000 / kDevices);
    QObject::connect(&heartbeatTimer, &QTimer::timeout, [&] {
        const Device& device = devices[nextHeartbeat];
        nextHeartbeat = (nextHeartbeat + 1) % kDevices;
        ++heartbeatsSent;
        post("/clients/heartbeat",
             {{"client_id", device.clientId.toStdString()},
              {"local_ip", "10.0.0.2"},
              {"nat_type", "FULL_CONE"},
              {"agent_version", "1.32"}},
             device.token, [&](int status, const json&) { heartbeatsOk += status == 200; });
    });

    qint64 offered = 0;
    int group = 0;
    QTimer loadTimer;
    loadTimer.setInterval(kTickMs / kSenderGroups);
    loadTimer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&loadTimer, &QTimer::timeout, [&] {
        group = (group + 1) % kSenderGroups;
        for (size_t i = static_cast<size_t>(group); i < ends.size(); i += kSenderGroups) {
            RelayEnd& end = ends[i];
            // A sender that the relay holds back stops offering more, as a real one would.
            if (end.socket->state() == QAbstractSocket::ConnectedState &&
                end.socket->bytesToWrite() < 256 * 1024) {
                end.socket->write(loadFrame);
                offered += loadFrame.size();
            }
        }
    });

    // The latency probe: a relay session and a direct echo, both with blocking sockets.
    const int probeA = connectBlocking(relayPort);
    const int probeB = connectBlocking(relayPort);
    const QByteArray probeJoinA = joinFrame(probeSession, tokens.master.value(probeSession));
    const QByteArray probeJoinB = joinFrame(probeSession, tokens.target.value(probeSession));
    writeAll(probeA, probeJoinA.constData(), static_cast<size_t>(probeJoinA.size()));
    writeAll(probeB, probeJoinB.constData(), static_cast<size_t>(probeJoinB.size()));

    const int echoListener = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in echoAddress{};
    echoAddress.sin_family = AF_INET;
    echoAddress.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(echoListener, reinterpret_cast<sockaddr*>(&echoAddress), sizeof(echoAddress));
    ::listen(echoListener, 1);
    socklen_t addressLength = sizeof(echoAddress);
    ::getsockname(echoListener, reinterpret_cast<sockaddr*>(&echoAddress), &addressLength);

    std::vector<double> relayRtts;
    std::vector<double> directRtts;
    std::atomic<bool> probeDone{false};
    std::thread probe([&] {
        std::this_thread::sleep_for(std::chrono::seconds(windowSeconds / 5));
        const QByteArray message = relayFrame(0, QByteArray(100, 'p'));
        // The relay's far end answers from a thread of its own, like the echo below.
        std::thread far([size = message.size(), probeB] {
            std::vector<char> buffer(static_cast<size_t>(size));
            for (int i = 0; i < kProbeFrames && readAll(probeB, buffer.data(), buffer.size()) &&
                            writeAll(probeB, buffer.data(), buffer.size());
                 ++i) {
            }
        });
        relayRtts = roundTrips(probeA, message);
        far.join();
        // The echo peer runs on a thread of its own, so both paths pay for waking a receiver.
        const int client = connectBlocking(ntohs(echoAddress.sin_port));
        const int served = ::accept(echoListener, nullptr, nullptr);
        const int one = 1;
        ::setsockopt(served, IPPROTO_TCP, TCP_NODELAY, &one, sizeof(one));
        std::thread echo([served, size = message.size()] {
            std::vector<char> buffer(static_cast<size_t>(size));
            while (readAll(served, buffer.data(), buffer.size()) &&
                   writeAll(served, buffer.data(), buffer.size())) {
            }
        });
        directRtts = roundTrips(client, message);
        ::close(client);
        echo.join();
        ::close(served);
        probeDone = true;
    });

    // The strangers. The hoarder's connections are opened first and counted once the server has
    // had its say; the flood keeps its connections busy with one registration after another.
    std::vector<std::unique_ptr<QTcpSocket>> hoard;
    std::vector<std::unique_ptr<QTcpSocket>> flood;
    std::vector<QByteArray> floodBuffers(kFloodConnections);
    int floodSent = 0;
    int floodAccepted = 0;
    int floodRefused = 0;
    int hoardHeld = 0;
    const quint16 httpPort = static_cast<quint16>(QUrl(baseUrl).port());
    const QByteArray registration = [] {
        const QByteArray body = R"({"client_name":"flood","agent_version":"1"})";
        return "POST /auth/auto-register HTTP/1.1\r\nHost: bench\r\nContent-Type: "
               "application/json\r\nContent-Length: " +
               QByteArray::number(body.size()) + "\r\n\r\n" + body;
    }();
    bool flooding = false;
    nimbral::bench::RequestFlood halfUpgrades(QHostAddress(QStringLiteral("127.0.0.4")),
                                              {nimbral::bench::halfUpgradeRequest()},
                                              kStrangerConnections);
    nimbral::bench::RequestFlood oversized(
        QHostAddress(QStringLiteral("127.0.0.5")),
        nimbral::bench::oversizedFieldRequests(devices[0].token.toLatin1(),
                                               devices[0].clientId.toLatin1(),
                                               devices[1].clientId.toLatin1()),
        kStrangerConnections);
    if (attack) {
        for (int i = 0; i < kLegitConnections + 100; ++i) {
            auto socket = std::make_unique<QTcpSocket>();
            socket->bind(QHostAddress(QStringLiteral("127.0.0.2")));
            socket->connectToHost(QHostAddress::LocalHost, httpPort);
            hoard.push_back(std::move(socket));
        }
        waitUntil([] { return false; }, 2000);
        for (const auto& socket : hoard) {
            hoardHeld += socket->state() == QAbstractSocket::ConnectedState;
        }
        for (int i = 0; i < kFloodConnections; ++i) {
            auto socket = std::make_unique<QTcpSocket>();
            socket->bind(QHostAddress(QStringLiteral("127.0.0.3")));
            QTcpSocket* raw = socket.get();
            QByteArray& buffer = floodBuffers[static_cast<size_t>(i)];
            QObject::connect(raw, &QTcpSocket::connected, [&, raw] {
                raw->write(registration);
                ++floodSent;
            });
            QObject::connect(raw, &QTcpSocket::readyRead, [&, raw] {
                buffer += raw->readAll();
                // Whole answers only: status line, headers, a body of Content-Length bytes.
                for (qsizetype length; (length = nimbral::test::httpMessageLength(buffer)) > 0;) {
                    const int status = buffer.mid(9, 3).toInt();
                    floodAccepted += status == 200;
                    floodRefused += status == 429;
                    buffer.remove(0, length);
                    if (flooding) {
                        raw->write(registration);
                        ++floodSent;
                    }
                }
            });
            flood.push_back(std::move(socket));
        }
    }

    const ProcessSample before = sample(server.pid());
    QElapsedTimer window;
    window.start();
    qint64 receivedAtStart = 0;
    for (const RelayEnd& end : ends) {
        receivedAtStart += end.received;
    }
    if (!idle) {
        heartbeatTimer.start();
        loadTimer.start();
    }
    if (attack) {
        flooding = true;
        for (const auto& socket : flood) {
            socket->connectToHost(QHostAddress::LocalHost, httpPort);
        }
        halfUpgrades.start(httpPort);
        oversized.start(httpPort);
    }
    waitUntil([&] { return window.elapsed() >= windowSeconds * 1000 && probeDone; },
              (windowSeconds + 120) * 1000);
    loadTimer.stop();
    heartbeatTimer.stop();
    flooding = false;
    halfUpgrades.stop();
    oversized.stop();
    int hoardStillHeld = 0;
    for (const auto& socket : hoard) {
        hoardStillHeld += socket->state() == QAbstractSocket::ConnectedState;
    }
    const double seconds = window.elapsed() / 1000.0;
    const ProcessSample after = sample(server.pid());
    probe.join();
    qint64 received = -receivedAtStart;
    for (const RelayEnd& end : ends) {
        received += end.received;
    }
    int stillOnline = 0;
    for (const Device& device : devices) {
        stillOnline += device.socket->state() == QAbstractSocket::ConnectedState;
    }

    const double relayP50 = percentile(relayRtts, 0.50);
    const double relayP99 = percentile(relayRtts, 0.99);
    const double directP50 = percentile(directRtts, 0.50);
    const double directP99 = percentile(directRtts, 0.99);

    std::printf("NimbralServer under load on loopback (%.1f s window%s)\n", seconds,
                attack ? ", under attack" : "");
    if (attack) {
        std::printf("  127.0.0.2 holding connections %d admitted of %d opened, %d still held at "
                    "the end (cap %d per address)\n",
                    hoardHeld, kLegitConnections + 100, hoardStillHeld, kLegitConnections);
        std::printf("  127.0.0.3 registration flood  %d sent, %d registered, %d refused (429), "
                    "%.0f answers/s (limit %d a minute)\n",
                    floodSent, floodAccepted, floodRefused,
                    (floodAccepted + floodRefused) / seconds, kLegitRegistrations);
        std::printf("  127.0.0.4 half upgrades       %d sent, %d answered 400, %d otherwise, %d "
                    "unanswered; %d connections closed by the server\n",
                    halfUpgrades.sent, halfUpgrades.answered400, halfUpgrades.answeredOther,
                    halfUpgrades.sent - halfUpgrades.answered400 - halfUpgrades.answeredOther -
                        halfUpgrades.answered429 - halfUpgrades.answered413,
                    halfUpgrades.closedByServer);
        std::printf("  127.0.0.5 oversized fields    %d sent, %d refused 400, %d refused 413, %d "
                    "refused 429, %d otherwise\n",
                    oversized.sent, oversized.answered400, oversized.answered413,
                    oversized.answered429, oversized.answeredOther);
    }
    std::printf("  devices online              %d of %d (registered in %.1f s)\n", stillOnline,
                kDevices, registerSeconds);
    std::printf("  heartbeats                  %d sent, %d answered 200\n", heartbeatsSent,
                heartbeatsOk);
    std::printf("  relay sessions              %d, offered %.1f Mbit/s, delivered %.1f Mbit/s "
                "(target %.1f)\n",
                kRelaySessions, offered * 8 / seconds / 1e6, received * 8 / seconds / 1e6,
                2.0 * kRelaySessions * kRelayBitsPerSecond / 1e6);
    std::printf("  server memory               %.1f MiB resident, %.1f MiB peak\n",
                after.rssKiB / 1024.0, after.peakKiB / 1024.0);
    std::printf("  server CPU                  %.1f %% of one core\n",
                100.0 * (after.cpuSeconds - before.cpuSeconds) / seconds);
    std::printf("  100-byte round trip, direct loopback echo: p50 %.0f us, p99 %.0f us (%zu)\n",
                directP50, directP99, directRtts.size());
    std::printf("  100-byte round trip, through the relay:    p50 %.0f us, p99 %.0f us (%zu)\n",
                relayP50, relayP99, relayRtts.size());
    std::printf("  relay / direct                             p50 %.2fx, p99 %.2fx\n",
                directP50 > 0 ? relayP50 / directP50 : 0, directP99 > 0 ? relayP99 / directP99 : 0);
    std::printf("  added by the relay, round trip (2 passes)  p50 %.0f us, p99 %.0f us\n",
                relayP50 - directP50, relayP99 - directP99);
    std::printf("  added by the relay, one pass               p50 %.0f us, p99 %.0f us\n",
                (relayP50 - directP50) / 2, (relayP99 - directP99) / 2);

    ::close(probeA);
    ::close(probeB);
    ::close(echoListener);
    server.stop();
    const bool complete = stillOnline == kDevices &&
                          static_cast<int>(relayRtts.size()) == kProbeFrames &&
                          static_cast<int>(directRtts.size()) == kProbeFrames;
    return complete ? 0 : 1;
}
