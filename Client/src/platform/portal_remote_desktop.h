#pragma once

#include <QObject>
#include <QString>
#include <QVariantMap>

#include <atomic>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>

#include "platform/remote_desktop_session.h"

namespace nimbral::platform {

// The monitor a portal session records, as the portal describes its stream.
struct PortalStream {
    std::uint32_t node = 0; // on the PipeWire remote the portal opens for this session
    int x = 0;              // position in the desktop, when the portal says
    int y = 0;
    int width = 0; // 0 when the portal does not say; the pictures tell then
    int height = 0;
};

// A screen-cast session of the desktop portal (org.freedesktop.portal.*, KDE and most other
// desktops), tied to a remote-desktop session with pointer and keyboard when the portal offers
// one. The desktop asks its user which monitor to share and whether to allow input; the answer's
// restore token is kept in the settings, so where the portal can keep it the user is asked once,
// not at every connection.
//
// The portal answers each request with a signal, which arrives on the main thread: start() begins
// the exchange there and returns, and the capture waits for state() to leave Starting. Input
// calls are made on the main thread and do not block; they reach the portal one after another.
class PortalRemoteDesktop : public QObject, public RemoteDesktopSession {
    Q_OBJECT
public:
    enum class State { Starting, Running, Failed };

    ~PortalRemoteDesktop() override;

    // Empty when the portal answers on the session bus and can cast a monitor, else why not.
    static QString unavailableReason();
    // A session being negotiated with the portal; the user may be asked now.
    static std::shared_ptr<PortalRemoteDesktop> start();
    // The session opened last and still running: the one input goes to.
    static std::shared_ptr<PortalRemoteDesktop> current();

    State state() const { return m_state.load(); }
    // Why the session failed or ended.
    QString failure() const;
    // The recorded monitor's stream, once running.
    std::optional<PortalStream> stream() const;
    // The PipeWire remote to read the stream from, once running; the caller owns it. -1 when the
    // portal would not open one.
    int openPipeWireRemote();

    bool acceptsInput() const override { return m_devices.load() != 0; }

    void movePointer(double x, double y) override;
    void pressButton(int evdevButton, bool pressed) override;
    void scrollSteps(int vertical, int horizontal) override;
    void pressKeycode(std::uint32_t evdevKey, bool pressed) override;
    void pressKeysym(std::uint32_t keysym, bool pressed) override;

private slots:
    void begin();
    void onResponse(uint response, const QVariantMap& results);
    void onClosed();

private:
    enum class Step { CreateSession, SelectDevices, SelectSources, Start };

    PortalRemoteDesktop() = default;
    bool request(Step step);
    QVariantMap stepOptions(Step step, const QString& token) const;
    void started(const QVariantMap& results);
    void fail(const QString& why);
    void callInput(const char* method, const QVariantList& arguments);
    void sendNextInput();

    static constexpr const char* kMotion = "NotifyPointerMotionAbsolute";
    struct QueuedInput {
        const char* method;
        QVariantList arguments;
    };

    bool m_withInput = false; // a remote-desktop session, not only a screen cast
    bool m_persistOnDevices = false;
    bool m_persistOnSources = false;
    uint m_cursorModes = 0;
    Step m_step = Step::CreateSession;
    QString m_requestPath;
    QString m_sessionPath;
    std::atomic<State> m_state{State::Starting};
    std::atomic<uint> m_devices{0};
    std::atomic<bool> m_saidInputFailed{false};
    std::deque<QueuedInput> m_inputQueue; // the main thread's, as are the calls
    bool m_inputInFlight = false;
    mutable std::mutex m_mutex; // guards what the capture thread reads below
    QString m_failure;
    std::optional<PortalStream> m_stream;
};

} // namespace nimbral::platform
