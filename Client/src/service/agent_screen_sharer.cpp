#include "service/agent_screen_sharer.h"

#include <spdlog/spdlog.h>

#include <algorithm>
#include <chrono>

#include "service/ipc_framing.h"
#include "service/service_ipc_client.h"

namespace nimbral {

namespace {

using json = nlohmann::json;

// Room for a monitor that grows after the offer (the section is sparse: only what is written
// takes memory).
constexpr std::size_t kRoomFor8K = std::size_t{7680} * 4320 * 4;
constexpr std::chrono::milliseconds kStopCheck{50};

} // namespace

AgentScreenSharer::AgentScreenSharer(ServiceIpcClient& service, CaptureFactory capture,
                                     InputFactory input, QObject* parent)
    : QObject(parent)
    , m_service(service)
    , m_makeCapture(std::move(capture))
    , m_makeInput(std::move(input)) {
    connect(&service, &ServiceIpcClient::screenRequest, this, &AgentScreenSharer::onRequest);
    connect(&service, &ServiceIpcClient::connected, this, &AgentScreenSharer::offer);
    connect(&service, &ServiceIpcClient::disconnected, this, &AgentScreenSharer::stopRecording);
}

AgentScreenSharer::~AgentScreenSharer() {
    stopRecording();
}

void AgentScreenSharer::start() {
    if (m_service.isConnected()) {
        offer();
    }
}

void AgentScreenSharer::offer() {
    stopRecording();
    const std::unique_ptr<IScreenCaptureBackend> probe = m_makeCapture();
    const std::vector<MonitorInfo> monitors =
        probe ? probe->enumerateMonitors() : std::vector<MonitorInfo>{};
    if (monitors.empty()) {
        spdlog::warn("This desktop cannot be recorded: the service will show no screen for it");
        return;
    }
    std::size_t largest = kRoomFor8K;
    json list = json::array();
    for (const MonitorInfo& monitor : monitors) {
        largest = std::max(largest, static_cast<std::size_t>(monitor.width) *
                                        static_cast<std::size_t>(monitor.height) * 4);
        list.push_back({{"name", monitor.name},
                        {"x", monitor.x},
                        {"y", monitor.y},
                        {"width", monitor.width},
                        {"height", monitor.height},
                        {"primary", monitor.isPrimary}});
    }
    if (!m_section.createSealed(SharedFrameBuffer::kHeaderSize + largest)) {
        return;
    }
    spdlog::info("Offering this desktop to the service ({} monitor(s))", monitors.size());
    m_service.sendCommand(
        {{"type", "SCREEN_OFFER"}, {"descriptor", m_section.descriptor()}, {"monitors", list}});
}

void AgentScreenSharer::onRequest(const json& message) {
    const std::string type = message.value("type", std::string());
    if (type == "SCREEN_START") {
        const auto monitor = message.find("monitor");
        if (monitor != message.end() && monitor->is_number_integer() &&
            monitor->get<std::int64_t>() >= 0 && monitor->get<std::int64_t>() < 64) {
            startRecording(monitor->get<int>());
        }
    } else if (type == "SCREEN_STOP") {
        stopRecording();
        if (m_input) {
            m_input->shutdown();
            m_input.reset();
        }
    } else if (type == "SCREEN_INPUT") {
        const auto event = message.find("event");
        if (event != message.end() && event->is_object()) {
            inject(*event);
        }
    }
}

void AgentScreenSharer::startRecording(int monitor) {
    stopRecording();
    if (!m_section.isOpen()) {
        return;
    }
    std::unique_ptr<IScreenCaptureBackend> backend = m_makeCapture();
    if (!backend) {
        return;
    }
    spdlog::info("Recording monitor {} for the service", monitor);
    m_stop = false;
    m_thread = std::thread([this, monitor, recorder = std::move(backend)]() mutable {
        record(std::move(recorder), monitor);
    });
}

void AgentScreenSharer::stopRecording() {
    m_stop = true;
    if (m_thread.joinable()) {
        m_thread.join();
        spdlog::info("Recording for the service stopped");
    }
}

// The recording thread: pictures as the backend gives them (only when something changed),
// into the section; a lost backend is started again after a pause.
void AgentScreenSharer::record(std::unique_ptr<IScreenCaptureBackend> backend, int monitor) {
    bool saidTooLarge = false;
    while (!m_stop) {
        if (!backend->isInitialized() && !backend->initialize(monitor)) {
            const auto resume =
                std::chrono::steady_clock::now() + std::chrono::milliseconds(kRetryMs);
            while (!m_stop && std::chrono::steady_clock::now() < resume) {
                std::this_thread::sleep_for(kStopCheck);
            }
            continue;
        }
        const std::unique_ptr<CapturedFrame> frame = backend->captureFrame();
        if (frame && frame->width > 0 && frame->width <= kMaxPictureSide &&
            frame->height <= kMaxPictureSide &&
            !m_section.writeFrame(static_cast<std::uint32_t>(frame->width),
                                  static_cast<std::uint32_t>(frame->height),
                                  static_cast<std::uint32_t>(frame->stride), 0, frame->data.data(),
                                  frame->data.size()) &&
            !saidTooLarge) {
            spdlog::warn("A {}x{} picture does not fit the section offered to the service",
                         frame->width, frame->height);
            saidTooLarge = true;
        }
    }
    backend->shutdown();
}

void AgentScreenSharer::inject(const json& event) {
    if (!m_input) {
        m_input = m_makeInput ? m_makeInput() : nullptr;
        if (!m_input || !m_input->initialize()) {
            m_input.reset();
            if (!m_saidNoInput) {
                spdlog::warn("The service's input cannot be injected into this desktop");
                m_saidNoInput = true;
            }
            return;
        }
    }
    m_input->injectEvent(inputEventFromJson(event));
}

} // namespace nimbral
