#pragma once

#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <nlohmann/json.hpp>

#include "capture/capture_backend_chain.h"
#include "capture/captured_frame.h"
#include "codec/video_decoder.h"
#include "common/session_trust.h"
#include "input/input_event.h"
#include "network/transport.h"
#include "network/transport_manager.h"
#include "platform/local_peer.h"
#include "session/incoming_exchanges.h"
#include "session/replay_window.h"
#include "session/session_channel.h"
#include "session/session_negotiation.h"
#include "session/video_send_pacer.h"

namespace nimbral {

class ApiClient;
class ChatService;
class ClipboardSharing;
class FrameConverter;
class FrameSink;
class IVideoEncoder;
class ScreenCaptureManager;
class FileTransferService;
class InputForwarder;
class SignalingClient;

enum class SessionState : std::uint8_t {
    Idle = 0,
    Initiating = 1,
    Handshaking = 2,
    Connecting = 3,
    Connected = 4,
    Closing = 5,
    Failed = 6,
};

enum class SessionRole : std::uint8_t { None = 0, Master = 1, Target = 2 };

// How a connected session came to its end.
enum class SessionEnd : std::uint8_t {
    ByThisSide = 0, // this device's user or program ended it
    ByPartner = 1,  // the partner said it ends the session
    LinkLost = 2,   // the link went down without a word from the partner
};

// "Idle", "Initiating", ...; "Unknown" for any other value.
const char* sessionStateName(SessionState state);
// Whether a session may go from one state to the other: Idle and Failed are left only for
// Initiating (Master) or Handshaking (Target); every running state may end in Closing, Idle or
// Failed; Closing ends in Idle.
bool sessionStateMayFollow(SessionState from, SessionState to);

// The device's one remote-desktop session, as Master (viewer) or Target (shared screen): key
// agreement through the server, the encrypted link found by the transport manager, and the
// session services on top. Idle and Failed are the resting states; every other state belongs
// to a running session. Main thread only, except state(), which the capture thread reads.
// The client and the service share it: an unattended machine is reached through the service's ID.
class SessionManager : public QObject {
    Q_OBJECT

public:
    // A Master whose partner never answers gives up after this long.
    static constexpr int kPartnerTimeoutMs = 60000;
    static constexpr quint16 kDefaultRelayPort = 9000;
    // The Target holds a captured frame back while the oldest video still in the link has
    // waited longer than this many frame intervals (see VideoSendPacer).
    static constexpr int kVideoBacklogFrames = 2;
    // A 1080p key frame takes a few hundred ms to encode and send; ask again only after that.
    static constexpr int kKeyFrameRequestRepeatMs = 1000;
    // The server's answer to a verified request for a Target that cannot verify.
    static constexpr char kNoVerifiedSessions[] = "Target does not support verified sessions";

    SessionManager(ApiClient& api, SignalingClient& signaling, QObject* parent = nullptr);
    ~SessionManager() override;

    // The device's key, secrets and pins, which verified sessions need. Without them requests
    // with a password exchange cannot be answered.
    void setTrust(SessionTrust trust) { m_trust = std::move(trust); }
    const SessionTrust& trust() const { return m_trust; }

    // Opens a verified session (the password exchange between the two devices); falls back to
    // the server-checked password only for a partner that cannot verify, and only while this
    // device accepts unverified sessions and has never seen that partner verify.
    void initiateSession(const QString& targetClientId, const QString& sessionPassword);
    // An unverified session the server let through (its password check or the user's yes to a
    // pairing-code request). relayToken: this Target's key to the session's relay, when the
    // server sent it with the request (else it comes with the answer to the acknowledgement).
    void acceptSession(const QString& sessionId, const QString& masterClientId,
                       const QString& masterEcdhPublicKey, const QString& relayToken = {});
    // The user's answer to approvalRequested.
    void approveSession(const QString& sessionId);
    void declineSession(const QString& sessionId);
    // As Master: asks the Target to share another monitor.
    void requestMonitorSwitch(int monitorIndex);
    // As Target: the monitor to share from the next session on (negative means the first).
    void setMonitorIndex(int monitorIndex);
    void endSession(const QString& reason);
    void sendInputEvent(const InputEvent& event);

    void setClipboardSharingEnabled(bool enabled);
    void setEncoderQuality(int level, const QString& preset);
    void setCaptureFrameRate(int framesPerSecond);

    SessionState state() const { return m_state.load(); }
    // Whether the last failure may pass by itself (the partner offline or out of reach), so
    // that trying again later makes sense; false for a wrong password, an unknown ID, a refusal.
    bool lastFailureMayPass() const { return m_failureMayPass; }
    SessionRole role() const { return m_role; }
    QString sessionId() const { return m_sessionId; }
    QString peerClientId() const { return m_peerClientId; }
    QString connectionMethod() const { return m_connectionMethod; }
    ChatService* chatService() const { return m_chat.get(); }
    FileTransferService* fileTransferService() const { return m_fileTransfer.get(); }
    ClipboardSharing* clipboardSharing() const { return m_clipboard.get(); }
    ScreenCaptureManager* captureManager() const { return m_captureManager.get(); }
    // Captured frames the Target held back because the link was still busy with earlier ones.
    std::uint64_t videoFramesHeldBack() const { return m_videoPacer.framesHeldBack(); }
    // The active link's round-trip time in milliseconds, when it is known (over the relay:
    // the leg to the relay node).
    std::optional<double> linkRoundTripMs() const;
    TransportManager* transportManager() const { return m_transport; }
    bool clipboardSharingEnabled() const { return m_clipboardSharingEnabled; }
    int captureFrameRate() const { return m_captureFrameRate; }
    // How long the Target goes without a key frame at most while frames flow: a partner that
    // never asks for one recovers from a lost packet after this (0: only when asked).
    void setSafetyKeyFrameInterval(int milliseconds) { m_safetyKeyFrameIntervalMs = milliseconds; }
    int encoderQualityLevel() const { return m_encoderQualityLevel; }
    QString encoderPreset() const { return m_encoderPreset; }
    std::uint32_t monitorIndex() const { return m_monitorIndex; }
    // As Target: the monitors this screen has; as Master: those the partner said it has (empty
    // from a partner that does not say).
    const std::vector<MonitorInfo>& monitors() const { return m_monitors; }
    // As Master: the partner's monitor being sent, as it said.
    int partnerMonitorIndex() const { return m_partnerMonitorIndex; }
    // Whether the current (or last) session went through the password exchange, and the six
    // digits both users can compare (empty when the partner computes none).
    bool sessionVerified() const { return m_verified; }
    QString shortAuthenticationString() const { return m_shortAuthenticationString; }
    // The partner's device key, as people read it; empty for an unverified session.
    QString partnerFingerprint() const { return m_partnerFingerprint; }
    // This device's own, from its trust.
    QString ownFingerprint() const;

    // Deployment and test hooks.
    // The relay node sessions fall back to; by default the server's host at port 9000.
    void setRelayEndpoint(const QString& host, quint16 port);
    // As Target: whose rights the partner's file requests are served with (see
    // FileTransferService::setServingUser); unset, this process's own.
    void setFileServingUser(std::function<std::optional<platform::LocalUserId>()> user) {
        m_fileServingUser = std::move(user);
    }
    // Runs on every new transport manager before it starts (P2P settings, time-outs).
    using TransportSetup = std::function<void(TransportManager&)>;
    void setTransportSetup(TransportSetup setup) { m_transportSetup = std::move(setup); }
    // Makes the Target's input backend; without one, received input is only signalled.
    using InputBackendFactory = std::function<std::unique_ptr<IInputBackend>()>;
    void setInputBackendFactory(InputBackendFactory factory) {
        m_inputBackendFactory = std::move(factory);
    }
    // The Target's screen readers: the primary one, and the one tried when it cannot start.
    void setCaptureBackends(CaptureBackendFactory primary, CaptureBackendFactory fallback) {
        m_primaryCapture = std::move(primary);
        m_fallbackCapture = std::move(fallback);
    }
    // The video codecs: the Target's encoder and the Master's decoder (AV1 unless set).
    using EncoderFactory = std::function<std::unique_ptr<IVideoEncoder>()>;
    using DecoderFactory = std::function<std::unique_ptr<IVideoDecoder>()>;
    void setVideoCodecs(EncoderFactory encoder, DecoderFactory decoder) {
        m_encoderFactory = std::move(encoder);
        m_decoderFactory = std::move(decoder);
    }
    void setPartnerTimeout(int milliseconds) { m_negotiation.setPartnerTimeout(milliseconds); }
    int partnerTimeout() const { return m_negotiation.partnerTimeout(); }

signals:
    void stateChanged(nimbral::SessionState newState);
    void frameDecoded(std::shared_ptr<nimbral::DecodedFrame> frame);
    void inputEventReceived(nimbral::InputEvent event);
    void sessionError(const QString& error);
    // A session that was connected has ended (after the state went to Idle).
    void sessionEnded(const QString& sessionId, const QString& partnerId, nimbral::SessionRole role,
                      nimbral::SessionEnd how);
    // Sealed bytes that went out or came in over the link, for the quality figures.
    void trafficCounted(qint64 bytesSent, qint64 bytesReceived);
    // A Target's encoded frame went out on the link (its frame rate, as the Master's is counted
    // from decoded frames).
    void videoFrameSent();
    // The Master's picture lost a video packet (or could not decode one): it waits for a key
    // frame. Once per loss.
    void videoLost();
    // As Master: the partner listed its monitors (monitors()), or could not switch to one.
    void partnerMonitorsListed();
    void monitorSwitchFailed(int monitorIndex);
    // The Target cannot read its screen: no picture will come.
    void partnerScreenUnavailable();
    // As Target: a Master proved the pairing code; the user decides (approveSession or
    // declineSession), after comparing the string with the partner's.
    void approvalRequested(const QString& sessionId, const QString& masterId,
                           const QString& shortAuthenticationString,
                           const QString& masterFingerprint);
    // As Master: the partner's device key is not the one it showed before; the session was
    // refused. `newKey` (raw) is what to pin if the user trusts it.
    void partnerKeyChanged(const QString& partnerId, const QString& previousFingerprint,
                           const QString& newFingerprint, const QByteArray& newKey);

public slots:
    void onSessionCreated(const nlohmann::json& data);
    void onSessionUpdated(const nlohmann::json& data);
    void onHandshakeAck(const QString& sessionId, const QString& state,
                        const QString& targetEcdhPublicKey,
                        const nlohmann::json& exchange = nlohmann::json::object());
    void onTransportEstablished(const QString& method);
    void onTransportFailed(const QString& reason);
    void onTransportData(nimbral::ChannelType channel, const QByteArray& data);
    void onClipboardDataReady(const QByteArray& data);

private:
    friend class SessionManagerTestAccess;

    void setState(SessionState next);
    void fail(const QString& error, bool mayPass = true);
    bool makeKeyPair();
    bool deriveCipher(const QString& peerKey, bool targetSide);
    void failNegotiation(const SessionNegotiation::Failure& failure, bool targetSide);
    void setupTransport();
    void onSetupError(const QString& endpoint, int statusCode, const QString& detail);
    // The verified set-up (verified_setup.cpp).
    void forgetVerification();
    void startOffer();
    void fallBackToUnverified();
    void finishOffer(const QString& targetKey, const nlohmann::json& answer);
    bool acceptPartnerKey(const std::string& deviceKey);
    void confirmToTarget(const char* secretName, const nlohmann::json& proof);
    void onPartnerApproved(const QString& sessionId, const QString& fromId);
    void onPartnerClosed(const QString& sessionId, const QString& reason);
    void admitVerified(IncomingExchanges::Admission admission);
    bool refuseUnverified(const QString& sessionId, const QString& masterClientId);
    void refuseSession(const QString& reason, const QString& message);
    void noteUnverifiedString(const QString& peerKey);
    void onIce(const QString& sessionId, SessionNegotiation::EarlyIce ice);
    void applyIce(const SessionNegotiation::EarlyIce& ice);
    void onLinkLost();
    void onPartnerTimeout();
    void startStreaming();
    void stopStreaming();
    void cleanup();

    // Seals and sends one control-channel plaintext; false when the session cannot carry it.
    bool canSend() const;
    bool sendControl(const std::vector<std::uint8_t>& plaintext, const char* encryptFailure,
                     bool warnOnEncryptFailure);
    void sendChat(const std::vector<std::uint8_t>& payload);
    // Opens a sealed message and checks its counter against the replay window.
    std::vector<std::uint8_t> open(const QByteArray& sealed, const char* failureLine);
    // Hands a control message to the handler its tag names (session_messages.cpp).
    void dispatchControl(const std::vector<std::uint8_t>& plaintext);
    void onInputMessage(const std::vector<std::uint8_t>& payload);
    void onKeyFrameRequest(const std::vector<std::uint8_t>& payload);
    void onCommandMessage(const std::vector<std::uint8_t>& payload);
    void onClipboardMessage(const std::vector<std::uint8_t>& payload);
    void onFileTransferMessage(const std::vector<std::uint8_t>& payload);
    void onChatMessage(const std::vector<std::uint8_t>& payload);
    void handleCommand(const std::string& command);
    void handleTargetCommand(const std::string& command);
    void switchMonitor(std::uint32_t monitor);
    // What the Target's screen offers: its monitors, or that it cannot be read at all.
    void announceScreen();
    void handleVideo(const std::vector<std::uint8_t>& packet);
    void startDecoder();
    bool startCapture();

    // The video path of the Target, on the main thread.
    void sendVideoPacket(const QByteArray& sealed);
    void updateVideoLinkBusy();

    ApiClient& m_api;
    SignalingClient& m_signaling;
    std::atomic<SessionState> m_state{SessionState::Idle};
    SessionRole m_role = SessionRole::None;
    QString m_sessionId;
    QString m_peerClientId;
    QString m_connectionMethod;
    SessionNegotiation m_negotiation{kPartnerTimeoutMs};
    QElapsedTimer m_lastReplayWarning;
    QPointer<TransportManager> m_transport;
    std::unique_ptr<ScreenCaptureManager> m_captureManager;
    std::unique_ptr<IVideoEncoder> m_encoder;
    std::unique_ptr<FrameConverter> m_converter;
    std::unique_ptr<IVideoDecoder> m_decoder;
    QElapsedTimer m_keyFrameAskedAt; // invalid while the pictures decode
    bool m_saidItAsksForKeyFrames = false;
    // The picture last shown: a still Target repeats its last one, which needs no second drawing.
    std::shared_ptr<DecodedFrame> m_lastPicture;
    std::unique_ptr<InputForwarder> m_inputForwarder;
    std::unique_ptr<ClipboardSharing> m_clipboard;
    bool m_clipboardSharingEnabled = true;
    std::unique_ptr<FileTransferService> m_fileTransfer;
    std::unique_ptr<ChatService> m_chat;
    int m_captureFrameRate = 10;
    int m_encoderQualityLevel = 45;
    int m_safetyKeyFrameIntervalMs = 10000;
    // Read by the capture thread's frame sink.
    std::atomic<bool> m_partnerAsksForKeyFrames{false};
    QString m_encoderPreset = QStringLiteral("13"); // as the settings store gives it
    std::uint32_t m_monitorIndex = 0;
    std::vector<MonitorInfo> m_monitors;
    bool m_screenUnreadable = false; // the Target found no way to read its screen
    int m_partnerMonitorIndex = 0;

    SessionTrust m_trust;
    std::unique_ptr<PasswordExchange> m_exchange; // as Master, while the exchange runs
    QString m_typedPassword;                      // as Master, until the exchange is settled
    quint64 m_attempt = 0;                        // tells a stale background result from ours
    bool m_awaitingApproval = false;              // as Master: the Target's user decides
    // As Master: the Target's refusal can overtake the reply that names our session.
    std::optional<std::pair<QString, QString>> m_earlyClose; // session ID, reason
    bool m_verified = false;
    bool m_failureMayPass = true;
    QString m_shortAuthenticationString;
    QString m_partnerFingerprint;
    std::unique_ptr<IncomingExchanges> m_incoming;

    QString m_relayHost;
    quint16 m_relayPort = kDefaultRelayPort;
    QString m_relayToken; // this party's key to the current session's relay
    std::function<std::optional<platform::LocalUserId>()> m_fileServingUser;
    TransportSetup m_transportSetup;
    InputBackendFactory m_inputBackendFactory;
    CaptureBackendFactory m_primaryCapture;
    CaptureBackendFactory m_fallbackCapture;
    EncoderFactory m_encoderFactory;
    DecoderFactory m_decoderFactory;
    VideoSendPacer m_videoPacer;
};

} // namespace nimbral

Q_DECLARE_METATYPE(nimbral::SessionState)
Q_DECLARE_METATYPE(nimbral::SessionEnd)
Q_DECLARE_METATYPE(nimbral::SessionRole)
Q_DECLARE_METATYPE(std::shared_ptr<nimbral::DecodedFrame>)
Q_DECLARE_METATYPE(nimbral::InputEvent)
