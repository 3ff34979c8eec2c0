#include "codec/av1_decoder.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>

#include <dav1d/dav1d.h>
#include <spdlog/spdlog.h>

namespace nimbral {

namespace {

constexpr int kTryAgain = DAV1D_ERR(EAGAIN);

// dav1d writes its complaints about a broken stream to stderr, a line per bad unit: a peer that
// sends garbage would fill the viewer's terminal or journal. They go to the debug log instead.
void logFromDav1d(void*, const char* format, va_list arguments) {
    if (!spdlog::should_log(spdlog::level::debug)) {
        return;
    }
    char line[512];
    std::vsnprintf(line, sizeof line, format, arguments);
    std::string text(line);
    while (!text.empty() && text.back() == '\n') {
        text.pop_back();
    }
    spdlog::debug("dav1d: {}", text);
}

// The picture as one NV12 frame: the luma plane, then U and V interleaved.
std::unique_ptr<DecodedFrame> nv12Copy(const Dav1dPicture& picture, std::int64_t timestamp) {
    const int w = picture.p.w;
    const int h = picture.p.h;
    // 4:2:0 rounds the chroma plane up: an odd width still has its last column's colour.
    const int chromaWidth = (w + 1) / 2;
    const int chromaHeight = (h + 1) / 2;
    auto frame = std::make_unique<DecodedFrame>();
    frame->width = w;
    frame->height = h;
    frame->yStride = w;
    frame->uvStride = 2 * chromaWidth;
    frame->timestamp = timestamp;
    frame->yPlane.resize(static_cast<std::size_t>(w) * h);
    frame->uvPlane.assign(static_cast<std::size_t>(frame->uvStride) * chromaHeight, 0);
    const auto* luma = static_cast<const std::uint8_t*>(picture.data[0]);
    for (int row = 0; row < h; ++row) {
        std::memcpy(frame->yPlane.data() + static_cast<std::size_t>(row) * w,
                    luma + row * picture.stride[0], static_cast<std::size_t>(w));
    }
    const auto* u = static_cast<const std::uint8_t*>(picture.data[1]);
    const auto* v = static_cast<const std::uint8_t*>(picture.data[2]);
    for (int r = 0; r < chromaHeight; ++r) {
        std::uint8_t* out = frame->uvPlane.data() + static_cast<std::size_t>(r) * frame->uvStride;
        const std::uint8_t* uRow = u + r * picture.stride[1];
        const std::uint8_t* vRow = v + r * picture.stride[1];
        for (int c = 0; c < chromaWidth; ++c) {
            out[2 * c] = uRow[c];
            out[2 * c + 1] = vRow[c];
        }
    }
    return frame;
}

} // namespace

AV1Decoder::~AV1Decoder() {
    close();
}

void AV1Decoder::close() {
    if (m_context != nullptr) {
        dav1d_close(&m_context);
        m_context = nullptr;
    }
}

bool AV1Decoder::initialize(std::int32_t width, std::int32_t height) {
    close();
    m_initialized = false;
    m_expectedWidth = width;
    m_expectedHeight = height;
    m_needsKeyFrame = false;
    m_lastOrderHint = -1;

    Dav1dSettings settings;
    dav1d_default_settings(&settings);
    settings.n_threads = 0;
    settings.max_frame_delay = 1;
    settings.frame_size_limit = m_maxFramePixels; // also bounds sizes a frame header overrides
    settings.logger.cookie = nullptr;
    settings.logger.callback = logFromDav1d;
    const int result = dav1d_open(&m_context, &settings);
    if (result < 0) {
        m_context = nullptr;
        spdlog::error("AV1Decoder: dav1d_open failed (error {})", result);
        return false;
    }
    m_initialized = true;
    spdlog::info("AV1Decoder: initialized using dav1d (expected {}x{})", width, height);
    return true;
}

void AV1Decoder::noteBroken(const char* reason) {
    if (!m_needsKeyFrame) {
        spdlog::warn("AV1Decoder: {}: pictures wait for the next key frame", reason);
    }
    m_needsKeyFrame = true;
    m_lastOrderHint = -1;
}

// Each shown picture's order hint is the previous one's plus one, modulo 2^bits; a key frame
// starts the count afresh. A jump means a picture in between never arrived.
void AV1Decoder::noteOrderHint(bool keyFrame, int orderHint, int orderHintBits) {
    if (keyFrame) {
        m_needsKeyFrame = false;
        m_lastOrderHint = orderHint;
        return;
    }
    if (orderHintBits <= 0) {
        return; // a stream without order hints cannot tell
    }
    const int expected = (m_lastOrderHint + 1) & ((1 << orderHintBits) - 1);
    if (m_lastOrderHint >= 0 && orderHint != expected) {
        noteBroken("a video packet was lost");
    }
    if (!m_needsKeyFrame) {
        m_lastOrderHint = orderHint;
    }
}

void AV1Decoder::shutdown() {
    close();
    m_initialized = false;
}

bool AV1Decoder::submit(const std::uint8_t* data, std::uint64_t size) {
    Dav1dData packet{};
    std::uint8_t* buffer = dav1d_data_create(&packet, size);
    if (buffer == nullptr) {
        spdlog::error("AV1Decoder: dav1d_data_create failed");
        return false;
    }
    std::memcpy(buffer, data, size);
    const int sent = dav1d_send_data(m_context, &packet);
    if (sent < 0 && sent != kTryAgain) {
        spdlog::error("AV1Decoder: dav1d_send_data failed (error {})", sent);
        dav1d_data_unref(&packet);
        noteBroken("a video packet could not be decoded");
        return false;
    }
    // On "try again" the decoder keeps nothing of this packet; it is dropped here, and only a
    // key frame brings the picture back.
    if (packet.sz > 0) {
        dav1d_data_unref(&packet);
        noteBroken("a video packet was dropped by a full decoder");
    }

    return true;
}

std::unique_ptr<DecodedFrame> AV1Decoder::decode(const std::uint8_t* data, std::uint64_t size,
                                                 std::int64_t timestamp) {
    if (!m_initialized) {
        spdlog::error("AV1Decoder: decode called before initialization");
        return nullptr;
    }
    if (data == nullptr || size == 0) {
        spdlog::warn("AV1Decoder: empty input data");
        return nullptr;
    }

    // A sequence header states the largest picture of the stream that follows: refuse it here
    // with a reason, rather than as one of dav1d's errors later.
    Dav1dSequenceHeader sequence{};
    if (dav1d_parse_sequence_header(&sequence, data, size) == 0 &&
        static_cast<std::uint64_t>(sequence.max_width) * sequence.max_height > m_maxFramePixels) {
        spdlog::warn("AV1Decoder: refusing a stream of {}x{}, above the limit of {} pixels",
                     sequence.max_width, sequence.max_height, m_maxFramePixels);
        return nullptr;
    }

    if (!submit(data, size)) {
        return nullptr;
    }
    Dav1dPicture picture{};
    const int got = dav1d_get_picture(m_context, &picture);
    if (got == kTryAgain) {
        spdlog::debug("AV1Decoder: decoder needs more data (EAGAIN)");
        return nullptr;
    }
    if (got < 0) {
        spdlog::error("AV1Decoder: dav1d_get_picture failed (error {})", got);
        noteBroken("a video packet could not be decoded");
        return nullptr;
    }
    if (picture.frame_hdr != nullptr && picture.seq_hdr != nullptr) {
        noteOrderHint(picture.frame_hdr->frame_type == DAV1D_FRAME_TYPE_KEY,
                      picture.frame_hdr->frame_offset,
                      picture.seq_hdr->order_hint ? picture.seq_hdr->order_hint_n_bits : 0);
    }
    if (picture.p.bpc != 8 || picture.p.layout != DAV1D_PIXEL_LAYOUT_I420) {
        spdlog::error("AV1Decoder: unsupported pixel format (layout={}, bpc={})",
                      static_cast<int>(picture.p.layout), picture.p.bpc);
        dav1d_picture_unref(&picture);
        return nullptr;
    }

    auto frame = nv12Copy(picture, timestamp);
    dav1d_picture_unref(&picture);
    spdlog::trace("AV1Decoder: decoded frame {}x{} ({} + {} bytes)", frame->width, frame->height,
                  frame->yPlane.size(), frame->uvPlane.size());
    return frame;
}

} // namespace nimbral
