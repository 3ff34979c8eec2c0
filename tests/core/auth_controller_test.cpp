#include "core/auth_controller.h"

#include <cstring>
#include <set>
#include <vector>

#include <openssl/rand.h>

#include <QSet>
#include <QSignalSpy>
#include <QTest>

#include "core/machine_fingerprint.h"
#include "core/settings_controller.h"
#include "http_recorder.h"
#include "log_capture.h"
#include "network/api_client.h"
#include "network/heartbeat_service.h"
#include "network/signaling_client.h"
#include "server_harness.h"
#include "settings_test_store.h"

namespace nimbral {
namespace {

using nlohmann::json;
using spdlog::level::info;
using spdlog::level::warn;

// One device's core against a server: the objects the client program builds, in its order.
struct DeviceCore {
    explicit DeviceCore(const QString& serverUrl, SettingsController& settings)
        : api(QUrl(serverUrl))
        , heartbeat(&api)
        , auth(&api, &signaling, &heartbeat, &settings) {
        // Never reach the public probes from a test.
        heartbeat.setStunServer("127.0.0.1", 9);
        heartbeat.setIpEchoUrl(QUrl("http://127.0.0.1:9/"));
        auth.setFingerprintSource(
            [] { return MachineFingerprint::fromInstallationGuid("machine-of-this-test"); });
    }
    ApiClient api;
    SignalingClient signaling;
    HeartbeatService heartbeat;
    AuthController auth;
};

class AuthControllerTest : public test::SettingsStoreTest {
protected:
    void SetUp() override {
        test::SettingsStoreTest::SetUp();
        ASSERT_TRUE(server.start()) << server.output().toStdString();
    }

    std::unique_ptr<DeviceCore> newCore(const QString& url = {}) {
        return std::make_unique<DeviceCore>(url.isEmpty() ? server.baseUrl() : url, settings);
    }

    // Authenticates and waits for the signaling socket's AUTH_OK.
    bool bringOnline(DeviceCore& core) {
        QSignalSpy online(&core.signaling, &SignalingClient::connected);
        core.auth.authenticate();
        return online.wait(5000);
    }

    test::HttpReply createFrom(test::Device& master, const QString& password) {
        test::RestClient rest(server.baseUrl());
        return rest.post("/sessions/create",
                         json{{"master_client_id", master.clientId.toStdString()},
                              {"target_client_id", settings.clientId().toStdString()},
                              {"session_password", password.toStdString()}},
                         master.token);
    }

    test::ServerProcess server;
    SettingsController settings;
};

TEST_F(AuthControllerTest, FirstStartRegistersAndTheNextStartLogsIn) {
    test::LogCapture log;
    auto first = newCore();
    QSignalSpy authenticated(&first->auth, &AuthController::authenticated);
    ASSERT_TRUE(bringOnline(*first));
    EXPECT_TRUE(log.has(info, "First launch — auto-registering..."));
    const QString clientId = settings.clientId();
    EXPECT_EQ(clientId.size(), 9);
    EXPECT_FALSE(settings.deviceSecret().isEmpty());
    EXPECT_EQ(authenticated.at(0).at(0).toString(), clientId);
    EXPECT_TRUE(first->auth.isAuthenticated());
    first.reset();

    log.clear();
    auto second = newCore();
    ASSERT_TRUE(bringOnline(*second));
    EXPECT_TRUE(log.has(info, "Auto-login with stored client ID: " + clientId.toStdString()));
    EXPECT_TRUE(log.has(info, "Auto-login successful. Client ID: " + clientId.toStdString()));
    EXPECT_EQ(settings.clientId(), clientId);
}

TEST_F(AuthControllerTest, RefusedCredentialsAreClearedAndTheNextAttemptRegisters) {
    settings.setClientId("123456789");
    settings.setDeviceSecret("not-the-secret");
    auto core = newCore();
    QSignalSpy failed(&core->auth, &AuthController::authenticationFailed);
    core->auth.authenticate();
    ASSERT_TRUE(failed.wait(5000));
    EXPECT_EQ(failed.at(0).at(0).toString(), "Invalid device credentials");
    EXPECT_FALSE(settings.hasStoredCredentials());
    EXPECT_TRUE(core->auth.retryPending());

    ASSERT_TRUE(bringOnline(*core)); // what the retry timer does 20 s later
    EXPECT_NE(settings.clientId(), "123456789");
    EXPECT_EQ(core->auth.failureCount(), 0);
}

TEST_F(AuthControllerTest, AnOutageKeepsTheCredentialsAndBacksOff) {
    settings.setClientId("123456789");
    settings.setDeviceSecret("secret");
    auto core = newCore("http://127.0.0.1:1");
    QSignalSpy failed(&core->auth, &AuthController::authenticationFailed);
    for (const int expectedWaitMs : {20000, 40000, 80000, 160000, 160000}) {
        core->auth.authenticate();
        ASSERT_TRUE(failed.wait(5000)) << expectedWaitMs;
        EXPECT_EQ(failed.last().at(0).toString(), "Auto-login failed");
        EXPECT_TRUE(settings.hasStoredCredentials()) << expectedWaitMs;
        EXPECT_TRUE(core->auth.retryPending());
        EXPECT_EQ(core->auth.retryIntervalMs(), expectedWaitMs);
    }
}

// Only the server's explicit refusal makes a device forget its ID: a run of errors, a proxy's
// 401 or a text that merely mentions authentication keep it.
TEST_F(AuthControllerTest, OnlyTheExplicitRefusalClearsTheCredentials) {
    test::HttpRecorder recorder;
    settings.setClientId("123456789");
    settings.setDeviceSecret(QString(64, 'a'));
    auto core = newCore(recorder.url());
    QSignalSpy failed(&core->auth, &AuthController::authenticationFailed);
    const std::pair<int, QByteArray> keeping[] = {
        {500, R"({"detail":"Internal Server Error"})"},
        {500, R"({"detail":"Internal Server Error"})"},
        {500, R"({"detail":"Internal Server Error"})"},
        {401, R"({"detail":"Not authenticated"})"},
        {400, R"({"detail":"AUTHENTICATION failed upstream"})"},
        {503, R"({"detail":"Invalid device credentials"})"},
        {401, "<html>proxy login</html>"},
    };
    for (const auto& [status, body] : keeping) {
        recorder.enqueueReply(status, body);
        core->auth.authenticate();
        ASSERT_TRUE(failed.wait(5000)) << body.toStdString();
        EXPECT_TRUE(settings.hasStoredCredentials()) << status << " " << body.toStdString();
    }
    recorder.enqueueReply(401, R"({"detail":"Invalid device credentials"})");
    core->auth.authenticate();
    ASSERT_TRUE(failed.wait(5000));
    EXPECT_FALSE(settings.hasStoredCredentials());
    test::LogCapture log;
    core->auth.authenticate();
    EXPECT_TRUE(log.has(info, "First launch — auto-registering..."));
}

TEST_F(AuthControllerTest, PasswordAndPairingCodeReachTheServer) {
    settings.setSessionPassword("Valid-Pass1");
    auto core = newCore();
    EXPECT_EQ(core->auth.sessionPassword(), "Valid-Pass1");
    ASSERT_TRUE(bringOnline(*core));

    test::RestClient rest(server.baseUrl());
    test::Device master = test::registerDevice(rest);
    // The round trip through the server is asynchronous; the values land just after AUTH_OK.
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return createFrom(master, "Valid-Pass1").status == 200; }, 5000));
    EXPECT_EQ(createFrom(master, core->auth.pairingCode()).status, 200);

    // A new password and a new code replace the old ones at once while connected.
    core->auth.setSessionPassword("Other-Pass2");
    core->auth.regeneratePairingCode();
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return createFrom(master, "Other-Pass2").status == 200; }, 5000));
    EXPECT_EQ(createFrom(master, core->auth.pairingCode()).status, 200);
    EXPECT_EQ(settings.sessionPassword(), "Other-Pass2");
}

TEST_F(AuthControllerTest, APairingCodeDrawnOfflineIsSentAfterTheNextAuthOk) {
    auto core = newCore();
    ASSERT_TRUE(bringOnline(*core));
    QSignalSpy disconnected(&core->signaling, &SignalingClient::disconnected);
    server.stop();
    ASSERT_TRUE(disconnected.wait(5000));

    test::LogCapture log;
    QSignalSpy changed(&core->auth, &AuthController::pairingCodeChanged);
    core->auth.regeneratePairingCode();
    EXPECT_EQ(changed.count(), 1);
    EXPECT_TRUE(log.has(info, "Pairing code regenerated"));
    EXPECT_FALSE(log.has(warn, "Cannot send message: not connected")); // not even tried
    const QString offlineCode = core->auth.pairingCode();

    // Back on the same address: the old token died with the restart, so the device logs in
    // again and publishes the code it drew while offline.
    ASSERT_TRUE(server.startOnSamePorts()) << server.output().toStdString();
    QSignalSpy online(&core->signaling, &SignalingClient::connected);
    core->auth.authenticate();
    ASSERT_TRUE(online.wait(5000));
    test::RestClient rest(server.baseUrl());
    test::Device master = test::registerDevice(rest);
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return createFrom(master, offlineCode).status == 200; }, 5000));
}

TEST_F(AuthControllerTest, ComesBackOnlineByItselfAfterALongOutage) {
    auto core = newCore();
    ASSERT_TRUE(bringOnline(*core));
    QSignalSpy disconnected(&core->signaling, &SignalingClient::disconnected);
    QSignalSpy failed(&core->auth, &AuthController::authenticationFailed);
    server.stop();
    ASSERT_TRUE(disconnected.wait(5000));

    // Longer than the whole back-off: every reconnect attempt fails.
    while (core->signaling.reconnectPending()) {
        disconnected.clear();
        core->signaling.attemptReconnect();
        ASSERT_TRUE(disconnected.wait(5000));
    }
    ASSERT_EQ(failed.count(), 1) << "signaling gave up without the device noticing";
    EXPECT_FALSE(core->auth.isAuthenticated());
    EXPECT_TRUE(core->auth.retryPending());

    // The 20-second cycle keeps trying while the server is away...
    failed.clear();
    core->auth.authenticate();
    ASSERT_TRUE(failed.wait(5000));
    EXPECT_TRUE(core->auth.retryPending());

    // ...and brings the device back once it returns on the same database.
    ASSERT_TRUE(server.startOnSamePorts()) << server.output().toStdString();
    QSignalSpy online(&core->signaling, &SignalingClient::connected);
    core->auth.authenticate();
    ASSERT_TRUE(online.wait(5000));
    EXPECT_TRUE(core->auth.isAuthenticated());
}

TEST_F(AuthControllerTest, ATokenRefusedAfterAServerRestartLeadsToANewLogin) {
    auto core = newCore();
    ASSERT_TRUE(bringOnline(*core));
    const QString clientId = settings.clientId();
    QSignalSpy disconnected(&core->signaling, &SignalingClient::disconnected);
    server.stop();
    ASSERT_TRUE(disconnected.wait(5000));
    ASSERT_TRUE(server.startOnSamePorts());

    QSignalSpy failed(&core->auth, &AuthController::authenticationFailed);
    core->signaling.attemptReconnect(); // reaches the server, which no longer knows the token
    ASSERT_TRUE(failed.wait(5000)) << server.output().toStdString();
    EXPECT_TRUE(core->auth.retryPending());

    QSignalSpy online(&core->signaling, &SignalingClient::connected);
    core->auth.authenticate();
    ASSERT_TRUE(online.wait(5000));
    EXPECT_EQ(settings.clientId(), clientId); // logged in, not registered again
}

TEST_F(AuthControllerTest, LogoutStopsEverythingAndSaysSo) {
    auto core = newCore();
    ASSERT_TRUE(bringOnline(*core));
    QSignalSpy loggedOut(&core->auth, &AuthController::loggedOut);
    QSignalSpy failed(&core->auth, &AuthController::authenticationFailed);
    core->auth.logout();
    EXPECT_EQ(loggedOut.count(), 1);
    EXPECT_FALSE(core->auth.isAuthenticated());
    QTest::qWait(200);
    EXPECT_FALSE(core->signaling.reconnectPending());
    EXPECT_FALSE(core->auth.retryPending());
    EXPECT_EQ(failed.count(), 0);
}

TEST_F(AuthControllerTest, AWeakStoredPasswordIsReplacedByAGeneratedOneButKept) {
    settings.setSessionPassword("lowercase1");
    auto core = newCore();
    const QString password = core->auth.sessionPassword();
    EXPECT_EQ(password.size(), 6);
    EXPECT_TRUE(QRegularExpression("^[a-z0-9]{6}$").match(password).hasMatch());
    EXPECT_EQ(settings.sessionPassword(), "lowercase1");
}

// Read off one screen and typed on another: no characters that look alike, and every other
// lower-case letter and digit in use (a narrower alphabet would be easier to guess).
TEST(GeneratedSessionPassword, LeavesOutLookAlikesAndUsesEveryOtherCharacter) {
    QSet<QChar> seen;
    for (int i = 0; i < 2000; ++i) {
        const QString password = AuthController::drawSessionPassword();
        ASSERT_TRUE(QRegularExpression("^[a-z0-9]{6}$").match(password).hasMatch())
            << password.toStdString();
        for (const QChar c : password) {
            seen.insert(c);
        }
    }
    for (const QChar lookAlike : QStringLiteral("il1o0")) {
        EXPECT_FALSE(seen.contains(lookAlike)) << QString(lookAlike).toStdString();
    }
    EXPECT_EQ(seen.size(), 26 + 10 - 5);
}

TEST_F(AuthControllerTest, RegistrationWithoutAFingerprintLeavesTheFieldOut) {
    test::LogCapture log;
    auto core = newCore();
    core->auth.setFingerprintSource([] { return QString(); });
    ASSERT_TRUE(bringOnline(*core));
    EXPECT_TRUE(
        log.has(warn, "Could not generate machine fingerprint; ID will not survive reinstalls"));
    // Two registrations without a fingerprint are two devices.
    settings.setClientId(QString());
    auto again = newCore();
    again->auth.setFingerprintSource([] { return QString(); });
    const QString first = settings.clientId();
    ASSERT_TRUE(bringOnline(*again));
    EXPECT_NE(settings.clientId(), first);
}

TEST(PasswordPolicy, RulesInOrderFirstFailureWins) {
    EXPECT_EQ(AuthController::validatePassword("Ab1"), "Password must be at least 8 characters.");
    EXPECT_EQ(AuthController::validatePassword("abcdefg"),
              "Password must be at least 8 characters.");
    EXPECT_EQ(AuthController::validatePassword("ABCDEFG1"),
              "Password must contain at least one lowercase letter.");
    EXPECT_EQ(AuthController::validatePassword("abcdefg1"),
              "Password must contain at least one uppercase letter.");
    EXPECT_EQ(AuthController::validatePassword("Abcdefgh"),
              "Password must contain at least one digit.");
    EXPECT_EQ(AuthController::validatePassword("Abcdefg1"), "");
    // The server keeps passwords of up to 256 characters.
    EXPECT_EQ(AuthController::validatePassword("Abcdefg1" + QString(248, 'x')), "");
    EXPECT_EQ(AuthController::validatePassword("Abcdefg1" + QString(249, 'x')),
              "Password must be at most 256 characters.");
    EXPECT_EQ(AuthController::validatePassword(QString::fromUtf8("Äbcdéfg٣")),
              ""); // Unicode classes
    EXPECT_EQ(AuthController::validatePassword(QString::fromUtf8("😀😀😀😀😀😀😀")),
              "Password must be at least 8 characters."); // characters, not UTF-16 units
}

TEST(PairingCode, AlwaysSixDigitsNeverALeadingZeroAndSpread) {
    std::set<int> firstDigits;
    for (int i = 0; i < 20000; ++i) {
        const QString code = AuthController::drawPairingCode();
        ASSERT_EQ(code.size(), 6) << code.toStdString();
        const int value = code.toInt();
        ASSERT_GE(value, 100000);
        ASSERT_LE(value, 999999);
        firstDigits.insert(value / 100000);
    }
    EXPECT_EQ(firstDigits.size(), 9u);
}

// The codes must come from the system's cryptographic source, not a generator whose state two
// observed codes give away: with OpenSSL's source replaced by a known byte stream, the codes are
// exactly those bytes mapped to the range.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
TEST(PairingCode, ComesFromTheSystemsRandomSource) {
    static std::vector<quint32> draws;
    static const RAND_METHOD scripted = {
        nullptr,
        [](unsigned char* buffer, int size) {
            for (int i = 0; i + 4 <= size && !draws.empty(); i += 4) {
                std::memcpy(buffer + i, &draws.front(), 4);
                draws.erase(draws.begin());
            }
            return 1;
        },
        nullptr,
        nullptr,
        nullptr,
        [] { return 1; },
    };
    const RAND_METHOD* previous = RAND_get_rand_method();
    ASSERT_EQ(RAND_set_rand_method(&scripted), 1);
    draws = {0x12345678, 0x9abcdef1};
    const QString first = AuthController::drawPairingCode();
    const QString second = AuthController::drawPairingCode();
    RAND_set_rand_method(previous);
    // 100000 + (draw * 900000 >> 32).
    EXPECT_EQ(first, "163999");
    EXPECT_EQ(second, "643999");
}
#pragma GCC diagnostic pop

TEST(MachineFingerprintTest, IsSha256OfTheGuidAndTheProductName) {
    // sha256sum of the bytes "0123456789abcdefNimbral"
    EXPECT_EQ(MachineFingerprint::fromInstallationGuid("0123456789abcdef"),
              "eb81a9d7d7b89089909bf16d6eb62519317548dadeeb15c9fd9bdfadf82a2950");
    EXPECT_EQ(MachineFingerprint::fromInstallationGuid("").size(), 0);
    const QString generated = MachineFingerprint::generate();
    if (!generated.isEmpty()) {
        EXPECT_TRUE(QRegularExpression("^[0-9a-f]{64}$").match(generated).hasMatch());
    }
}

} // namespace
} // namespace nimbral
