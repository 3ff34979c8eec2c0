#pragma once

#include <QObject>
#include <QString>

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/remote_desktop_session.h"

namespace nimbral::platform {

// A monitor as GNOME's display configuration lists it, in its order (the primary one marked).
struct MutterMonitor {
    std::string connector; // "DP-1", "Meta-0"
    std::string displayName;
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    bool primary = false;
};

// One of GNOME's remote-desktop sessions on the user's session bus, with a screen cast of one
// monitor tied to it: the monitor's pictures arrive as a PipeWire stream, and the session's
// Notify* calls move the pointer and press keys on that desktop. No prompt is shown; whoever can
// reach the session bus may do this, which is why only the user's own processes can.
//
// Created on any thread; the stream's announcement is received on the main thread, so the
// creator never waits for it. Input calls are made on the main thread and do not block.
class MutterRemoteDesktop : public QObject, public RemoteDesktopSession {
    Q_OBJECT
public:
    ~MutterRemoteDesktop() override;

    // Empty when GNOME's remote-desktop and screen-cast interfaces answer on the session bus,
    // otherwise why they cannot be used.
    static QString unavailableReason();
    // The monitors of the desktop; empty, with the reason logged, when they cannot be read.
    static std::vector<MutterMonitor> monitors();
    // A started session recording the monitor on `connector` with the pointer drawn in. Null,
    // with the reason in `error`, when GNOME refuses.
    static std::shared_ptr<MutterRemoteDesktop> start(const MutterMonitor& monitor, QString* error);
    // The session opened last and still alive: the one input goes to.
    static std::shared_ptr<MutterRemoteDesktop> current();

    // The PipeWire node of the monitor's stream once GNOME has announced it.
    std::optional<std::uint32_t> pipeWireNode() const;
    // False once GNOME closed the session (the user ended sharing, GNOME restarted).
    bool isOpen() const { return !m_closed.load(); }
    bool acceptsInput() const override { return true; }

    void movePointer(double x, double y) override;
    void pressButton(int evdevButton, bool pressed) override;
    void scrollSteps(int vertical, int horizontal) override;
    void pressKeycode(std::uint32_t evdevKey, bool pressed) override;
    void pressKeysym(std::uint32_t keysym, bool pressed) override;

private slots:
    void onStreamAdded(uint node);
    void onClosed();

private:
    MutterRemoteDesktop() = default;
    bool open(const MutterMonitor& monitor, QString* error);
    void callSession(const char* method, const QVariantList& arguments);

    QString m_sessionPath;
    QString m_streamPath;
    std::atomic<std::int64_t> m_node{-1};
    std::atomic<bool> m_closed{false};
    std::atomic<bool> m_saidInputFailed{false};
};

} // namespace nimbral::platform
