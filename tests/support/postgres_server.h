#pragma once

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTcpServer>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string>

// A PostgreSQL server of the test's own: a fresh cluster in a folder under /tmp, on a free
// loopback port, trusting local connections of its one user "nimbral", without fsync. As root it
// runs as "nobody" (PostgreSQL refuses root). Stopped, and its folder removed, with the object.
class PostgresServer {
public:
    static constexpr const char* kPrograms = "/usr/lib/postgresql/15/bin";
    static constexpr uid_t kUnprivileged = 65534; // nobody / nogroup

    PostgresServer() = default;
    PostgresServer(const PostgresServer&) = delete;
    PostgresServer& operator=(const PostgresServer&) = delete;

    ~PostgresServer() {
        if (m_running) {
            run("pg_ctl", {"-D", dataFolder(), "-m", "immediate", "-w", "stop"});
        }
        if (!m_folder.empty() && std::getenv("NIMBRAL_KEEP_DESKTOP") == nullptr) {
            std::error_code ignored;
            std::filesystem::remove_all(m_folder, ignored);
        }
    }

    // False, with the reason on stderr, when PostgreSQL is missing or does not come up.
    bool start() {
        if (!QFile::exists(QString::fromLatin1(kPrograms) + "/initdb")) {
            std::cerr << "PostgreSQL 15 is not installed (postgresql-15)\n";
            return false;
        }
        std::string pattern = "/tmp/nimbral-postgres-XXXXXX";
        if (mkdtemp(pattern.data()) == nullptr) {
            return false;
        }
        m_folder = pattern;
        if (geteuid() == 0 && chown(m_folder.c_str(), kUnprivileged, kUnprivileged) != 0) {
            return failed("cannot hand the folder to nobody");
        }
        QTcpServer probe; // a free port, given back at once
        if (!probe.listen(QHostAddress::LocalHost, 0)) {
            return failed("no free port");
        }
        m_port = probe.serverPort();
        probe.close();
        const QString settings = QStringLiteral("-c listen_addresses=127.0.0.1 -p %1 -k %2 "
                                                "-c fsync=off -c max_connections=200")
                                     .arg(m_port)
                                     .arg(folder());
        if (!run("initdb", {"-D", dataFolder(), "-U", "nimbral", "--auth=trust", "-E", "UTF8",
                            "--no-sync"}) ||
            !run("pg_ctl", {"-D", dataFolder(), "-l", folder() + "/postgres.log", "-o", settings,
                            "-w", "-t", "60", "start"})) {
            return failed("the server did not start");
        }
        m_running = true;
        return createDatabase("nimbral");
    }

    // A new, empty database on this server.
    bool createDatabase(const QString& name) {
        return run("createdb",
                   {"-h", "127.0.0.1", "-p", QString::number(m_port), "-U", "nimbral", name});
    }

    // The URL NimbralServer's --db takes.
    QString url(const QString& database = QStringLiteral("nimbral")) const {
        return QStringLiteral("postgresql://nimbral@127.0.0.1:%1/%2").arg(m_port).arg(database);
    }
    quint16 port() const { return m_port; }
    QString folder() const { return QString::fromStdString(m_folder); }

private:
    QString dataFolder() const { return folder() + "/data"; }

    // One of PostgreSQL's programs, as nobody when this is root; its output goes to stderr when
    // it fails.
    bool run(const QString& program, QStringList arguments) const {
        QString executable = QString::fromLatin1(kPrograms) + "/" + program;
        if (geteuid() == 0) {
            arguments.prepend(executable);
            arguments = QStringList{"--reuid=65534", "--regid=65534", "--clear-groups"} + arguments;
            executable = QStringLiteral("setpriv");
        }
        QProcess process;
        process.setProcessChannelMode(QProcess::MergedChannels);
        process.setWorkingDirectory(QStringLiteral("/tmp"));
        process.start(executable, arguments);
        const bool ok = process.waitForFinished(90000) &&
                        process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
        if (!ok) {
            std::cerr << program.toStdString() << ": " << process.readAll().toStdString() << "\n";
        }
        return ok;
    }

    bool failed(const std::string& why) const {
        std::cerr << "PostgreSQL for the test: " << why << "\n";
        return false;
    }

    std::string m_folder;
    quint16 m_port = 0;
    bool m_running = false;
};
