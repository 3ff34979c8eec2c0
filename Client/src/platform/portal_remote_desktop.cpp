#include "platform/portal_remote_desktop.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusUnixFileDescriptor>
#include <QDBusVariant>
#include <QSettings>

#include <spdlog/spdlog.h>

#include <fcntl.h>

#include <cstring>

#include "platform/main_thread_object.h"

namespace nimbral::platform {

namespace {

const QString kPortalService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString kPortalPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString kRemoteDesktop = QStringLiteral("org.freedesktop.portal.RemoteDesktop");
const QString kScreenCast = QStringLiteral("org.freedesktop.portal.ScreenCast");
const QString kRequest = QStringLiteral("org.freedesktop.portal.Request");
const QString kSession = QStringLiteral("org.freedesktop.portal.Session");
constexpr int kCallTimeoutMs = 5000;
constexpr uint kSourceMonitor = 1;
constexpr uint kDevicesKeyboardAndPointer = 1 | 2;
constexpr uint kCursorEmbedded = 2;
constexpr uint kPersistUntilRevoked = 2;
// ScreenCast keeps permissions from version 4 on, RemoteDesktop from version 2 on.
constexpr uint kScreenCastPersistsSince = 4;
constexpr uint kRemoteDesktopPersistsSince = 2;
// Beyond any real restore token; a longer one is not kept.
constexpr int kMaxRestoreToken = 4096;
const QString kRestoreTokenKey = QStringLiteral("Portal/RestoreToken");
// Input waiting for the portal; far more than a hand can make in the time of one answer.
constexpr std::size_t kMaxQueuedInput = 512;

std::mutex g_currentMutex;
std::weak_ptr<PortalRemoteDesktop> g_current;
std::atomic<unsigned> g_tokenCounter{0};

QDBusMessage call(const QString& interface, const QString& method,
                  const QVariantList& arguments = {}) {
    QDBusMessage message =
        QDBusMessage::createMethodCall(kPortalService, kPortalPath, interface, method);
    message.setArguments(arguments);
    return QDBusConnection::sessionBus().call(message, QDBus::Block, kCallTimeoutMs);
}

// A portal interface's uint property; nullopt when the portal does not offer the interface.
std::optional<uint> portalProperty(const QString& interface, const char* name) {
    const QDBusMessage reply = call(QStringLiteral("org.freedesktop.DBus.Properties"),
                                    QStringLiteral("Get"), {interface, QLatin1String(name)});
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
        return std::nullopt;
    }
    bool isNumber = false;
    const uint value =
        reply.arguments().constFirst().value<QDBusVariant>().variant().toUInt(&isNumber);
    return isNumber ? std::optional<uint>(value) : std::nullopt;
}

// Where the portal will answer a request made with `token` (its documented path).
QString requestPath(const QString& token) {
    QString sender = QDBusConnection::sessionBus().baseService().mid(1);
    sender.replace(QLatin1Char('.'), QLatin1Char('_'));
    return QStringLiteral("/org/freedesktop/portal/desktop/request/%1/%2").arg(sender, token);
}

QString newToken() {
    return QStringLiteral("nimbral%1").arg(g_tokenCounter.fetch_add(1));
}

// An (ii) pair of a stream's properties.
bool readPair(const QVariant& value, int& first, int& second) {
    if (!value.canConvert<QDBusArgument>()) {
        return false;
    }
    const QDBusArgument argument = value.value<QDBusArgument>();
    if (argument.currentType() != QDBusArgument::StructureType) {
        return false;
    }
    argument.beginStructure();
    argument >> first >> second;
    argument.endStructure();
    return true;
}

// The first of the "streams" a(ua{sv}) of Start's answer.
std::optional<PortalStream> firstStream(const QVariant& streams) {
    if (!streams.canConvert<QDBusArgument>()) {
        return std::nullopt;
    }
    const QDBusArgument argument = streams.value<QDBusArgument>();
    if (argument.currentType() != QDBusArgument::ArrayType) {
        return std::nullopt;
    }
    std::optional<PortalStream> first;
    argument.beginArray();
    while (!argument.atEnd()) {
        PortalStream stream;
        QVariantMap properties;
        argument.beginStructure();
        argument >> stream.node >> properties;
        argument.endStructure();
        int width = 0, height = 0;
        if (readPair(properties.value(QStringLiteral("size")), width, height) && width > 0 &&
            height > 0) {
            stream.width = width;
            stream.height = height;
        }
        readPair(properties.value(QStringLiteral("position")), stream.x, stream.y);
        if (!first) {
            first = stream;
        }
    }
    argument.endArray();
    return first;
}

QString objectPathText(const QVariant& value) {
    return value.canConvert<QDBusObjectPath>() ? value.value<QDBusObjectPath>().path()
                                               : value.toString();
}

// The restore token lives beside the client's own settings.
QString storedRestoreToken() {
    const QSettings settings(QSettings::NativeFormat, QSettings::UserScope,
                             QStringLiteral("Nimbral"), QStringLiteral("NimbralClient"));
    return settings.value(kRestoreTokenKey).toString();
}

void keepRestoreToken(const QString& token) {
    QSettings settings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Nimbral"),
                       QStringLiteral("NimbralClient"));
    settings.setValue(kRestoreTokenKey, token);
}

} // namespace

// A question still open is withdrawn, so no dialog is left on the user's screen for a Master who
// has gone; then the session is closed.
PortalRemoteDesktop::~PortalRemoteDesktop() {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (m_state.load() == State::Starting && !m_requestPath.isEmpty()) {
        bus.send(QDBusMessage::createMethodCall(kPortalService, m_requestPath, kRequest,
                                                QStringLiteral("Close")));
    }
    if (!m_sessionPath.isEmpty() && m_state.load() != State::Failed) {
        bus.send(QDBusMessage::createMethodCall(kPortalService, m_sessionPath, kSession,
                                                QStringLiteral("Close")));
    }
}

QString PortalRemoteDesktop::unavailableReason() {
    if (!QDBusConnection::sessionBus().isConnected()) {
        return QStringLiteral("no session bus (%1)")
            .arg(QDBusConnection::sessionBus().lastError().message());
    }
    const std::optional<uint> sources = portalProperty(kScreenCast, "AvailableSourceTypes");
    if (!sources) {
        return QStringLiteral("the desktop portal does not answer or offers no screen cast");
    }
    if ((*sources & kSourceMonitor) == 0) {
        return QStringLiteral("the desktop portal cannot cast a monitor");
    }
    return {};
}

std::shared_ptr<PortalRemoteDesktop> PortalRemoteDesktop::start() {
    const std::shared_ptr<PortalRemoteDesktop> session = onTheMainThread(new PortalRemoteDesktop);
    QMetaObject::invokeMethod(session.get(), "begin", Qt::QueuedConnection);
    std::lock_guard lock(g_currentMutex);
    g_current = session;
    return session;
}

std::shared_ptr<PortalRemoteDesktop> PortalRemoteDesktop::current() {
    std::lock_guard lock(g_currentMutex);
    std::shared_ptr<PortalRemoteDesktop> session = g_current.lock();
    return session && session->state() == State::Running ? session : nullptr;
}

QString PortalRemoteDesktop::failure() const {
    std::lock_guard lock(m_mutex);
    return m_failure;
}

std::optional<PortalStream> PortalRemoteDesktop::stream() const {
    std::lock_guard lock(m_mutex);
    return m_stream;
}

// The first reason stands: a session closed after a refusal was closed because of it.
void PortalRemoteDesktop::fail(const QString& why) {
    if (m_state.exchange(State::Failed) == State::Failed) {
        return;
    }
    {
        std::lock_guard lock(m_mutex);
        m_failure = why;
    }
    spdlog::warn("Desktop portal: {}", why.toStdString());
}

void PortalRemoteDesktop::begin() {
    const std::optional<uint> remoteDesktop = portalProperty(kRemoteDesktop, "version");
    const std::optional<uint> devices = portalProperty(kRemoteDesktop, "AvailableDeviceTypes");
    m_withInput = remoteDesktop && devices && (*devices & kDevicesKeyboardAndPointer) != 0;
    m_persistOnDevices = m_withInput && *remoteDesktop >= kRemoteDesktopPersistsSince;
    m_persistOnSources = !m_withInput && portalProperty(kScreenCast, "version").value_or(0) >=
                                             kScreenCastPersistsSince;
    m_cursorModes = portalProperty(kScreenCast, "AvailableCursorModes").value_or(0);
    spdlog::info("Desktop portal: {}, permission {}",
                 m_withInput ? "remote desktop with pointer and keyboard"
                             : "screen cast only, no remote input",
                 m_persistOnDevices || m_persistOnSources ? "kept" : "asked every time");
    request(Step::CreateSession);
}

QVariantMap PortalRemoteDesktop::stepOptions(Step step, const QString& token) const {
    QVariantMap options{{QStringLiteral("handle_token"), token}};
    const QString restoreToken = storedRestoreToken();
    const auto keepPermission = [&] {
        options.insert(QStringLiteral("persist_mode"), QVariant::fromValue(kPersistUntilRevoked));
        if (!restoreToken.isEmpty()) {
            options.insert(QStringLiteral("restore_token"), restoreToken);
        }
    };
    switch (step) {
    case Step::CreateSession:
        options.insert(QStringLiteral("session_handle_token"), newToken());
        break;
    case Step::SelectDevices:
        options.insert(QStringLiteral("types"), QVariant::fromValue(kDevicesKeyboardAndPointer));
        if (m_persistOnDevices) {
            keepPermission();
        }
        break;
    case Step::SelectSources:
        options.insert(QStringLiteral("types"), QVariant::fromValue(kSourceMonitor));
        options.insert(QStringLiteral("multiple"), false);
        if ((m_cursorModes & kCursorEmbedded) != 0) {
            options.insert(QStringLiteral("cursor_mode"), QVariant::fromValue(kCursorEmbedded));
        }
        if (m_persistOnSources) {
            keepPermission();
        }
        break;
    case Step::Start:
        break;
    }
    return options;
}

// Sends the request of `step`, listening first where the portal will answer it.
bool PortalRemoteDesktop::request(Step step) {
    const QString token = newToken();
    m_step = step;
    m_requestPath = requestPath(token);
    QDBusConnection bus = QDBusConnection::sessionBus();
    bus.connect(kPortalService, m_requestPath, kRequest, QStringLiteral("Response"), this,
                SLOT(onResponse(uint, QVariantMap)));
    const QVariantMap options = stepOptions(step, token);
    const QDBusObjectPath session(m_sessionPath.isEmpty() ? QStringLiteral("/") : m_sessionPath);
    QDBusMessage reply;
    switch (step) {
    case Step::CreateSession:
        reply = call(m_withInput ? kRemoteDesktop : kScreenCast, QStringLiteral("CreateSession"),
                     {options});
        break;
    case Step::SelectDevices:
        reply = call(kRemoteDesktop, QStringLiteral("SelectDevices"),
                     {QVariant::fromValue(session), options});
        break;
    case Step::SelectSources:
        reply = call(kScreenCast, QStringLiteral("SelectSources"),
                     {QVariant::fromValue(session), options});
        break;
    case Step::Start:
        reply = call(m_withInput ? kRemoteDesktop : kScreenCast, QStringLiteral("Start"),
                     {QVariant::fromValue(session), QString(), options});
        break;
    }
    if (reply.type() != QDBusMessage::ReplyMessage) {
        bus.disconnect(kPortalService, m_requestPath, kRequest, QStringLiteral("Response"), this,
                       SLOT(onResponse(uint, QVariantMap)));
        fail(QStringLiteral("the portal refused the request: %1").arg(reply.errorMessage()));
        return false;
    }
    return true;
}

void PortalRemoteDesktop::onResponse(uint response, const QVariantMap& results) {
    QDBusConnection::sessionBus().disconnect(kPortalService, m_requestPath, kRequest,
                                             QStringLiteral("Response"), this,
                                             SLOT(onResponse(uint, QVariantMap)));
    if (m_state.load() != State::Starting) {
        return;
    }
    if (response != 0) {
        const char* names[] = {"CreateSession", "SelectDevices", "SelectSources", "Start"};
        fail(response == 1 ? QStringLiteral("the user declined to share the screen")
                           : QStringLiteral("the portal ended the request %1 (%2)")
                                 .arg(QLatin1String(names[static_cast<int>(m_step)]))
                                 .arg(response));
        return;
    }
    switch (m_step) {
    case Step::CreateSession:
        m_sessionPath = objectPathText(results.value(QStringLiteral("session_handle")));
        if (!m_sessionPath.startsWith(QLatin1Char('/'))) {
            fail(QStringLiteral("the portal named no session"));
            return;
        }
        QDBusConnection::sessionBus().connect(kPortalService, m_sessionPath, kSession,
                                              QStringLiteral("Closed"), this, SLOT(onClosed()));
        request(m_withInput ? Step::SelectDevices : Step::SelectSources);
        return;
    case Step::SelectDevices:
        request(Step::SelectSources);
        return;
    case Step::SelectSources:
        request(Step::Start);
        return;
    case Step::Start:
        started(results);
        return;
    }
}

void PortalRemoteDesktop::started(const QVariantMap& results) {
    const std::optional<PortalStream> stream =
        firstStream(results.value(QStringLiteral("streams")));
    if (!stream) {
        fail(QStringLiteral("the portal started no stream"));
        return;
    }
    const QString restoreToken = results.value(QStringLiteral("restore_token")).toString();
    if (!restoreToken.isEmpty() && restoreToken.size() <= kMaxRestoreToken) {
        keepRestoreToken(restoreToken);
    }
    m_devices.store(m_withInput ? results.value(QStringLiteral("devices")).toUInt() : 0);
    setStreamSize(stream->width, stream->height);
    {
        std::lock_guard lock(m_mutex);
        m_stream = stream;
    }
    m_state.store(State::Running);
    spdlog::info("Desktop portal: session {} records PipeWire node {} ({}x{}), input {}",
                 m_sessionPath.toStdString(), stream->node, stream->width, stream->height,
                 acceptsInput() ? "granted" : "not granted");
}

void PortalRemoteDesktop::onClosed() {
    fail(QStringLiteral("the desktop closed the screen cast"));
}

int PortalRemoteDesktop::openPipeWireRemote() {
    if (m_state.load() != State::Running) {
        return -1;
    }
    const QDBusMessage reply =
        call(kScreenCast, QStringLiteral("OpenPipeWireRemote"),
             {QVariant::fromValue(QDBusObjectPath(m_sessionPath)), QVariantMap()});
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
        spdlog::error("Desktop portal: no PipeWire remote: {}", reply.errorMessage().toStdString());
        return -1;
    }
    const auto descriptor = reply.arguments().constFirst().value<QDBusUnixFileDescriptor>();
    // The message owns its descriptor: keep a copy of our own.
    return descriptor.isValid() ? fcntl(descriptor.fileDescriptor(), F_DUPFD_CLOEXEC, 0) : -1;
}

// The portal may handle calls on several threads, so a release could overtake its press: each
// call waits for the answer to the one before. Meanwhile a newer pointer position replaces a
// waiting one.
void PortalRemoteDesktop::callInput(const char* method, const QVariantList& arguments) {
    if (m_state.load() != State::Running || !acceptsInput()) {
        return;
    }
    const bool motion = std::strcmp(method, kMotion) == 0;
    if (motion && !m_inputQueue.empty() && m_inputQueue.back().method == kMotion) {
        m_inputQueue.back().arguments = arguments;
        return;
    }
    if (m_inputQueue.size() >= kMaxQueuedInput) {
        if (!m_saidInputFailed.exchange(true)) {
            spdlog::warn("Desktop portal: input falls behind; events dropped");
        }
        return;
    }
    m_inputQueue.push_back({motion ? kMotion : method, arguments});
    sendNextInput();
}

void PortalRemoteDesktop::sendNextInput() {
    if (m_inputInFlight || m_inputQueue.empty()) {
        return;
    }
    const QueuedInput next = m_inputQueue.front();
    m_inputQueue.pop_front();
    QDBusMessage message = QDBusMessage::createMethodCall(
        kPortalService, kPortalPath, kRemoteDesktop, QLatin1String(next.method));
    QVariantList withSession{QVariant::fromValue(QDBusObjectPath(m_sessionPath)), QVariantMap()};
    withSession.append(next.arguments);
    message.setArguments(withSession);
    m_inputInFlight = true;
    auto* watcher =
        new QDBusPendingCallWatcher(QDBusConnection::sessionBus().asyncCall(message), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, method = next.method](QDBusPendingCallWatcher* finished) {
                finished->deleteLater();
                m_inputInFlight = false;
                if (finished->isError() && !m_saidInputFailed.exchange(true)) {
                    spdlog::warn("Desktop portal refused input ({}): {}", method,
                                 finished->error().message().toStdString());
                }
                sendNextInput();
            });
}

void PortalRemoteDesktop::movePointer(double x, double y) {
    const std::optional<PortalStream> shown = stream();
    if (shown) {
        callInput(kMotion, {QVariant::fromValue(uint(shown->node)), x, y});
    }
}

void PortalRemoteDesktop::pressButton(int evdevButton, bool pressed) {
    callInput("NotifyPointerButton", {evdevButton, QVariant::fromValue(uint(pressed ? 1 : 0))});
}

void PortalRemoteDesktop::scrollSteps(int vertical, int horizontal) {
    if (vertical != 0) {
        callInput("NotifyPointerAxisDiscrete", {QVariant::fromValue(0u), vertical});
    }
    if (horizontal != 0) {
        callInput("NotifyPointerAxisDiscrete", {QVariant::fromValue(1u), horizontal});
    }
}

void PortalRemoteDesktop::pressKeycode(std::uint32_t evdevKey, bool pressed) {
    callInput("NotifyKeyboardKeycode",
              {static_cast<int>(evdevKey), QVariant::fromValue(uint(pressed ? 1 : 0))});
}

void PortalRemoteDesktop::pressKeysym(std::uint32_t keysym, bool pressed) {
    callInput("NotifyKeyboardKeysym",
              {static_cast<int>(keysym), QVariant::fromValue(uint(pressed ? 1 : 0))});
}

} // namespace nimbral::platform
