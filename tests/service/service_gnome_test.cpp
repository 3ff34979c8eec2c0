// The service as the Target of a GNOME Wayland desktop: the service (root, outside the user's
// session, as systemd starts it) cannot record that desktop itself. The client program, as its
// agent inside the session, records it and injects the input; a Master sees and drives it.
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "desktop_processes.h"
#include "device_stack.h"
#include "input_events.h"
#include "picture_colours.h"
#include "service/service_ipc_client.h"
#include "service_program.h"
#include "wait_until.h"
#include "wayland_probe.h"

namespace nimbral {
namespace {

constexpr const char* kServicePassword = "Agent-Pass7";

// The service's ID, after its password was set through a short connection of our own (the
// agent's line is free again afterwards).
QString prepareService(const QString& endpoint) {
    ServiceIpcClient setup;
    if (!QTest::qWaitFor([&] { return setup.connectToService(endpoint, 500); }, 15000) ||
        !QTest::qWaitFor([&] { return !setup.clientId().isEmpty(); }, 15000)) {
        return {};
    }
    setup.setSessionPassword(kServicePassword);
    if (!QTest::qWaitFor([&] { return setup.sessionPassword() == kServicePassword; }, 5000)) {
        return {};
    }
    const QString id = setup.clientId();
    setup.disconnectFromService();
    return id;
}

TEST(ServiceOnGnome, TheAgentRecordsTheDesktopForTheServiceAndAMasterDrivesIt) {
    if (!headlessDesktopRunning()) {
        GTEST_SKIP() << "no headless GNOME here (mutter, pipewire, wireplumber)";
    }
    WaylandProbe probe;
    ASSERT_TRUE(probe.start("#ff0000"));
    test::ServerProcess server;
    ASSERT_TRUE(server.start()) << server.output().toStdString();
    QTemporaryDir folder;
    const QString endpoint = folder.filePath("run/NimbralService");
    QProcess service;
    // Nothing of the desktop's session reaches the service, as under systemd.
    ASSERT_TRUE(test::startServiceProgram(
        service, server, folder, endpoint,
        {"--relay-port", QString::number(server.relayPort()), "--bind-address", "127.0.0.1"},
        {"WAYLAND_DISPLAY", "XDG_SESSION_TYPE", "DBUS_SESSION_BUS_ADDRESS", "DISPLAY"}));
    QString log;
    const auto serviceLog = [&] {
        return log += QString::fromUtf8(service.readAll());
    };
    const QString id = prepareService(endpoint);
    ASSERT_FALSE(id.isEmpty()) << serviceLog().toStdString();

    // The client program in the desktop's session finds the service and becomes its agent.
    QProcess agent;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("NIMBRAL_SERVICE_ENDPOINT", endpoint);
    environment.insert("HOME", folder.filePath("agent-home"));
    environment.insert("QT_QPA_PLATFORM", "offscreen"); // its window stays off the shared screen
    environment.insert("ASAN_OPTIONS", "detect_leaks=0");
    agent.setProcessEnvironment(environment);
    agent.setProcessChannelMode(QProcess::MergedChannels);
    agent.start(NIMBRAL_CLIENT_PATH, QStringList{});
    ASSERT_WAIT(serviceLog().contains("The agent offers its desktop"), 20000)
        << agent.readAll().toStdString() << log.toStdString();

    test::DeviceStack master(server, QString(), 3000);
    ASSERT_TRUE(master.bringOnline());
    std::shared_ptr<DecodedFrame> picture;
    QObject::connect(&master.session, &SessionManager::frameDecoded, &master.session,
                     [&picture](std::shared_ptr<DecodedFrame> frame) { picture = frame; });
    master.session.initiateSession(id, kServicePassword);
    ASSERT_WAIT(master.session.state() == SessionState::Connected, 20000)
        << serviceLog().toStdString();
    const std::vector<std::uint8_t> red = test::nv12Of(255, 0, 0);
    ASSERT_WAIT(picture && test::looksLike(*picture, 640, 360, red), 20000)
        << serviceLog().toStdString() << agent.readAll().toStdString();
    EXPECT_EQ(picture->width, 1280);
    EXPECT_EQ(picture->height, 720);
    probe.tell("square 400 200 160 120 #0000ff");
    ASSERT_WAIT(test::looksLike(*picture, 480, 260, test::nv12Of(0, 0, 255)), 10000);

    // The Master's click lands on the square, through the service and its agent.
    master.session.sendInputEvent(
        test::mouse(InputEventType::MouseMove, 480.5 / 1280, 260.5 / 720));
    EXPECT_TRUE(probe.waitFor("(enter|move) 480 260"));
    master.session.sendInputEvent(
        test::mouse(InputEventType::MouseButtonPress, 480.5 / 1280, 260.5 / 720));
    master.session.sendInputEvent(
        test::mouse(InputEventType::MouseButtonRelease, 480.5 / 1280, 260.5 / 720));
    EXPECT_TRUE(probe.waitFor("press 480 260 1"));
    EXPECT_TRUE(serviceLog().contains("AgentCaptureBackend: the agent records monitor 0 (Meta-0"))
        << log.toStdString();

    master.session.endSession(QStringLiteral("user_disconnect"));
    agent.terminate();
    EXPECT_TRUE(agent.waitForFinished(15000));
    service.terminate();
    EXPECT_TRUE(service.waitForFinished(15000));
    EXPECT_EQ(service.exitCode(), 0) << serviceLog().toStdString();
}

} // namespace
} // namespace nimbral
