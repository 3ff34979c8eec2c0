#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include <QObject>
#include <nlohmann/json.hpp>

#include "capture/captured_frame.h"
#include "input/input_event.h"
#include "platform/local_peer.h"

namespace nimbral {

class ServiceIpcServer;

// What the agent offers of its desktop: where its pictures lie, whose they are, its monitors.
struct AgentScreenOffer {
    std::string sectionPath; // /proc/<agent pid>/fd/<n>: the agent's sealed picture section
    platform::LocalUserId owner = 0;
    std::vector<MonitorInfo> monitors;
    std::uint64_t generation = 0; // a new one for every offer; a backend of an older one is lost
};

// The screen of the desktop the service cannot read itself: on Wayland only programs inside the
// user's session may record it and drive it. The agent there records it, on request, into a
// sealed shared section, and injects the input the service forwards. The backends made here
// read that section and forward that input, so a Target session runs as on X11. Lives on the
// main thread; the capture backend is used from the capture thread.
class AgentScreen : public QObject {
    Q_OBJECT

public:
    static constexpr std::size_t kMaxMonitors = 16;

    explicit AgentScreen(ServiceIpcServer& server, QObject* parent = nullptr);
    ~AgentScreen() override;

    // Thread-safe.
    std::optional<AgentScreenOffer> offer() const;
    bool isOffered() const;
    bool isCurrent(std::uint64_t generation) const;
    // Asks the agent to record a monitor, or to stop; thread-safe (sent from the main thread).
    void requestRecording(std::optional<int> monitor);
    // Main thread: one event for the agent to inject.
    void forwardInput(const InputEvent& event);

    std::unique_ptr<IScreenCaptureBackend> makeCaptureBackend();
    std::unique_ptr<IInputBackend> makeInputBackend();

    // An offer as the agent sends it ("SCREEN_OFFER"); nullopt when malformed. Exposed for tests.
    static std::optional<AgentScreenOffer> parseOffer(const nlohmann::json& message,
                                                      const platform::LocalPeer& agent);

private:
    void onCommand(const nlohmann::json& command);
    void withdraw();

    ServiceIpcServer& m_server;
    mutable std::mutex m_mutex;
    std::optional<AgentScreenOffer> m_offer;
    std::uint64_t m_generation = 0;
};

} // namespace nimbral
