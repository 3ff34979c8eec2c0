#pragma once

#include <unistd.h>

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QString>

namespace nimbral::bench {

// Another process's memory and CPU time so far, from /proc; zeros once it is gone.
struct ProcessSample {
    qint64 rssKiB = 0;
    qint64 peakKiB = 0;
    double cpuSeconds = 0;
};

inline ProcessSample sample(qint64 pid) {
    ProcessSample result;
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (status.open(QIODevice::ReadOnly)) {
        for (const QByteArray& line : status.readAll().split('\n')) {
            if (line.startsWith("VmRSS:")) {
                result.rssKiB = line.mid(6).trimmed().split(' ').first().toLongLong();
            } else if (line.startsWith("VmHWM:")) {
                result.peakKiB = line.mid(6).trimmed().split(' ').first().toLongLong();
            }
        }
    }
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (stat.open(QIODevice::ReadOnly)) {
        const QByteArray text = stat.readAll();
        const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
        // utime and stime are fields 14 and 15 of the whole line, 12 and 13 after the name.
        const double ticks = fields.value(11).toDouble() + fields.value(12).toDouble();
        result.cpuSeconds = ticks / static_cast<double>(sysconf(_SC_CLK_TCK));
    }
    return result;
}

} // namespace nimbral::bench
