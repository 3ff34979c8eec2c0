#include "service/agent_screen.h"

#include <spdlog/spdlog.h>

#include <chrono>
#include <thread>

#include "service/ipc_framing.h"
#include "service/service_ipc_server.h"
#include "service/shared_frame_buffer.h"

namespace nimbral {

namespace {

using json = nlohmann::json;

constexpr int kFrameWaitMs = 100;
constexpr std::chrono::milliseconds kPollInterval{4};
constexpr std::size_t kMaxNameLength = 64;

// Reads the pictures the agent records into its sealed section.
class AgentCaptureBackend final : public IScreenCaptureBackend {
public:
    explicit AgentCaptureBackend(AgentScreen& screen)
        : m_screen(screen) {}
    ~AgentCaptureBackend() override { shutdown(); }

    bool initialize(std::int32_t monitorIndex) override {
        shutdown();
        const std::optional<AgentScreenOffer> offer = m_screen.offer();
        if (!offer || monitorIndex < 0 ||
            monitorIndex >= static_cast<std::int32_t>(offer->monitors.size())) {
            spdlog::error("AgentCaptureBackend: the agent offers no monitor {}", monitorIndex);
            return false;
        }
        if (!m_section.openSealed(offer->sectionPath, offer->owner)) {
            return false;
        }
        m_monitor = offer->monitors[static_cast<std::size_t>(monitorIndex)];
        m_generation = offer->generation;
        m_lastFrameId = m_section.frameId();
        m_firstFrame = true;
        m_initialized = true;
        m_screen.requestRecording(monitorIndex);
        spdlog::info("AgentCaptureBackend: the agent records monitor {} ({}, {}x{})", monitorIndex,
                     m_monitor.name, m_monitor.width, m_monitor.height);
        return true;
    }

    void shutdown() override {
        if (m_initialized) {
            m_screen.requestRecording(std::nullopt);
        }
        m_section.close();
        m_initialized = false;
    }

    std::unique_ptr<CapturedFrame> captureFrame() override {
        if (!m_initialized) {
            return nullptr;
        }
        if (!m_screen.isCurrent(m_generation)) {
            spdlog::warn("AgentCaptureBackend: the agent is gone; capture lost");
            shutdown();
            return nullptr;
        }
        const auto deadline =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(kFrameWaitMs);
        SharedFrameBuffer::Frame picture;
        while (std::chrono::steady_clock::now() < deadline) {
            switch (m_section.readPicture(m_lastFrameId, picture)) {
            case SharedFrameBuffer::ReadStatus::Ok:
                m_lastFrameId = picture.frameId;
                return frameOf(std::move(picture));
            case SharedFrameBuffer::ReadStatus::NoNewFrame:
            case SharedFrameBuffer::ReadStatus::Torn:
                std::this_thread::sleep_for(kPollInterval);
                break;
            case SharedFrameBuffer::ReadStatus::Malformed:
            case SharedFrameBuffer::ReadStatus::NotOpen:
                spdlog::error(
                    "AgentCaptureBackend: the agent's picture is malformed; capture lost");
                shutdown();
                return nullptr;
            }
        }
        return nullptr;
    }

    std::vector<MonitorInfo> enumerateMonitors() override {
        const std::optional<AgentScreenOffer> offer = m_screen.offer();
        return offer ? offer->monitors : std::vector<MonitorInfo>{};
    }
    MonitorInfo currentMonitor() override { return m_monitor; }
    bool isInitialized() const override { return m_initialized; }

private:
    std::unique_ptr<CapturedFrame> frameOf(SharedFrameBuffer::Frame picture) {
        auto frame = std::make_unique<CapturedFrame>();
        frame->width = static_cast<std::int32_t>(picture.width);
        frame->height = static_cast<std::int32_t>(picture.height);
        frame->stride = frame->width * 4;
        frame->timestamp = monotonicMilliseconds();
        const std::size_t row = static_cast<std::size_t>(frame->stride);
        if (picture.yStride == row) {
            picture.yPlane.resize(row * picture.height);
            frame->data = std::move(picture.yPlane);
        } else {
            frame->data.resize(row * picture.height);
            for (std::uint32_t y = 0; y < picture.height; ++y) {
                std::copy_n(picture.yPlane.begin() + std::ptrdiff_t(y * picture.yStride), row,
                            frame->data.begin() + std::ptrdiff_t(y * row));
            }
        }
        // The agent records only what changed, but says not where: the whole picture counts.
        frame->isKeyframe =
            m_firstFrame || frame->width != m_monitor.width || frame->height != m_monitor.height;
        m_monitor.width = frame->width;
        m_monitor.height = frame->height;
        m_firstFrame = false;
        return frame;
    }

    AgentScreen& m_screen;
    SharedFrameBuffer m_section;
    MonitorInfo m_monitor;
    std::uint64_t m_generation = 0;
    std::uint64_t m_lastFrameId = 0;
    bool m_firstFrame = true;
    bool m_initialized = false;
};

// Hands the Master's input to the agent, which injects it into its desktop.
class AgentInputBackend final : public IInputBackend {
public:
    explicit AgentInputBackend(AgentScreen& screen)
        : m_screen(screen) {}
    bool initialize() override {
        m_initialized = m_screen.isOffered();
        if (!m_initialized) {
            spdlog::error("AgentInputBackend: no agent offers its desktop");
        }
        return m_initialized;
    }
    void shutdown() override { m_initialized = false; }
    bool injectEvent(const InputEvent& event) override {
        if (!m_initialized || !m_screen.isOffered()) {
            return false;
        }
        m_screen.forwardInput(event);
        return true;
    }
    // The agent aims at the monitor it records.
    void setMonitor(int) override {}

private:
    AgentScreen& m_screen;
    bool m_initialized = false;
};

std::optional<MonitorInfo> monitorOf(const json& entry, std::int32_t index) {
    const auto number = [&entry](const char* key, std::int64_t low, std::int64_t high) {
        const auto found = entry.find(key);
        return found != entry.end() && found->is_number_integer() &&
                       found->get<std::int64_t>() >= low && found->get<std::int64_t>() <= high
                   ? std::optional<std::int32_t>(found->get<std::int32_t>())
                   : std::nullopt;
    };
    const auto name = entry.find("name");
    const auto x = number("x", -kMaxPictureSide * 16, kMaxPictureSide * 16);
    const auto y = number("y", -kMaxPictureSide * 16, kMaxPictureSide * 16);
    const auto width = number("width", 1, kMaxPictureSide);
    const auto height = number("height", 1, kMaxPictureSide);
    if (name == entry.end() || !name->is_string() || !x || !y || !width || !height) {
        return std::nullopt;
    }
    MonitorInfo monitor;
    monitor.index = index;
    monitor.name = name->get<std::string>().substr(0, kMaxNameLength);
    monitor.x = *x;
    monitor.y = *y;
    monitor.width = *width;
    monitor.height = *height;
    const auto primary = entry.find("primary");
    monitor.isPrimary = primary != entry.end() && primary->is_boolean() && primary->get<bool>();
    return monitor;
}

} // namespace

std::optional<AgentScreenOffer> AgentScreen::parseOffer(const json& message,
                                                        const platform::LocalPeer& agent) {
    const auto descriptor = message.find("descriptor");
    const auto monitors = message.find("monitors");
    if (descriptor == message.end() || !descriptor->is_number_integer() ||
        descriptor->get<std::int64_t>() < 0 || descriptor->get<std::int64_t>() > 1 << 20 ||
        monitors == message.end() || !monitors->is_array() || monitors->empty() ||
        monitors->size() > kMaxMonitors || agent.process <= 0) {
        return std::nullopt;
    }
    AgentScreenOffer offer;
    for (const json& entry : *monitors) {
        if (!entry.is_object()) {
            return std::nullopt;
        }
        const std::optional<MonitorInfo> monitor =
            monitorOf(entry, static_cast<std::int32_t>(offer.monitors.size()));
        if (!monitor) {
            return std::nullopt;
        }
        offer.monitors.push_back(*monitor);
    }
    offer.sectionPath = "/proc/" + std::to_string(agent.process) + "/fd/" +
                        std::to_string(descriptor->get<std::int64_t>());
    offer.owner = agent.user;
    return offer;
}

AgentScreen::AgentScreen(ServiceIpcServer& server, QObject* parent)
    : QObject(parent)
    , m_server(server) {
    connect(&server, &ServiceIpcServer::commandReceived, this, &AgentScreen::onCommand);
    connect(&server, &ServiceIpcServer::agentDisconnected, this, &AgentScreen::withdraw);
}

AgentScreen::~AgentScreen() = default;

void AgentScreen::onCommand(const json& command) {
    if (command.value("type", std::string()) != "SCREEN_OFFER") {
        return;
    }
    const std::optional<platform::LocalPeer> agent = m_server.agentPeer();
    std::optional<AgentScreenOffer> offer = agent ? parseOffer(command, *agent) : std::nullopt;
    if (!offer) {
        spdlog::warn("IPC: the agent's screen offer is malformed; not taken");
        withdraw();
        return;
    }
    spdlog::info("The agent offers its desktop ({} monitor(s), the first {}x{}): the Target's "
                 "screen is recorded there",
                 offer->monitors.size(), offer->monitors[0].width, offer->monitors[0].height);
    const std::lock_guard lock(m_mutex);
    offer->generation = ++m_generation;
    m_offer = std::move(offer);
}

void AgentScreen::withdraw() {
    const std::lock_guard lock(m_mutex);
    if (m_offer) {
        spdlog::info("The agent's desktop is no longer offered");
    }
    m_offer.reset();
    ++m_generation;
}

std::optional<AgentScreenOffer> AgentScreen::offer() const {
    const std::lock_guard lock(m_mutex);
    return m_offer;
}

bool AgentScreen::isOffered() const {
    const std::lock_guard lock(m_mutex);
    return m_offer.has_value();
}

bool AgentScreen::isCurrent(std::uint64_t generation) const {
    const std::lock_guard lock(m_mutex);
    return m_offer && m_offer->generation == generation;
}

void AgentScreen::requestRecording(std::optional<int> monitor) {
    const json message = monitor ? json{{"type", "SCREEN_START"}, {"monitor", *monitor}}
                                 : json{{"type", "SCREEN_STOP"}};
    QMetaObject::invokeMethod(
        this, [this, message] { m_server.sendMessage(message); }, Qt::QueuedConnection);
}

void AgentScreen::forwardInput(const InputEvent& event) {
    m_server.sendMessage({{"type", "SCREEN_INPUT"}, {"event", inputEventToJson(event)}});
}

std::unique_ptr<IScreenCaptureBackend> AgentScreen::makeCaptureBackend() {
    return std::make_unique<AgentCaptureBackend>(*this);
}

std::unique_ptr<IInputBackend> AgentScreen::makeInputBackend() {
    return std::make_unique<AgentInputBackend>(*this);
}

} // namespace nimbral
