// Round trip of a small control message between two connected session managers on loopback:
// a chat line answered by the peer's session, beside the same link's raw round trip (bytes
// echoed by the far transport, no sealing, no dispatch), alternating in the same run, over P2P
// and over the relay of a real NimbralServer.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <vector>

#include <QEventLoop>
#include <QGuiApplication>
#include <QTimer>

#include <spdlog/spdlog.h>

#include "bench_stats.h"
#include "device_stack.h"
#include "session/chat_service.h"

namespace {

using namespace nimbral;
using Access = SessionManagerTestAccess;
using Clock = std::chrono::steady_clock;

constexpr int kRounds = 400;

using nimbral::bench::percentile;

// Runs the event loop until `arrived` fires or a second passes; the time from `send` to it.
template <typename Sender, typename Signal>
double roundTrip(const typename QtPrivate::FunctionPointer<Signal>::Object* sender, Signal arrived,
                 Sender send) {
    QEventLoop loop;
    const auto connection = QObject::connect(sender, arrived, &loop, &QEventLoop::quit);
    QTimer::singleShot(1000, &loop, &QEventLoop::quit);
    bool done = false;
    const auto marker = QObject::connect(sender, arrived, &loop, [&done] { done = true; });
    const auto start = Clock::now();
    send();
    if (!done) {
        loop.exec();
    }
    const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    QObject::disconnect(connection);
    QObject::disconnect(marker);
    return done ? ms : -1.0;
}

void measure(const char* name, test::DeviceStack& master, test::DeviceStack& target) {
    ITransport* masterLink = Access::link(master.session);
    ITransport* targetLink = Access::link(target.session);
    ChatService* masterChat = master.session.chatService();
    ChatService* targetChat = target.session.chatService();
    // The Target's session answers every chat line.
    QObject::connect(targetChat, &ChatService::messageReceived, targetChat,
                     [targetChat](const QString& text) { targetChat->sendMessage(text); });
    // Raw: the far transport returns what it got; the sessions are not told of these bytes.
    const QByteArray raw(40, 'r'); // about the size of a sealed short chat line
    std::vector<double> rawTimes;
    std::vector<double> sessionTimes;
    for (int i = 0; i < kRounds; ++i) {
        QObject::disconnect(masterLink, &ITransport::dataReceived, &master.session, nullptr);
        QObject::disconnect(targetLink, &ITransport::dataReceived, &target.session, nullptr);
        const auto echo = QObject::connect(
            targetLink, &ITransport::dataReceived, targetLink,
            [targetLink](ChannelType channel, const QByteArray& data) {
                targetLink->send(channel, reinterpret_cast<const std::uint8_t*>(data.constData()),
                                 static_cast<std::size_t>(data.size()));
            });
        const double rawMs = roundTrip(masterLink, &ITransport::dataReceived, [&] {
            masterLink->send(ChannelType::Control,
                             reinterpret_cast<const std::uint8_t*>(raw.constData()),
                             static_cast<std::size_t>(raw.size()));
        });
        QObject::disconnect(echo);
        QObject::connect(masterLink, &ITransport::dataReceived, &master.session,
                         &SessionManager::onTransportData);
        QObject::connect(targetLink, &ITransport::dataReceived, &target.session,
                         &SessionManager::onTransportData);
        const double sessionMs = roundTrip(masterChat, &ChatService::messageReceived, [&] {
            masterChat->sendMessage(QStringLiteral("ping"));
        });
        if (rawMs >= 0) {
            rawTimes.push_back(rawMs);
        }
        if (sessionMs >= 0) {
            sessionTimes.push_back(sessionMs);
        }
    }
    const double rawP50 = percentile(rawTimes, 0.5);
    const double sessionP50 = percentile(sessionTimes, 0.5);
    std::printf("  %-5s raw link   p50 %.3f ms  p99 %.3f ms  (%zu of %d)\n", name, rawP50,
                percentile(rawTimes, 0.99), rawTimes.size(), kRounds);
    std::printf("  %-5s session    p50 %.3f ms  p99 %.3f ms  (%zu of %d)\n", name, sessionP50,
                percentile(sessionTimes, 0.99), sessionTimes.size(), kRounds);
    std::printf("  %-5s added by the session layer per round trip: p50 %.3f ms (%.2fx raw)\n", name,
                sessionP50 - rawP50, rawP50 > 0 ? sessionP50 / rawP50 : 0.0);
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    spdlog::set_level(spdlog::level::off);
    test::ServerProcess server;
    if (!server.start()) {
        std::printf("session bench: server did not start\n");
        return 1;
    }
    std::printf("Session round trip of a chat line answered by the peer (%d rounds, loopback)\n",
                kRounds);
    for (const bool relay : {false, true}) {
        test::DeviceStack master(server, QString(), relay ? 300 : 3000);
        test::DeviceStack target(server, QStringLiteral("Bench-Pass1"), relay ? 300 : 3000);
        master.blockP2P = relay;
        target.blockP2P = relay;
        if (!test::connectDevices(master, target, QStringLiteral("Bench-Pass1"))) {
            std::printf("  %s: did not connect\n", relay ? "relay" : "p2p");
            continue;
        }
        measure(relay ? "relay" : "p2p", master, target);
        master.session.endSession(QStringLiteral("user_disconnect"));
    }
    return 0;
}
