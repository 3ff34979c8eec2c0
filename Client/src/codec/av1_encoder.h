#pragma once

#include <vector>

#include <aom/aom_encoder.h>
#include <aom/aom_image.h>

#include "codec/video_encoder.h"

namespace nimbral {

// AV1 through libaom, tuned for screen streaming: real-time usage with no look-ahead, one packet
// per frame, constrained quality, error-resilient bitstream, screen-content tools (palette), row
// multithreading over all cores and a 4x2 tile grid. The colour range is signalled as full, as
// the converter produces it.
class AV1Encoder final : public IVideoEncoder {
public:
    AV1Encoder() = default;
    ~AV1Encoder() override;
    AV1Encoder(const AV1Encoder&) = delete;
    AV1Encoder& operator=(const AV1Encoder&) = delete;

    bool initialize(const EncoderConfig& config) override;
    void shutdown() override;
    std::unique_ptr<EncodedPacket> encode(const std::uint8_t* nv12, std::int32_t width,
                                          std::int32_t height, std::int64_t timestamp,
                                          bool forceKeyframe) override;
    std::unique_ptr<EncodedPacket> encodeUnchanged(std::int64_t timestamp) override;
    bool isInitialized() const override { return m_initialized; }
    void updateBitrate(std::int32_t kbps) override;
    std::pair<std::int32_t, std::int32_t> configuredSize() const override {
        return {m_config.width, m_config.height};
    }

    // "8" -> 6, "13" -> 10, "-3" -> 0, "medium" -> 6, anything unknown -> 8.
    static int speedForPreset(const std::string& preset);
    std::uint64_t frameIndex() const { return m_frameIndex; }

private:
    // The encoder's reconstruction of its last frame, as the next frame's source.
    bool loadLastPicture();
    // The next frame refers to the picture before and to the last key frame only.
    bool useTwoReferences();
    void release();
    // The speed and screen-content controls of an open codec.
    void applyScreenControls(int speed, int cqLevel);
    std::unique_ptr<EncodedPacket> compress(std::int64_t timestamp, aom_enc_frame_flags_t flags);

    aom_codec_ctx_t m_codec{};
    aom_image_t m_image{};
    aom_codec_enc_cfg_t m_encoderConfig{};
    bool m_codecOpen = false;
    bool m_imageAllocated = false;
    EncoderConfig m_config;
    std::uint64_t m_frameIndex = 0;
    std::vector<unsigned char> m_inactiveMap; // one entry per 16x16 block, all 0
    bool m_initialized = false;
};

} // namespace nimbral
