#pragma once

#include "codec/video_decoder.h"

struct Dav1dContext;

namespace nimbral {

// AV1 through dav1d in low-latency mode: one packet in, at most one picture out.
// The picture size comes from the peer's stream: a stream announcing more than
// kMaxFramePixels (an 8K screen, 8192x4320, still decodes) is refused before it allocates.
class AV1Decoder final : public IVideoDecoder {
public:
    static constexpr std::uint32_t kMaxFramePixels = 8192u * 4320u;

    explicit AV1Decoder(std::uint32_t maxFramePixels = kMaxFramePixels)
        : m_maxFramePixels(maxFramePixels) {}
    ~AV1Decoder() override;
    AV1Decoder(const AV1Decoder&) = delete;
    AV1Decoder& operator=(const AV1Decoder&) = delete;

    // The size is only what the caller expects (it appears in the log); 0x0 is fine.
    bool initialize(std::int32_t width, std::int32_t height) override;
    void shutdown() override;
    std::unique_ptr<DecodedFrame> decode(const std::uint8_t* data, std::uint64_t size,
                                         std::int64_t timestamp) override;
    bool isInitialized() const override { return m_initialized; }
    bool needsKeyFrame() const override { return m_needsKeyFrame; }

private:
    void close();
    // Hands one packet to dav1d; false when it refused it (the stream is then broken).
    bool submit(const std::uint8_t* data, std::uint64_t size);
    void noteBroken(const char* reason);
    void noteOrderHint(bool keyFrame, int orderHint, int orderHintBits);

    std::uint32_t m_maxFramePixels;
    Dav1dContext* m_context = nullptr;
    std::int32_t m_expectedWidth = 0;
    std::int32_t m_expectedHeight = 0;
    bool m_initialized = false;
    bool m_needsKeyFrame = false;
    int m_lastOrderHint = -1; // of the last picture; -1 before the first or after a break
};

} // namespace nimbral
