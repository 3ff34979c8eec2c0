#include "ui/client_startup.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace nimbral {
namespace {

ClientOptions parse(QStringList arguments) {
    arguments.prepend("NimbralClient");
    return parseClientOptions(arguments);
}

TEST(ClientOptions, LogLevelFollowsTheFirstOptionAndDefaultsToError) {
    EXPECT_EQ(parse({}).logLevel, spdlog::level::err);
    EXPECT_EQ(parse({"--log-level", "debug"}).logLevel, spdlog::level::debug);
    EXPECT_EQ(parse({"--log-level", "info"}).logLevel, spdlog::level::info);
    EXPECT_EQ(parse({"--log-level", "WARNING"}).logLevel, spdlog::level::warn);
    EXPECT_EQ(parse({"--log-level", "Error"}).logLevel, spdlog::level::err);
    EXPECT_EQ(parse({"--log-level", "warn"}).logLevel, spdlog::level::err);
    EXPECT_EQ(parse({"--log-level", "trace"}).logLevel, spdlog::level::err);
    EXPECT_EQ(parse({"--log-level"}).logLevel, spdlog::level::err);
    EXPECT_EQ(parse({"--LOG-LEVEL", "debug"}).logLevel, spdlog::level::err);
    EXPECT_EQ(parse({"--log-level", "info", "--log-level", "debug"}).logLevel, spdlog::level::info);
    EXPECT_EQ(parse({"-v", "--log-level", "debug", "--install"}).logLevel, spdlog::level::debug);
}

TEST(ClientOptions, InstallWinsOverUninstall) {
    EXPECT_TRUE(parse({"--install"}).install);
    EXPECT_FALSE(parse({"--install"}).uninstall);
    const ClientOptions both = parse({"--uninstall", "--install"});
    EXPECT_TRUE(both.install);
    EXPECT_FALSE(both.uninstall);
    EXPECT_TRUE(parse({"--uninstall"}).uninstall);
    EXPECT_FALSE(parse({"--Install"}).install);
}

TEST(ClientOptions, ServerTakesAnHttpOrHttpsUrlWithAHost) {
    EXPECT_FALSE(parse({}).serverUrl.has_value());

    const ClientOptions local = parse({"--server", "http://127.0.0.1:8080"});
    ASSERT_TRUE(local.serverUrl.has_value());
    EXPECT_TRUE(local.error.isEmpty());
    EXPECT_EQ(local.serverUrl->host(), "127.0.0.1");
    EXPECT_EQ(local.serverUrl->port(), 8080);

    const ClientOptions secure = parse({"--server", "https://nimbral.example.com"});
    ASSERT_TRUE(secure.serverUrl.has_value());
    EXPECT_EQ(secure.serverUrl->scheme(), "https");

    for (const QStringList& bad :
         {QStringList{"--server"}, QStringList{"--server", ""},
          QStringList{"--server", "127.0.0.1:8080"}, QStringList{"--server", "ftp://host"},
          QStringList{"--server", "http://"}, QStringList{"--server", "http://exa mple.com"}}) {
        const ClientOptions options = parse(bad);
        EXPECT_FALSE(options.serverUrl.has_value()) << bad.join(' ').toStdString();
        EXPECT_TRUE(options.error.startsWith("--server needs")) << bad.join(' ').toStdString();
    }
}

TEST(ClientOptions, ProbeAddressesAreDeploymentSettings) {
    const ClientOptions none = parse({});
    EXPECT_FALSE(none.stunServer.has_value());
    EXPECT_FALSE(none.ipEchoUrl.has_value());

    const ClientOptions withPort = parse({"--stun-server", "127.0.0.1:3478"});
    ASSERT_TRUE(withPort.stunServer.has_value());
    EXPECT_EQ(withPort.stunServer->first, "127.0.0.1");
    EXPECT_EQ(withPort.stunServer->second, 3478);
    const ClientOptions defaultPort = parse({"--stun-server", "stun.example.org"});
    ASSERT_TRUE(defaultPort.stunServer.has_value());
    EXPECT_EQ(defaultPort.stunServer->second, 19302);

    const ClientOptions echo = parse({"--ip-echo-url", "https://ip.example.org/plain"});
    ASSERT_TRUE(echo.ipEchoUrl.has_value());
    EXPECT_EQ(echo.ipEchoUrl->path(), "/plain");

    for (const QStringList& bad :
         {QStringList{"--stun-server"}, QStringList{"--stun-server", "host:port"},
          QStringList{"--stun-server", "host/path"}, QStringList{"--ip-echo-url", "ftp://x"},
          QStringList{"--ip-echo-url"}}) {
        EXPECT_FALSE(parse(bad).error.isEmpty()) << bad.join(' ').toStdString();
    }
}

} // namespace
} // namespace nimbral

namespace nimbral {
namespace {

// A restart for a new language keeps the deployment and the profile, not the session that
// start was asked for nor the secrets handed to it.
TEST(ClientOptions, ARestartKeepsWhereAndWhoButNotTheSessionOrItsSecrets) {
    EXPECT_EQ(
        argumentsForRestart({"NimbralClient", "--profile", "/p", "--connect", "123456789",
                             "--password-file", "-", "--server=https://s.example", "--password=x",
                             "--session-password", "Pw-1", "--log-level", "debug",
                             "--session-password-file=/f"}),
        (QStringList{"--profile", "/p", "--server=https://s.example", "--log-level", "debug"}));
    EXPECT_EQ(argumentsForRestart({"NimbralClient"}), QStringList{});
}

TEST(ClientOptions, AProfileAPasswordAndAPartnerToConnectTo) {
    const ClientOptions options =
        parseClientOptions({"NimbralClient", "--profile", "/tmp/demo-target", "--session-password",
                            "Demo-Pass1", "--connect", "123 456 789", "--password", "pw"});
    EXPECT_TRUE(options.error.isEmpty()) << options.error.toStdString();
    EXPECT_EQ(options.profileDirectory, QString("/tmp/demo-target"));
    EXPECT_EQ(options.sessionPassword, QString("Demo-Pass1"));
    EXPECT_EQ(options.connectTo, QString("123 456 789"));
    EXPECT_EQ(options.connectPassword, "pw");

    EXPECT_FALSE(parseClientOptions({"NimbralClient", "--connect", "123456789"}).error.isEmpty())
        << "a partner without a password";
    EXPECT_FALSE(parseClientOptions({"NimbralClient", "--profile"}).error.isEmpty());
    EXPECT_FALSE(parseClientOptions({"NimbralClient", "--session-password", "  "}).error.isEmpty());
}

TEST(ClientOptions, PasswordsFromFilesStayOutOfTheProcessListAndPlainOnesWarn) {
    QStringList asked;
    const SecretReader reader = [&asked](const QString& source,
                                         QString& error) -> std::optional<QString> {
        asked << source;
        if (source == "missing") {
            error = "cannot read missing: No such file or directory";
            return std::nullopt;
        }
        return "secret-from-" + source;
    };
    ClientOptions options =
        parseClientOptions({"NimbralClient", "--session-password-file", "target.pw", "--connect",
                            "123456789", "--password-file", "-"},
                           reader);
    EXPECT_TRUE(options.error.isEmpty()) << options.error.toStdString();
    EXPECT_EQ(options.sessionPassword, QString("secret-from-target.pw"));
    EXPECT_EQ(options.connectPassword, "secret-from--");
    EXPECT_EQ(asked, (QStringList{"target.pw", "-"}));
    EXPECT_TRUE(options.warnings.isEmpty());

    options = parseClientOptions({"NimbralClient", "--session-password", "Demo-Pass1"}, reader);
    ASSERT_EQ(options.warnings.size(), 1);
    EXPECT_EQ(options.warnings[0],
              "--session-password shows the password to every user of this machine (in the "
              "process list); --session-password-file FILE, or - for standard input, keeps it "
              "private");

    options = parseClientOptions(
        {"NimbralClient", "--connect", "123456789", "--password-file", "missing"}, reader);
    EXPECT_EQ(options.error, "--password-file: cannot read missing: No such file or directory");
    EXPECT_FALSE(options.connectTo);

    asked.clear();
    options = parseClientOptions({"NimbralClient", "--session-password-file", "-", "--connect",
                                  "123456789", "--password-file", "-"},
                                 reader);
    EXPECT_EQ(options.error, "only one password can come from standard input");
    EXPECT_TRUE(asked.isEmpty());
    EXPECT_EQ(
        parseClientOptions(
            {"NimbralClient", "--session-password", "a", "--session-password-file", "f"}, reader)
            .error,
        "use either --session-password or --session-password-file, not both");
}

TEST(ClientOptions, ASecretIsTheFirstLineOfItsFile) {
    QTemporaryDir folder;
    const QString path = folder.filePath("pw");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("Demo-Pass1\r\nsecond line\n");
    file.close();
    QString error;
    EXPECT_EQ(readSecret(path, error), QString("Demo-Pass1"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write("\n");
    file.close();
    EXPECT_FALSE(readSecret(path, error));
    EXPECT_EQ(error, path + " holds no password on its first line");
    EXPECT_FALSE(readSecret(folder.filePath("absent"), error));
    EXPECT_TRUE(error.startsWith("cannot read " + folder.filePath("absent")))
        << error.toStdString();
}

} // namespace
} // namespace nimbral
