#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace nimbral {

struct EncoderConfig {
    std::int32_t width = 1920;
    std::int32_t height = 1080;
    std::int32_t fps = 10;
    std::int32_t bitrateKbps = 500; // upper bound in constrained-quality mode
    // Frames between key frames the encoder inserts on its own; 0: none. The viewer asks for a
    // key frame when a packet is lost, so a periodic one only costs bytes (a 1080p desktop key
    // frame is a quarter of a megabyte, sixty frames of typing a few hundred bytes).
    std::int32_t keyframeInterval = 0;
    std::int32_t cqLevel = 45; // used clamped to 0..63
    std::string preset = "8";  // a number or a name; see AV1Encoder
};

struct EncodedPacket {
    std::vector<std::uint8_t> data;
    std::int64_t timestamp = 0; // the caller's, passed through
    bool isKeyframe = false;
    std::int64_t pts = 0;
    std::int64_t dts = 0;
};

// Compresses NV12 frames, one packet per frame. Not thread-safe: one thread drives it.
class IVideoEncoder {
public:
    virtual ~IVideoEncoder() = default;
    virtual bool initialize(const EncoderConfig& config) = 0;
    virtual void shutdown() = 0;
    // nv12: Y plane (stride width), then the interleaved UV plane at width * height. Empty when
    // nothing came out (not an error) or on failure (logged).
    virtual std::unique_ptr<EncodedPacket> encode(const std::uint8_t* nv12, std::int32_t width,
                                                  std::int32_t height, std::int64_t timestamp,
                                                  bool forceKeyframe) = 0;
    // The last frame once more, unchanged: a picture that decodes to exactly the previous one.
    // Empty when there was no previous frame, or where the codec cannot say it (then the caller
    // encodes the frame as usual).
    virtual std::unique_ptr<EncodedPacket> encodeUnchanged(std::int64_t timestamp) {
        (void)timestamp;
        return nullptr;
    }
    virtual bool isInitialized() const = 0;
    virtual void updateBitrate(std::int32_t kbps) = 0;
    virtual std::pair<std::int32_t, std::int32_t> configuredSize() const = 0;
};

} // namespace nimbral
