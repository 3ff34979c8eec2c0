#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <QByteArray>

namespace nimbral {

class AesGcmCipher;
class FrameConverter;
class IVideoEncoder;
class VideoSendPacer;
struct CapturedFrame;
struct EncodedPacket;

// The Target's work on every captured frame, run on the capture thread: convert to NV12,
// encode (re-initialising the encoder when the size changes), seal, and hand the sealed packet
// on (to the session's thread, which sends it). While the link is still busy with earlier video the
// frame waits here, before it is encoded: the capture rate drops to what the link carries, the
// picture stays current, and every encoded frame is sent, so the decoder's references stay
// whole without extra key frames. Holds non-owning pointers: the session stops the capture before
// it destroys them.
class FrameSink {
public:
    struct Settings {
        int framesPerSecond = 10;
        int qualityLevel = 45;
        std::string preset = "8";
        // A partner that never asks for key frames still recovers from a lost packet: a key
        // frame goes when none went out for this long (0: never).
        int safetyKeyframeIntervalMs = 10000;
    };

    // Where frames go: whether the session still carries video, whether the partner asks for
    // the key frames it needs (no safety key frames then), the pacer to wait on, and the
    // hand-over of a sealed packet (called on the capture thread).
    struct Output {
        std::function<bool()> sessionLive;
        std::function<bool()> partnerAsksForKeyFrames;
        VideoSendPacer* pacer = nullptr;
        std::function<void(QByteArray sealed)> send;
    };

    FrameSink(Output output, IVideoEncoder* encoder, FrameConverter* converter,
              AesGcmCipher* cipher, Settings settings);

    void operator()(const std::shared_ptr<CapturedFrame>& frame);

private:
    // Converts and encodes (re-initialising the encoder for a new size); empty on failure.
    std::unique_ptr<EncodedPacket> encodeFrame(const CapturedFrame& frame, int width, int height);

    Output m_output;
    IVideoEncoder* m_encoder;
    FrameConverter* m_converter;
    AesGcmCipher* m_cipher;
    Settings m_settings;
    // A key frame the capture asked for (a Master's request, a switch) and not yet sent: a
    // frame dropped here (held back, cropped to nothing, encoder not ready) passes it on.
    bool m_keyframeOwed = false;
    std::optional<std::chrono::steady_clock::time_point> m_lastKeyframeAt;
    // Reused while the size stays; the sink is copied into the capture manager once.
    std::shared_ptr<std::vector<std::uint8_t>> m_nv12;
    // The frame last encoded: the capture hands a still screen's last frame over again as the
    // same object, and that repetition is encoded as "unchanged".
    std::weak_ptr<const CapturedFrame> m_lastEncoded;
};

} // namespace nimbral
