// The session links on loopback: throughput of 64 KiB control messages, and the one-way latency
// of 100-byte control messages while the video channel carries a 10 Mbit/s stream of 30 KiB
// messages, for the P2P transport, the relay transport (through a real NimbralServer) and a
// plain TCP connection carrying the same frames, all in one run.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <vector>

#include <QCoreApplication>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <spdlog/spdlog.h>

#include "bench_stats.h"
#include "common/relay_frame.h"
#include "network/p2p_transport.h"
#include "network/relay_transport.h"
#include "server_harness.h"

namespace {

using nimbral::ChannelType;
using nimbral::ITransport;
namespace relay_frame = nimbral::relay_frame;
using nimbral::test::waitUntil;
using Clock = std::chrono::steady_clock;

constexpr int kThroughputMessages = 400;
constexpr int kMessageBytes = 64 * 1024;
constexpr int kVideoBytes = 30 * 1024;
constexpr int kVideoIntervalMs = 24; // 30 KiB every 24 ms: 10.2 Mbit/s
constexpr int kPings = 300;

std::int64_t nowMicros() {
    return std::chrono::duration_cast<std::chrono::microseconds>(Clock::now().time_since_epoch())
        .count();
}

// A plain TCP connection framed like the relay (channel byte, 4-byte length), as the baseline.
class TcpLink : public ITransport {
public:
    explicit TcpLink(QTcpSocket* socket)
        : m_socket(socket) {
        m_socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
        QObject::connect(m_socket, &QTcpSocket::readyRead, this, [this] {
            m_buffer += m_socket->readAll();
            constexpr int header = relay_frame::kHeaderBytes;
            while (m_buffer.size() >= header) {
                const quint32 length = relay_frame::lengthOf(m_buffer.constData());
                if (m_buffer.size() < header + static_cast<qsizetype>(length)) {
                    break;
                }
                emit dataReceived(
                    static_cast<ChannelType>(relay_frame::channelOf(m_buffer.constData())),
                    m_buffer.mid(header, length));
                m_buffer.remove(0, header + length);
            }
        });
    }
    bool connect(const std::string&, quint16) override { return true; }
    void disconnect() override { m_socket->abort(); }
    bool isConnected() const override {
        return m_socket->state() == QAbstractSocket::ConnectedState;
    }
    std::optional<double> roundTripMs() const override { return std::nullopt; }
    std::size_t pendingBytes(ChannelType) const override {
        return static_cast<std::size_t>(m_socket->bytesToWrite());
    }
    bool send(ChannelType channel, const std::uint8_t* data, std::size_t length) override {
        QByteArray frame(relay_frame::kHeaderBytes, '\0');
        relay_frame::writeHeader(frame.data(), static_cast<std::uint8_t>(channel),
                                 static_cast<std::uint32_t>(length));
        frame.append(reinterpret_cast<const char*>(data), static_cast<qsizetype>(length));
        return m_socket->write(frame) == frame.size();
    }

private:
    QTcpSocket* m_socket;
    QByteArray m_buffer;
};

bool sendBytes(ITransport& link, ChannelType channel, const QByteArray& bytes) {
    return link.send(channel, reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                     static_cast<std::size_t>(bytes.size()));
}

using nimbral::bench::percentile;

void measure(const char* name, ITransport& a, ITransport& b) {
    // Throughput: 64 KiB messages from a to b on the reliable channel.
    int received = 0;
    auto counter = QObject::connect(&b, &ITransport::dataReceived,
                                    [&](ChannelType, const QByteArray&) { ++received; });
    const QByteArray message(kMessageBytes, 'm');
    const auto start = Clock::now();
    for (int i = 0; i < kThroughputMessages; ++i) {
        sendBytes(a, ChannelType::Control, message);
    }
    const bool all = waitUntil([&] { return received == kThroughputMessages; }, 60000);
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    QObject::disconnect(counter);

    // Latency under a video stream: pings carry their send time; the receiver, in this process,
    // reads the same clock.
    std::vector<double> latencies;
    auto probe = QObject::connect(&b, &ITransport::dataReceived,
                                  [&](ChannelType channel, const QByteArray& data) {
                                      if (channel == ChannelType::Control && data.size() == 100) {
                                          std::int64_t sent = 0;
                                          std::memcpy(&sent, data.constData(), sizeof sent);
                                          latencies.push_back((nowMicros() - sent) / 1000.0);
                                      }
                                  });
    QTimer video;
    const QByteArray frame(kVideoBytes, 'v');
    QObject::connect(&video, &QTimer::timeout, [&] { sendBytes(a, ChannelType::Video, frame); });
    video.start(kVideoIntervalMs);
    QTimer pings;
    int sentPings = 0;
    QObject::connect(&pings, &QTimer::timeout, [&] {
        QByteArray ping(100, 'p');
        const std::int64_t now = nowMicros();
        std::memcpy(ping.data(), &now, sizeof now);
        sendBytes(a, ChannelType::Control, ping);
        if (++sentPings == kPings) {
            pings.stop();
        }
    });
    pings.start(10);
    waitUntil([&] { return static_cast<int>(latencies.size()) == kPings; }, 30000);
    video.stop();
    QObject::disconnect(probe);

    std::printf("  %-6s 64 KiB messages: %7.1f MiB/s%s; 100-byte control under 10 Mbit/s video: "
                "p50 %.2f ms, p99 %.2f ms (%zu of %d)\n",
                name, kThroughputMessages * double(kMessageBytes) / seconds / (1024 * 1024),
                all ? "" : " (incomplete)", percentile(latencies, 0.5), percentile(latencies, 0.99),
                latencies.size(), kPings);
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    spdlog::set_level(spdlog::level::warn);
    std::printf("Session links on loopback (one process)\n");

    // P2P
    {
        nimbral::P2PSettings settings;
        settings.stunUrls.clear();
        settings.bindAddress = "127.0.0.1";
        nimbral::P2PTransport offerer(settings, nullptr);
        nimbral::P2PTransport answerer(settings, nullptr);
        QObject::connect(&offerer, &nimbral::P2PTransport::localDescriptionReady,
                         [&](const QString& s, const QString& t) {
                             answerer.setRemoteDescription(s.toStdString(), t.toStdString());
                         });
        QObject::connect(&answerer, &nimbral::P2PTransport::localDescriptionReady,
                         [&](const QString& s, const QString& t) {
                             offerer.setRemoteDescription(s.toStdString(), t.toStdString());
                         });
        QObject::connect(&offerer, &nimbral::P2PTransport::localCandidateReady,
                         [&](const QString& c, const QString& m) {
                             answerer.addRemoteCandidate(c.toStdString(), m.toStdString());
                         });
        QObject::connect(&answerer, &nimbral::P2PTransport::localCandidateReady,
                         [&](const QString& c, const QString& m) {
                             offerer.addRemoteCandidate(c.toStdString(), m.toStdString());
                         });
        const auto start = Clock::now();
        answerer.startAsAnswerer();
        offerer.startAsOfferer();
        if (!waitUntil([&] { return offerer.isConnected() && answerer.isConnected(); }, 10000)) {
            std::printf("  p2p: did not connect\n");
            return 1;
        }
        std::printf("  p2p    set-up (start to both channels open): %.1f ms\n",
                    std::chrono::duration<double, std::milli>(Clock::now() - start).count());
        measure("p2p", offerer, answerer);
    }

    // Relay through the real server
    {
        nimbral::test::ServerProcess server({"--log-level", "info"});
        if (!server.start()) {
            std::printf("  relay: server did not start\n");
            return 1;
        }
        nimbral::test::RestClient rest(server.baseUrl());
        nimbral::test::Device master = nimbral::test::registerDevice(rest);
        nimbral::test::Device target = nimbral::test::registerDevice(rest);
        nimbral::test::goOnline(master, server.baseUrl(), "m", "100000");
        nimbral::test::goOnline(target, server.baseUrl(), "bench-pass", "200000");
        const auto created =
            rest.post("/sessions/create",
                      nlohmann::json{{"master_client_id", master.clientId.toStdString()},
                                     {"target_client_id", target.clientId.toStdString()},
                                     {"session_password", "bench-pass"}},
                      master.token);
        const QString sessionId = QString::fromStdString(created.body.value("session_id", ""));
        nimbral::RelayTransport a;
        nimbral::RelayTransport b;
        a.setSessionId(sessionId);
        b.setSessionId(sessionId);
        a.connect("127.0.0.1", server.relayPort());
        b.connect("127.0.0.1", server.relayPort());
        if (!waitUntil([&] { return a.isConnected() && b.isConnected(); }, 5000)) {
            std::printf("  relay: did not connect\n");
            return 1;
        }
        waitUntil([] { return false; }, 100); // both joins reach the relay
        measure("relay", a, b);
    }

    // Plain TCP baseline
    {
        QTcpServer listener;
        listener.listen(QHostAddress::LocalHost, 0);
        QTcpSocket client;
        client.connectToHost(QHostAddress::LocalHost, listener.serverPort());
        waitUntil([&] { return listener.hasPendingConnections(); }, 5000);
        QTcpSocket* served = listener.nextPendingConnection();
        TcpLink a(&client);
        TcpLink b(served);
        measure("tcp", a, b);
    }
    return 0;
}
