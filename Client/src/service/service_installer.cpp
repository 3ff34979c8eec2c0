#include "service/service_installer.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSaveFile>

#include "platform/file_access.h"

namespace nimbral {

namespace {

// systemd splits ExecStart at blanks and reads backslashes and '%': quote the path and double
// what must be doubled.
QString execStartPath(const QString& path) {
    QString quoted = path;
    quoted.replace(QLatin1Char('\\'), QLatin1String("\\\\"))
        .replace(QLatin1Char('"'), QLatin1String("\\\""))
        .replace(QLatin1Char('%'), QLatin1String("%%"));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

} // namespace

ServiceInstaller::ServiceInstaller(QString unitDirectory, Systemctl systemctl, std::FILE* out,
                                   std::FILE* err)
    : m_unitDirectory(std::move(unitDirectory))
    , m_systemctl(std::move(systemctl))
    , m_out(out)
    , m_err(err) {
}

ServiceInstaller::Systemctl ServiceInstaller::realSystemctl() {
    return [](const QStringList& arguments) -> std::optional<int> {
        QProcess process;
        process.setProcessChannelMode(QProcess::ForwardedChannels);
        process.start(QStringLiteral("systemctl"), arguments);
        if (!process.waitForStarted(5000) || !process.waitForFinished(60000) ||
            process.exitStatus() != QProcess::NormalExit) {
            return std::nullopt;
        }
        return process.exitCode();
    };
}

QString ServiceInstaller::unitText(const QString& executablePath) {
    return QStringLiteral("[Unit]\n"
                          "Description=Nimbral Remote Access Service\n"
                          "Documentation=man:NimbralService(1)\n"
                          "After=network-online.target\n"
                          "Wants=network-online.target\n"
                          "\n"
                          "[Service]\n"
                          "Type=notify\n"
                          "ExecStart=%1\n"
                          "RuntimeDirectory=nimbral\n"
                          "RuntimeDirectoryMode=0755\n"
                          "Restart=on-failure\n"
                          "RestartSec=5\n"
                          "\n"
                          "[Install]\n"
                          "WantedBy=multi-user.target\n")
        .arg(execStartPath(executablePath));
}

QString ServiceInstaller::unitPath() const {
    return m_unitDirectory + QLatin1Char('/') + QLatin1String(kUnitName);
}

bool ServiceInstaller::runSystemctl(const QStringList& arguments) {
    const std::optional<int> code = m_systemctl(arguments);
    if (code == 0) {
        return true;
    }
    std::fprintf(m_err, "systemctl %s failed (exit code %d)\n",
                 arguments.join(QLatin1Char(' ')).toUtf8().constData(), code ? *code : -1);
    return false;
}

int ServiceInstaller::install(const QString& executablePath) {
    if (executablePath.isEmpty() || !QFileInfo(executablePath).isAbsolute()) {
        std::fprintf(m_err, "Cannot tell this program's own path\n");
        return 1;
    }
    // systemd runs the unit as root: a program that another account could replace would give
    // that account root.
    if (const QString unsafe = platform::unsafeForRoot(executablePath, m_trustedOwner);
        !unsafe.isEmpty()) {
        std::fprintf(m_err,
                     "Refusing to install the service: %s. The service runs this program as "
                     "root, so the program and every folder above it must be writable by root "
                     "alone (the Debian package puts it in /usr/bin).\n",
                     unsafe.toUtf8().constData());
        return 1;
    }
    const QString program = QFileInfo(executablePath).canonicalFilePath();
    if (QFileInfo::exists(unitPath())) {
        std::fprintf(m_err, "Service already exists.\n");
        return 0;
    }
    QSaveFile unit(unitPath());
    const QByteArray text = unitText(program).toUtf8();
    if (!unit.open(QIODevice::WriteOnly) || unit.write(text) != text.size() || !unit.commit()) {
        std::fprintf(m_err, "Cannot write %s (%s). Run as root.\n", unitPath().toUtf8().constData(),
                     unit.errorString().toUtf8().constData());
        return 1;
    }
    QFile::setPermissions(unitPath(), QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup |
                                          QFile::ReadOther);
    if (!runSystemctl({QStringLiteral("daemon-reload")}) ||
        !runSystemctl(
            {QStringLiteral("enable"), QStringLiteral("--now"), QLatin1String(kUnitName)})) {
        return 1;
    }
    std::fprintf(m_out, "Service '%s' installed successfully.\n", kServiceName);
    return 0;
}

int ServiceInstaller::uninstall() {
    if (!QFileInfo::exists(unitPath())) {
        std::fprintf(m_err, "Service does not exist.\n");
        return 0;
    }
    if (!runSystemctl(
            {QStringLiteral("disable"), QStringLiteral("--now"), QLatin1String(kUnitName)})) {
        return 1;
    }
    if (!QFile::remove(unitPath())) {
        std::fprintf(m_err, "Cannot remove %s. Run as root.\n", unitPath().toUtf8().constData());
        return 1;
    }
    if (!runSystemctl({QStringLiteral("daemon-reload")})) {
        return 1;
    }
    std::fprintf(m_out, "Service '%s' uninstalled successfully.\n", kServiceName);
    return 0;
}

} // namespace nimbral
