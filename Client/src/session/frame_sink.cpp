#include "session/frame_sink.h"

#include <QByteArray>
#include <spdlog/spdlog.h>

#include "capture/captured_frame.h"
#include "codec/frame_converter.h"
#include "codec/video_encoder.h"
#include "crypto/aes_gcm_cipher.h"
#include "session/video_send_pacer.h"

namespace nimbral {

FrameSink::FrameSink(Output output, IVideoEncoder* encoder, FrameConverter* converter,
                     AesGcmCipher* cipher, Settings settings)
    : m_output(std::move(output))
    , m_encoder(encoder)
    , m_converter(converter)
    , m_cipher(cipher)
    , m_settings(std::move(settings))
    , m_nv12(std::make_shared<std::vector<std::uint8_t>>()) {
}

void FrameSink::operator()(const std::shared_ptr<CapturedFrame>& frame) {
    if (!frame) {
        return;
    }
    m_keyframeOwed = m_keyframeOwed || frame->isKeyframe;
    const auto now = std::chrono::steady_clock::now();
    const bool partnerAsks = m_output.partnerAsksForKeyFrames && m_output.partnerAsksForKeyFrames();
    if (m_settings.safetyKeyframeIntervalMs > 0 && !partnerAsks && m_lastKeyframeAt &&
        now - *m_lastKeyframeAt >= std::chrono::milliseconds(m_settings.safetyKeyframeIntervalMs)) {
        m_keyframeOwed = true;
    }
    if (m_encoder == nullptr || m_converter == nullptr || m_cipher == nullptr ||
        m_output.pacer == nullptr || !m_output.sessionLive || !m_output.sessionLive()) {
        return;
    }
    if (!m_output.pacer->waitForLink()) {
        return;
    }
    // NV12 halves both dimensions for colour: an odd last row or column is left out.
    const int width = frame->width & ~1;
    const int height = frame->height & ~1;
    if (width < 2 || height < 2 || frame->stride < frame->width * 4 ||
        frame->data.size() < static_cast<std::size_t>(frame->stride) * frame->height) {
        return;
    }
    std::unique_ptr<EncodedPacket> packet;
    // The same object again: the encoder was set up for it, and its last input is this frame.
    if (!m_keyframeOwed && m_lastEncoded.lock() == frame) {
        packet = m_encoder->encodeUnchanged(frame->timestamp);
    }
    if (!packet) {
        packet = encodeFrame(*frame, width, height);
    }
    if (!packet || packet->data.empty()) {
        return;
    }
    const std::vector<std::uint8_t> sealed = m_cipher->encrypt(packet->data);
    if (sealed.empty()) {
        return;
    }
    m_keyframeOwed = m_keyframeOwed && !packet->isKeyframe;
    if (packet->isKeyframe) {
        m_lastKeyframeAt = now;
    }
    m_lastEncoded = frame;
    m_output.send(QByteArray(reinterpret_cast<const char*>(sealed.data()),
                             static_cast<qsizetype>(sealed.size())));
}

std::unique_ptr<EncodedPacket> FrameSink::encodeFrame(const CapturedFrame& frame, int width,
                                                      int height) {
    m_nv12->resize(static_cast<std::size_t>(width) * height * 3 / 2);
    m_converter->convert(frame.data.data(), width, height, frame.stride, m_nv12->data(),
                         m_nv12->size());
    if (m_encoder->isInitialized()) {
        const auto [configuredWidth, configuredHeight] = m_encoder->configuredSize();
        if (configuredWidth != width || configuredHeight != height) {
            spdlog::info("Frame resolution changed ({}x{} -> {}x{}), reinitializing encoder",
                         configuredWidth, configuredHeight, width, height);
            m_encoder->shutdown();
        }
    }
    if (!m_encoder->isInitialized()) {
        EncoderConfig config;
        config.width = width;
        config.height = height;
        config.fps = m_settings.framesPerSecond;
        config.cqLevel = m_settings.qualityLevel;
        config.preset = m_settings.preset;
        if (!m_encoder->initialize(config)) {
            spdlog::error("Failed to initialize AV1 encoder ({}x{})", width, height);
            return nullptr;
        }
    }
    return m_encoder->encode(m_nv12->data(), width, height, frame.timestamp, m_keyframeOwed);
}

} // namespace nimbral
