// The channel protocol: sealing and opening, control messages, commands and video packets.

#include "session/session_manager.h"

#include <algorithm>
#include <chrono>
#include <string>

#include <spdlog/spdlog.h>

#include "capture/screen_capture_manager.h"
#include "codec/video_decoder.h"
#include "common/log_text.h"
#include "common/main_thread.h"
#include "crypto/aes_gcm_cipher.h"
#include "input/input_forwarder.h"
#include "network/transport_manager.h"
#include "session/chat_service.h"
#include "session/clipboard_sharing.h"
#include "session/file_transfer_service.h"

namespace nimbral {

namespace {

std::uint64_t counterOf(const QByteArray& sealed) {
    std::uint64_t counter = 0;
    for (int i = AesGcmCipher::kCounterSize - 1; i >= 0; --i) {
        counter = (counter << 8) | static_cast<std::uint8_t>(sealed[i]);
    }
    return counter;
}

bool samePicture(const DecodedFrame& a, const DecodedFrame& b) {
    return a.width == b.width && a.height == b.height && a.yStride == b.yStride &&
           a.uvStride == b.uvStride && a.yPlane == b.yPlane && a.uvPlane == b.uvPlane;
}

} // namespace

// ------------------------------------------------------------------ channel protocol

bool SessionManager::canSend() const {
    return state() == SessionState::Connected && m_negotiation.cipher() && m_transport &&
           m_transport->activeTransport() != nullptr;
}

bool SessionManager::sendControl(const std::vector<std::uint8_t>& plaintext,
                                 const char* encryptFailure, bool warnOnEncryptFailure) {
    if (!canSend()) {
        return false;
    }
    const std::vector<std::uint8_t> sealed = m_negotiation.cipher()->encrypt(plaintext);
    if (sealed.empty()) {
        if (encryptFailure != nullptr) {
            if (warnOnEncryptFailure) {
                spdlog::warn(encryptFailure);
            } else {
                spdlog::error(encryptFailure);
            }
        }
        return false;
    }
    ITransport* active = m_transport->activeTransport();
    if (active->send(ChannelType::Control, sealed.data(), sealed.size())) {
        m_videoPacer.otherBytesQueued(sealed.size() + active->framingBytesPerMessage());
        emit trafficCounted(static_cast<qint64>(sealed.size()), 0);
    }
    return true;
}

void SessionManager::sendInputEvent(const InputEvent& event) {
    NIMBRAL_ASSERT_MAIN_THREAD();
    if (m_role != SessionRole::Master || !canSend()) {
        return;
    }
    std::string error;
    const std::vector<std::uint8_t> wire = event.serialize(&error);
    if (wire.empty()) {
        spdlog::warn("Input event not sent: {}", error);
        return;
    }
    sendControl(controlMessage(ControlTag::InputEvent, wire), "Failed to encrypt input event",
                false);
}

void SessionManager::onClipboardDataReady(const QByteArray& data) {
    NIMBRAL_ASSERT_MAIN_THREAD();
    const std::vector<std::uint8_t> plaintext(data.begin(), data.end());
    sendControl(plaintext, "Failed to encrypt clipboard data", true);
}

void SessionManager::sendChat(const std::vector<std::uint8_t>& payload) {
    if (state() != SessionState::Connected || !m_negotiation.cipher() || !m_transport) {
        spdlog::warn("Chat send blocked: state={}, cipher={}, transport={}",
                     static_cast<int>(state()), m_negotiation.cipher() != nullptr,
                     !m_transport.isNull());
        return;
    }
    const std::vector<std::uint8_t> sealed =
        m_negotiation.cipher()->encrypt(controlMessage(ControlTag::Chat, payload));
    if (sealed.empty()) {
        spdlog::warn("Chat: encryption failed");
        return;
    }
    ITransport* active = m_transport->activeTransport();
    if (active == nullptr) {
        spdlog::warn("Chat: no active transport");
        return;
    }
    if (active->send(ChannelType::Control, sealed.data(), sealed.size())) {
        m_videoPacer.otherBytesQueued(sealed.size() + active->framingBytesPerMessage());
        emit trafficCounted(static_cast<qint64>(sealed.size()), 0);
    }
    spdlog::debug("Chat message sent ({} bytes encrypted)", sealed.size());
}

std::vector<std::uint8_t> SessionManager::open(const QByteArray& sealed, const char* failureLine) {
    std::vector<std::uint8_t> plaintext =
        m_negotiation.cipher()->decrypt(reinterpret_cast<const std::uint8_t*>(sealed.constData()),
                                        static_cast<std::size_t>(sealed.size()));
    if (plaintext.empty()) {
        spdlog::warn(fmt::runtime(failureLine), sealed.size());
        return {};
    }
    // Only an authentic message may move the window, so the check follows the decryption.
    const std::uint64_t counter = counterOf(sealed);
    if (ReplayWindow* window = m_negotiation.replayWindow(); window && !window->accept(counter)) {
        if (!m_lastReplayWarning.isValid() || m_lastReplayWarning.elapsed() >= 1000) {
            spdlog::warn("Dropped a replayed or out-of-window message (counter {})", counter);
            m_lastReplayWarning.start();
        }
        return {};
    }
    return plaintext;
}

std::optional<double> SessionManager::linkRoundTripMs() const {
    ITransport* active = m_transport ? m_transport->activeTransport() : nullptr;
    return active != nullptr ? active->roundTripMs() : std::nullopt;
}

void SessionManager::onTransportData(ChannelType channel, const QByteArray& data) {
    NIMBRAL_ASSERT_MAIN_THREAD();
    emit trafficCounted(0, data.size());
    if (!m_negotiation.cipher()) {
        spdlog::warn("Received transport data but cipher is not initialized");
        return;
    }
    if (channel == ChannelType::Video) {
        if (m_role != SessionRole::Master) {
            return;
        }
        const std::vector<std::uint8_t> packet =
            open(data, "Failed to decrypt video data ({} bytes)");
        if (!packet.empty()) {
            handleVideo(packet);
        }
    } else if (channel == ChannelType::Control) {
        const std::vector<std::uint8_t> plaintext =
            open(data, "Failed to decrypt control data ({} bytes)");
        if (!plaintext.empty()) {
            dispatchControl(plaintext);
        }
    }
}

namespace {

// What a control message may do, by its tag: which role it is for (None: either) and who
// handles it. A message for the other role is dropped: a Master injects no input and serves no
// key frames, whatever its partner sends.
struct ControlHandler {
    ControlTag tag;
    SessionRole onlyFor;
    void (SessionManager::*handle)(const std::vector<std::uint8_t>& payload);
};

} // namespace

void SessionManager::dispatchControl(const std::vector<std::uint8_t>& plaintext) {
    static constexpr ControlHandler kHandlers[] = {
        {ControlTag::InputEvent, SessionRole::Target, &SessionManager::onInputMessage},
        {ControlTag::KeyFrameRequest, SessionRole::Target, &SessionManager::onKeyFrameRequest},
        {ControlTag::SessionCommand, SessionRole::None, &SessionManager::onCommandMessage},
        {ControlTag::Clipboard, SessionRole::None, &SessionManager::onClipboardMessage},
        {ControlTag::FileTransfer, SessionRole::None, &SessionManager::onFileTransferMessage},
        {ControlTag::Chat, SessionRole::None, &SessionManager::onChatMessage},
    };
    const auto tag = static_cast<ControlTag>(plaintext.front());
    const auto handler = std::find_if(std::begin(kHandlers), std::end(kHandlers),
                                      [tag](const ControlHandler& h) { return h.tag == tag; });
    if (handler == std::end(kHandlers)) {
        spdlog::debug("Control message with unknown tag {} ignored", plaintext.front());
        return;
    }
    if (handler->onlyFor != SessionRole::None && handler->onlyFor != m_role) {
        return;
    }
    (this->*handler->handle)(std::vector<std::uint8_t>(plaintext.begin() + 1, plaintext.end()));
}

void SessionManager::onInputMessage(const std::vector<std::uint8_t>& payload) {
    if (payload.empty()) {
        return;
    }
    std::string error;
    const std::optional<InputEvent> event =
        InputEvent::deserialize(payload.data(), payload.size(), &error);
    if (!event) {
        spdlog::warn("Failed to deserialize input event: {}", error);
        return;
    }
    emit inputEventReceived(*event);
    if (m_inputForwarder) {
        m_inputForwarder->processEvent(*event);
    }
}

void SessionManager::onKeyFrameRequest(const std::vector<std::uint8_t>& payload) {
    if (payload.size() == 1 && payload[0] == kAsksForKeyFramesWhenLost) {
        if (!m_partnerAsksForKeyFrames.exchange(true)) {
            spdlog::info("The Master asks for key frames when it loses one: no safety key frames");
        }
        return;
    }
    spdlog::debug("Key frame requested by Master");
    if (m_captureManager) {
        m_captureManager->requestKeyframe();
    }
}

void SessionManager::onCommandMessage(const std::vector<std::uint8_t>& payload) {
    if (!payload.empty()) {
        handleCommand(std::string(payload.begin(), payload.end()));
    }
}

void SessionManager::onClipboardMessage(const std::vector<std::uint8_t>& payload) {
    if (m_clipboard && m_clipboardSharingEnabled) {
        // The clipboard reads the whole message, tag included.
        QByteArray message(1, static_cast<char>(ControlTag::Clipboard));
        message.append(reinterpret_cast<const char*>(payload.data()),
                       static_cast<qsizetype>(payload.size()));
        m_clipboard->onRemoteClipboardData(message);
    }
}

void SessionManager::onFileTransferMessage(const std::vector<std::uint8_t>& payload) {
    if (m_fileTransfer && !payload.empty()) {
        m_fileTransfer->handleMessage(payload);
    }
}

void SessionManager::onChatMessage(const std::vector<std::uint8_t>& payload) {
    spdlog::info("Chat message received ({} bytes)", payload.size());
    if (m_chat && !payload.empty()) {
        m_chat->handleMessage(payload);
    } else {
        spdlog::warn("Chat: service not initialized or message too short");
    }
}

void SessionManager::handleCommand(const std::string& command) {
    // The partner chose these bytes: escaped, they cannot forge lines of this log.
    spdlog::info("Session command received: {}", printable(command));
    if (command == kDisconnectCommand) {
        endSession(QLatin1String(kPartnerEndedReason));
        return;
    }
    if (m_role == SessionRole::Master) {
        handleTargetCommand(command);
        return;
    }
    if (m_role != SessionRole::Target || command.rfind(kSwitchMonitorPrefix, 0) != 0) {
        return;
    }
    const auto monitor = parseSwitchMonitor(command);
    if (!monitor) {
        spdlog::warn("Monitor switch without a usable number ignored: {}", printable(command));
        return;
    }
    switchMonitor(*monitor);
}

void SessionManager::switchMonitor(std::uint32_t monitor) {
    if (!m_monitors.empty() && monitor >= m_monitors.size()) {
        // Switching would leave the Master with a frozen picture and no word why.
        spdlog::warn("Monitor {} asked for, but this screen has {}: switch refused", monitor,
                     m_monitors.size());
        sendControl(controlMessage(ControlTag::SessionCommand, switchFailedCommand(monitor)),
                    nullptr, false);
        return;
    }
    spdlog::info("Switching capture to monitor {}", monitor);
    m_monitorIndex = monitor;
    if (m_captureManager) {
        m_captureManager->switchMonitor(static_cast<int>(monitor));
    }
    if (m_inputForwarder) {
        m_inputForwarder->setMonitor(static_cast<int>(monitor));
    }
}

void SessionManager::handleTargetCommand(const std::string& command) {
    if (command.rfind(kMonitorsPrefix, 0) == 0) {
        auto monitors =
            command.size() <= kMaxMonitorsCommandBytes ? parseMonitors(command) : std::nullopt;
        if (!monitors) {
            spdlog::warn("Unusable monitor list from the partner ignored");
            return;
        }
        m_monitors = std::move(monitors->monitors);
        m_partnerMonitorIndex = static_cast<int>(monitors->shared);
        emit partnerMonitorsListed();
    } else if (const auto failed = parseSwitchFailed(command)) {
        emit monitorSwitchFailed(static_cast<int>(std::min<std::uint32_t>(*failed, INT32_MAX)));
    } else if (command == kScreenUnavailableCommand) {
        spdlog::warn("The partner's screen cannot be read");
        emit partnerScreenUnavailable();
    }
}

void SessionManager::announceScreen() {
    if (m_role == SessionRole::Target && m_screenUnreadable) {
        sendControl(commandMessage(kScreenUnavailableCommand), nullptr, false);
    } else if (m_role == SessionRole::Target && !m_monitors.empty()) {
        sendControl(
            controlMessage(ControlTag::SessionCommand, monitorsCommand(m_monitors, m_monitorIndex)),
            nullptr, false);
    }
}

void SessionManager::handleVideo(const std::vector<std::uint8_t>& packet) {
    if (!m_decoder) {
        startDecoder();
    }
    if (!m_saidItAsksForKeyFrames) { // once the Target streams
        m_saidItAsksForKeyFrames =
            sendControl(controlMessage(ControlTag::KeyFrameRequest, {kAsksForKeyFramesWhenLost}),
                        "Failed to encrypt key-frame request", false);
    }
    const std::int64_t now = std::chrono::duration_cast<std::chrono::milliseconds>(
                                 std::chrono::steady_clock::now().time_since_epoch())
                                 .count();
    const bool brokenBefore = m_decoder->needsKeyFrame();
    std::unique_ptr<DecodedFrame> picture = m_decoder->decode(packet.data(), packet.size(), now);
    if (m_decoder->needsKeyFrame() && !brokenBefore) {
        emit videoLost();
    }
    // Drawing a full picture costs far more than comparing it; a repetition is decoded (it is
    // the decoder's reference) but not drawn again.
    if (picture && !(m_lastPicture && samePicture(*picture, *m_lastPicture))) {
        m_lastPicture = std::shared_ptr<DecodedFrame>(std::move(picture));
        emit frameDecoded(m_lastPicture);
    }
    if (!m_decoder->needsKeyFrame()) {
        m_keyFrameAskedAt.invalidate();
        return;
    }
    // The video channel never retransmits: a lost packet leaves every later delta without its
    // reference until a key frame comes. Ask once, and again only if that one got lost too.
    if (m_keyFrameAskedAt.isValid() && m_keyFrameAskedAt.elapsed() < kKeyFrameRequestRepeatMs) {
        return;
    }
    if (sendControl(controlMessage(ControlTag::KeyFrameRequest, {}),
                    "Failed to encrypt key-frame request", false)) {
        spdlog::info("Video packet lost or undecodable: key frame requested");
        m_keyFrameAskedAt.start();
    }
}

} // namespace nimbral
