#include "platform/autostart.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

namespace nimbral::platform {

namespace {

// An Exec value is parsed twice: once as a desktop-entry string (backslash escapes) and once as
// a shell-like argument (inside double quotes, " ` $ and \ need a backslash). '%' starts a field
// code, so it is doubled.
QString quotedExecArgument(const QString& path) {
    QString quoted;
    quoted.reserve(path.size() + 8);
    for (const QChar c : path) {
        if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$')) {
            quoted += QLatin1String("\\\\");
            quoted += c;
        } else if (c == QLatin1Char('\\')) {
            quoted += QLatin1String("\\\\\\\\");
        } else if (c == QLatin1Char('%')) {
            quoted += QLatin1String("%%");
        } else {
            quoted += c;
        }
    }
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

} // namespace

QString autostartEntryPath() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QLatin1String("/autostart/NimbralClient.desktop");
}

bool installAutostart(const QString& executablePath) {
    // A desktop entry is line based: a path with a line break cannot be written into one.
    if (executablePath.isEmpty() || executablePath.contains(QLatin1Char('\n')) ||
        executablePath.contains(QLatin1Char('\r'))) {
        return false;
    }
    const QString path = autostartEntryPath();
    if (!QDir().mkpath(QFileInfo(path).absolutePath())) {
        return false;
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text)) {
        return false;
    }
    const QString entry = QLatin1String("[Desktop Entry]\n"
                                        "Type=Application\n"
                                        "Name=Nimbral\n"
                                        "Comment=Nimbral remote access\n"
                                        "Exec=") +
                          quotedExecArgument(executablePath) +
                          QLatin1String("\n"
                                        "Terminal=false\n"
                                        "X-GNOME-Autostart-enabled=true\n");
    file.write(entry.toUtf8());
    return file.commit();
}

bool uninstallAutostart() {
    return QFile::remove(autostartEntryPath());
}

bool isAutostartInstalled() {
    return QFileInfo::exists(autostartEntryPath());
}

} // namespace nimbral::platform
