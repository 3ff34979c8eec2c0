#include "platform/single_instance.h"

#include <QByteArray>
#include <QDir>
#include <QStandardPaths>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>

namespace nimbral::platform {

namespace {

// flock() rather than a PID file: the kernel releases it when the holder dies, so a crashed
// client never locks the next start out.
class FlockSingleInstanceLock final : public SingleInstanceLock {
public:
    explicit FlockSingleInstanceLock(const QString& path) {
        const QByteArray nativePath = QFile::encodeName(path);
        m_fd = ::open(nativePath.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (m_fd < 0) {
            return;
        }
        if (::flock(m_fd, LOCK_EX | LOCK_NB) != 0) {
            m_heldElsewhere = (errno == EWOULDBLOCK);
        }
    }
    ~FlockSingleInstanceLock() override {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
    }
    FlockSingleInstanceLock(const FlockSingleInstanceLock&) = delete;
    FlockSingleInstanceLock& operator=(const FlockSingleInstanceLock&) = delete;

    bool anotherInstanceRunning() const override { return m_heldElsewhere; }

private:
    int m_fd = -1;
    bool m_heldElsewhere = false;
};

} // namespace

std::unique_ptr<SingleInstanceLock> acquireSingleInstanceLock(const char* name) {
    QString directory = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (directory.isEmpty()) {
        directory = QDir::tempPath();
    }
    const QString path =
        directory + QLatin1Char('/') + QLatin1String(name) + QLatin1String(".lock");
    return std::make_unique<FlockSingleInstanceLock>(path);
}

} // namespace nimbral::platform
