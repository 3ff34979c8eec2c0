#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <thread>

#include <QObject>
#include <nlohmann/json.hpp>

#include "capture/captured_frame.h"
#include "input/input_event.h"
#include "service/shared_frame_buffer.h"

namespace nimbral {

class ServiceIpcClient;

// The agent's side of AgentScreen: on a desktop the service cannot read itself (Wayland), the
// agent offers it to the service, records the monitor the service asks for into a sealed
// shared section (only when something changed), and injects the input the service forwards.
// Main thread; the recording runs on a thread of its own.
class AgentScreenSharer : public QObject {
    Q_OBJECT

public:
    using CaptureFactory = std::function<std::unique_ptr<IScreenCaptureBackend>()>;
    using InputFactory = std::function<std::unique_ptr<IInputBackend>()>;
    static constexpr int kRetryMs = 500;

    AgentScreenSharer(ServiceIpcClient& service, CaptureFactory capture, InputFactory input,
                      QObject* parent = nullptr);
    ~AgentScreenSharer() override;

    // Offers the desktop to the service: at once when connected, and on each new connection.
    void start();
    bool isRecording() const { return m_thread.joinable(); }

private:
    void offer();
    void onRequest(const nlohmann::json& message);
    void startRecording(int monitor);
    void stopRecording();
    void record(std::unique_ptr<IScreenCaptureBackend> backend, int monitor);
    void inject(const nlohmann::json& event);

    ServiceIpcClient& m_service;
    CaptureFactory m_makeCapture;
    InputFactory m_makeInput;
    SharedFrameBuffer m_section;
    std::unique_ptr<IInputBackend> m_input;
    std::thread m_thread;
    std::atomic<bool> m_stop{false};
    bool m_saidNoInput = false;
};

} // namespace nimbral
