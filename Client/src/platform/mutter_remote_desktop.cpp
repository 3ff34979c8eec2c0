#include "platform/mutter_remote_desktop.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusVariant>

#include <spdlog/spdlog.h>

#include <mutex>

#include "platform/main_thread_object.h"

namespace nimbral::platform {

namespace {

const QString kRemoteDesktopService = QStringLiteral("org.gnome.Mutter.RemoteDesktop");
const QString kRemoteDesktopPath = QStringLiteral("/org/gnome/Mutter/RemoteDesktop");
const QString kSessionInterface = QStringLiteral("org.gnome.Mutter.RemoteDesktop.Session");
const QString kScreenCastService = QStringLiteral("org.gnome.Mutter.ScreenCast");
const QString kScreenCastPath = QStringLiteral("/org/gnome/Mutter/ScreenCast");
const QString kScreenCastSession = QStringLiteral("org.gnome.Mutter.ScreenCast.Session");
const QString kStreamInterface = QStringLiteral("org.gnome.Mutter.ScreenCast.Stream");
const QString kDisplayConfigService = QStringLiteral("org.gnome.Mutter.DisplayConfig");
const QString kDisplayConfigPath = QStringLiteral("/org/gnome/Mutter/DisplayConfig");
constexpr int kCallTimeoutMs = 5000;
constexpr uint kCursorEmbedded = 1;
// More than any desk has; bounds what a misbehaving compositor can make us hold.
constexpr int kMaxMonitors = 16;
constexpr int kMaxModes = 256;

std::mutex g_currentMutex;
std::weak_ptr<MutterRemoteDesktop> g_current;

// A blocking call; the reply, or an error message whose text says what went wrong.
QDBusMessage call(const QString& service, const QString& path, const QString& interface,
                  const QString& method, const QVariantList& arguments = {}) {
    QDBusMessage message = QDBusMessage::createMethodCall(service, path, interface, method);
    message.setArguments(arguments);
    return QDBusConnection::sessionBus().call(message, QDBus::Block, kCallTimeoutMs);
}

bool failed(const QDBusMessage& reply, const char* what, QString* error) {
    if (reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty()) {
        return false;
    }
    if (error != nullptr) {
        *error = QStringLiteral("%1: %2").arg(QLatin1String(what), reply.errorMessage());
    }
    return true;
}

bool nameHasOwner(const QString& name) {
    const QDBusMessage reply =
        call(QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
             QStringLiteral("org.freedesktop.DBus"), QStringLiteral("NameHasOwner"), {name});
    return reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty() &&
           reply.arguments().constFirst().toBool();
}

// The connector of a monitor's (connector, vendor, product, serial).
std::string readConnector(const QDBusArgument& argument) {
    QString connector, vendor, product, serial;
    argument.beginStructure();
    argument >> connector >> vendor >> product >> serial;
    argument.endStructure();
    return connector.toStdString();
}

// The current mode's size of one entry of GetCurrentState's monitor list:
// ((connector, vendor, product, serial), [(id, width, height, refresh, scale, scales, props)],
// props).
MutterMonitor readMonitor(const QDBusArgument& argument) {
    MutterMonitor monitor;
    argument.beginStructure();
    monitor.connector = readConnector(argument);
    argument.beginArray();
    for (int mode = 0; !argument.atEnd(); ++mode) {
        QString id;
        int width = 0, height = 0;
        double refresh = 0, scale = 0;
        QList<double> scales;
        QVariantMap properties;
        argument.beginStructure();
        argument >> id >> width >> height >> refresh >> scale >> scales >> properties;
        argument.endStructure();
        if (mode < kMaxModes && properties.value(QStringLiteral("is-current")).toBool()) {
            monitor.width = width;
            monitor.height = height;
        }
    }
    argument.endArray();
    QVariantMap properties;
    argument >> properties;
    argument.endStructure();
    monitor.displayName = properties.value(QStringLiteral("display-name")).toString().toStdString();
    return monitor;
}

// Positions and the primary mark from the logical monitors: (x, y, scale, transform, primary,
// [(connector, vendor, product, serial)], props).
void placeMonitors(const QDBusArgument& argument, std::vector<MutterMonitor>& monitors) {
    argument.beginArray();
    while (!argument.atEnd()) {
        int x = 0, y = 0;
        double scale = 0;
        uint transform = 0;
        bool primary = false;
        argument.beginStructure();
        argument >> x >> y >> scale >> transform >> primary;
        argument.beginArray();
        while (!argument.atEnd()) {
            const std::string connector = readConnector(argument);
            for (MutterMonitor& monitor : monitors) {
                if (monitor.connector == connector) {
                    monitor.x = x;
                    monitor.y = y;
                    monitor.primary = primary;
                }
            }
        }
        argument.endArray();
        QVariantMap properties;
        argument >> properties;
        argument.endStructure();
    }
    argument.endArray();
}

// The stream's (width, height) from its "Parameters", when GNOME gives them.
bool readStreamSize(const QString& streamPath, int& width, int& height) {
    const QDBusMessage reply =
        call(kScreenCastService, streamPath, QStringLiteral("org.freedesktop.DBus.Properties"),
             QStringLiteral("Get"), {kStreamInterface, "Parameters"});
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
        return false;
    }
    const QVariant inner = reply.arguments().constFirst().value<QDBusVariant>().variant();
    const QVariantMap parameters = qdbus_cast<QVariantMap>(inner);
    const QVariant size = parameters.value(QStringLiteral("size"));
    if (!size.canConvert<QDBusArgument>()) {
        return false;
    }
    const QDBusArgument argument = size.value<QDBusArgument>();
    int streamWidth = 0;
    int streamHeight = 0;
    argument.beginStructure();
    argument >> streamWidth >> streamHeight;
    argument.endStructure();
    if (streamWidth <= 0 || streamHeight <= 0) {
        return false;
    }
    width = streamWidth;
    height = streamHeight;
    return true;
}

} // namespace

MutterRemoteDesktop::~MutterRemoteDesktop() {
    if (!m_sessionPath.isEmpty() && !m_closed.load()) {
        QDBusConnection::sessionBus().send(QDBusMessage::createMethodCall(
            kRemoteDesktopService, m_sessionPath, kSessionInterface, QStringLiteral("Stop")));
    }
}

QString MutterRemoteDesktop::unavailableReason() {
    if (!QDBusConnection::sessionBus().isConnected()) {
        return QStringLiteral("no session bus (%1)")
            .arg(QDBusConnection::sessionBus().lastError().message());
    }
    if (!nameHasOwner(kRemoteDesktopService) || !nameHasOwner(kScreenCastService)) {
        return QStringLiteral("GNOME's remote-desktop and screen-cast interfaces do not answer "
                              "on the session bus");
    }
    return {};
}

std::vector<MutterMonitor> MutterRemoteDesktop::monitors() {
    const QDBusMessage reply = call(kDisplayConfigService, kDisplayConfigPath,
                                    kDisplayConfigService, QStringLiteral("GetCurrentState"));
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().size() < 3) {
        spdlog::warn("GNOME display configuration unreadable: {}",
                     reply.errorMessage().toStdString());
        return {};
    }
    std::vector<MutterMonitor> monitors;
    const QDBusArgument list = reply.arguments().at(1).value<QDBusArgument>();
    list.beginArray();
    while (!list.atEnd()) {
        MutterMonitor monitor = readMonitor(list);
        if (monitors.size() < kMaxMonitors && monitor.width > 0 && monitor.height > 0) {
            monitors.push_back(std::move(monitor));
        }
    }
    list.endArray();
    placeMonitors(reply.arguments().at(2).value<QDBusArgument>(), monitors);
    return monitors;
}

std::shared_ptr<MutterRemoteDesktop> MutterRemoteDesktop::start(const MutterMonitor& monitor,
                                                                QString* error) {
    const std::shared_ptr<MutterRemoteDesktop> session = onTheMainThread(new MutterRemoteDesktop);
    if (!session->open(monitor, error)) {
        return nullptr;
    }
    std::lock_guard lock(g_currentMutex);
    g_current = session;
    return session;
}

std::shared_ptr<MutterRemoteDesktop> MutterRemoteDesktop::current() {
    std::lock_guard lock(g_currentMutex);
    std::shared_ptr<MutterRemoteDesktop> session = g_current.lock();
    return session && session->isOpen() ? session : nullptr;
}

bool MutterRemoteDesktop::open(const MutterMonitor& monitor, QString* error) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    QDBusMessage reply = call(kRemoteDesktopService, kRemoteDesktopPath, kRemoteDesktopService,
                              QStringLiteral("CreateSession"));
    if (failed(reply, "CreateSession", error)) {
        return false;
    }
    m_sessionPath = reply.arguments().constFirst().value<QDBusObjectPath>().path();
    bus.connect(kRemoteDesktopService, m_sessionPath, kSessionInterface, QStringLiteral("Closed"),
                this, SLOT(onClosed()));
    reply = call(kRemoteDesktopService, m_sessionPath,
                 QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"),
                 {kSessionInterface, QStringLiteral("SessionId")});
    if (failed(reply, "SessionId", error)) {
        return false;
    }
    const QString sessionId =
        reply.arguments().constFirst().value<QDBusVariant>().variant().toString();
    const QVariantMap tie{{QStringLiteral("remote-desktop-session-id"), sessionId}};
    reply = call(kScreenCastService, kScreenCastPath, kScreenCastService,
                 QStringLiteral("CreateSession"), {tie});
    if (failed(reply, "ScreenCast.CreateSession", error)) {
        return false;
    }
    const QString castPath = reply.arguments().constFirst().value<QDBusObjectPath>().path();
    const QVariantMap recording{
        {QStringLiteral("cursor-mode"), QVariant::fromValue(kCursorEmbedded)}};
    reply = call(kScreenCastService, castPath, kScreenCastSession, QStringLiteral("RecordMonitor"),
                 {QString::fromStdString(monitor.connector), recording});
    if (failed(reply, "RecordMonitor", error)) {
        return false;
    }
    m_streamPath = reply.arguments().constFirst().value<QDBusObjectPath>().path();
    int width = monitor.width;
    int height = monitor.height;
    readStreamSize(m_streamPath, width, height);
    setStreamSize(width, height);
    bus.connect(kScreenCastService, m_streamPath, kStreamInterface,
                QStringLiteral("PipeWireStreamAdded"), this, SLOT(onStreamAdded(uint)));
    reply = call(kRemoteDesktopService, m_sessionPath, kSessionInterface, QStringLiteral("Start"));
    if (reply.type() != QDBusMessage::ReplyMessage) {
        if (error != nullptr) {
            *error = QStringLiteral("Start: %1").arg(reply.errorMessage());
        }
        return false;
    }
    spdlog::info("GNOME remote-desktop session {} records monitor {}", m_sessionPath.toStdString(),
                 monitor.connector);
    return true;
}

std::optional<std::uint32_t> MutterRemoteDesktop::pipeWireNode() const {
    const std::int64_t node = m_node.load();
    if (node < 0) {
        return std::nullopt;
    }
    return static_cast<std::uint32_t>(node);
}

void MutterRemoteDesktop::onStreamAdded(uint node) {
    spdlog::info("GNOME screen cast stream is PipeWire node {}", node);
    m_node.store(node);
}

void MutterRemoteDesktop::onClosed() {
    spdlog::warn("GNOME closed the remote-desktop session {}", m_sessionPath.toStdString());
    m_closed.store(true);
}

void MutterRemoteDesktop::callSession(const char* method, const QVariantList& arguments) {
    if (m_closed.load()) {
        return;
    }
    QDBusMessage message = QDBusMessage::createMethodCall(kRemoteDesktopService, m_sessionPath,
                                                          kSessionInterface, QLatin1String(method));
    message.setArguments(arguments);
    auto* watcher =
        new QDBusPendingCallWatcher(QDBusConnection::sessionBus().asyncCall(message), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, method](QDBusPendingCallWatcher* finished) {
                finished->deleteLater();
                if (finished->isError() && !m_saidInputFailed.exchange(true)) {
                    spdlog::warn("GNOME refused input ({}): {}", method,
                                 finished->error().message().toStdString());
                }
            });
}

void MutterRemoteDesktop::movePointer(double x, double y) {
    callSession("NotifyPointerMotionAbsolute", {m_streamPath, x, y});
}

void MutterRemoteDesktop::pressButton(int evdevButton, bool pressed) {
    callSession("NotifyPointerButton", {evdevButton, pressed});
}

void MutterRemoteDesktop::scrollSteps(int vertical, int horizontal) {
    if (vertical != 0) {
        callSession("NotifyPointerAxisDiscrete", {QVariant::fromValue(0u), vertical});
    }
    if (horizontal != 0) {
        callSession("NotifyPointerAxisDiscrete", {QVariant::fromValue(1u), horizontal});
    }
}

void MutterRemoteDesktop::pressKeycode(std::uint32_t evdevKey, bool pressed) {
    callSession("NotifyKeyboardKeycode", {QVariant::fromValue(uint(evdevKey)), pressed});
}

void MutterRemoteDesktop::pressKeysym(std::uint32_t keysym, bool pressed) {
    callSession("NotifyKeyboardKeysym", {QVariant::fromValue(uint(keysym)), pressed});
}

} // namespace nimbral::platform
