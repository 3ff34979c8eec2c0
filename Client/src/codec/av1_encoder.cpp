#include "codec/av1_encoder.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <map>
#include <thread>

#include <aom/aomcx.h>
#include <spdlog/spdlog.h>

namespace nimbral {

namespace {

// libaom 3.6 treats 0 threads as one, not as "all": use every core for row multithreading.
unsigned encoderThreads() {
    return std::max(1u, std::thread::hardware_concurrency());
}

} // namespace

AV1Encoder::~AV1Encoder() {
    release();
}

int AV1Encoder::speedForPreset(const std::string& preset) {
    errno = 0;
    char* end = nullptr;
    const long long value = std::strtoll(preset.c_str(), &end, 10);
    if (end != preset.c_str() && errno == 0 && value >= INT32_MIN && value <= INT32_MAX) {
        return std::clamp(static_cast<int>(value * 10 / 13), 0, 10);
    }
    static const std::map<std::string, int> named = {
        {"ultrafast", 10}, {"superfast", 10}, {"veryfast", 9}, {"faster", 9},
        {"fast", 8},       {"medium", 6},     {"slow", 4},     {"veryslow", 1},
    };
    const auto it = named.find(preset);
    return it == named.end() ? 8 : it->second;
}

void AV1Encoder::release() {
    if (m_imageAllocated) {
        aom_img_free(&m_image);
        m_imageAllocated = false;
    }
    if (m_codecOpen) {
        aom_codec_destroy(&m_codec);
        m_codecOpen = false;
    }
}

bool AV1Encoder::initialize(const EncoderConfig& config) {
    release();
    m_frameIndex = 0;
    m_initialized = false;
    m_config = config;

    const int speed = speedForPreset(config.preset);
    aom_codec_iface_t* iface = aom_codec_av1_cx();
    if (iface == nullptr) {
        spdlog::error("AV1Encoder: aom_codec_av1_cx() returned null");
        return false;
    }
    // Real-time usage: good-quality usage spends seconds on a 1080p key frame here.
    const aom_codec_err_t defaults =
        aom_codec_enc_config_default(iface, &m_encoderConfig, AOM_USAGE_REALTIME);
    if (defaults != AOM_CODEC_OK) {
        spdlog::error("AV1Encoder: aom_codec_enc_config_default failed: {}",
                      aom_codec_err_to_string(defaults));
        return false;
    }
    m_encoderConfig.g_w = static_cast<unsigned>(config.width);
    m_encoderConfig.g_h = static_cast<unsigned>(config.height);
    m_encoderConfig.g_timebase.num = 1;
    m_encoderConfig.g_timebase.den = std::max(1, config.fps);
    m_encoderConfig.rc_target_bitrate = static_cast<unsigned>(std::max(1, config.bitrateKbps));
    m_encoderConfig.rc_end_usage = AOM_CQ;
    m_encoderConfig.kf_min_dist = 0;
    if (config.keyframeInterval > 0) {
        m_encoderConfig.kf_max_dist = static_cast<unsigned>(config.keyframeInterval);
    } else {
        m_encoderConfig.kf_mode = AOM_KF_DISABLED; // key frames only when forced
    }
    m_encoderConfig.g_threads = encoderThreads();
    m_encoderConfig.g_pass = AOM_RC_ONE_PASS;
    m_encoderConfig.g_lag_in_frames = 0;
    // Each frame takes its entropy tables from the one before. Error-resilient frames start from
    // the defaults every time, which nearly doubled a typed character's delta at 1080p (127
    // bytes instead of 70) and bought nothing here: a delta needs the picture before it anyway,
    // and a lost one is found by its order hint and repaired by a key frame.
    m_encoderConfig.g_error_resilient = 0;

    const aom_codec_err_t opened = aom_codec_enc_init(&m_codec, iface, &m_encoderConfig, 0);
    if (opened != AOM_CODEC_OK) {
        spdlog::error("AV1Encoder: aom_codec_enc_init failed: {}", aom_codec_err_to_string(opened));
        return false;
    }
    m_codecOpen = true;

    const int cqLevel = std::clamp(config.cqLevel, 0, 63);
    applyScreenControls(speed, cqLevel);

    if (aom_img_alloc(&m_image, AOM_IMG_FMT_I420, static_cast<unsigned>(config.width),
                      static_cast<unsigned>(config.height), 16) == nullptr) {
        spdlog::error("AV1Encoder: aom_img_alloc failed for {}x{}", config.width, config.height);
        release();
        return false;
    }
    m_imageAllocated = true;
    m_image.range = AOM_CR_FULL_RANGE;
    m_frameIndex = 0;
    m_initialized = true;
    spdlog::info("AV1Encoder: initialized ({}x{} @ {} fps, CQ {}, bitrate {} kbps, cpu-used={})",
                 config.width, config.height, config.fps, cqLevel, config.bitrateKbps, speed);
    return true;
}

void AV1Encoder::applyScreenControls(int speed, int cqLevel) {
    aom_codec_control(&m_codec, AOME_SET_CPUUSED, speed);
    aom_codec_control(&m_codec, AOME_SET_CQ_LEVEL, cqLevel);
    aom_codec_control(&m_codec, AV1E_SET_ROW_MT, 1);
    // Two columns by two rows: four tiles keep both cores of a small machine busy on a key frame;
    // more columns cost bytes without saving time there.
    aom_codec_control(&m_codec, AV1E_SET_TILE_COLUMNS, 1);
    aom_codec_control(&m_codec, AV1E_SET_TILE_ROWS, 1);
    aom_codec_control(&m_codec, AV1E_SET_TUNE_CONTENT, AOM_CONTENT_SCREEN);
    aom_codec_control(&m_codec, AV1E_SET_ENABLE_PALETTE, 1);
    aom_codec_control(&m_codec, AV1E_SET_COLOR_RANGE, AOM_CR_FULL_RANGE);
    // Tools whose search a 1080p key frame pays for on every block while desktop pictures gain
    // next to nothing from them (palette does the work on text): intra block copy alone took a
    // third of a key frame's time, CDEF's search a large part of the slowest deltas, and the
    // directional intra modes more than half of what was left (at cpu-used 10 a 1080p key frame
    // took 170-200 ms with them, 60-80 ms without, within 1% of the bytes and at the same PSNR
    // on desktop and on photo-like pictures).
    aom_codec_control(&m_codec, AV1E_SET_ENABLE_INTRABC, 0);
    aom_codec_control(&m_codec, AV1E_SET_ENABLE_DIRECTIONAL_INTRA, 0);
    aom_codec_control(&m_codec, AV1E_SET_ENABLE_CDEF, 0);
    aom_codec_control(&m_codec, AV1E_SET_ENABLE_FILTER_INTRA, 0);
    aom_codec_control(&m_codec, AV1E_SET_ENABLE_SMOOTH_INTRA, 0);
    aom_codec_control(&m_codec, AV1E_SET_ENABLE_PAETH_INTRA, 0);
    aom_codec_control(&m_codec, AV1E_SET_ENABLE_CFL_INTRA, 0);
    aom_codec_control(&m_codec, AV1E_SET_ENABLE_TPL_MODEL, 0);
    aom_codec_control(&m_codec, AV1E_SET_DELTAQ_MODE, 0);
    aom_codec_control(&m_codec, AV1E_SET_ENABLE_RESTORATION, 0);
    // Rate tables refreshed once per tile instead of per superblock row: half the time of a
    // small delta at 1080p, the same bytes.
    aom_codec_control(&m_codec, AV1E_SET_COEFF_COST_UPD_FREQ, 2);
    aom_codec_control(&m_codec, AV1E_SET_MODE_COST_UPD_FREQ, 2);
    aom_codec_control(&m_codec, AV1E_SET_MV_COST_UPD_FREQ, 2);
}

void AV1Encoder::shutdown() {
    release();
    m_frameIndex = 0;
    m_initialized = false;
}

std::unique_ptr<EncodedPacket> AV1Encoder::encode(const std::uint8_t* nv12, std::int32_t width,
                                                  std::int32_t height, std::int64_t timestamp,
                                                  bool forceKeyframe) {
    if (!m_initialized) {
        spdlog::error("AV1Encoder: encode called before initialization");
        return nullptr;
    }
    if (width != m_config.width || height != m_config.height) {
        spdlog::error("AV1Encoder: frame dimensions {}x{} do not match configured {}x{}", width,
                      height, m_config.width, m_config.height);
        return nullptr;
    }
    if (nv12 == nullptr) {
        spdlog::error("AV1Encoder: encode called without a frame");
        return nullptr;
    }

    for (int row = 0; row < height; ++row) {
        std::memcpy(m_image.planes[AOM_PLANE_Y] +
                        static_cast<std::ptrdiff_t>(row) * m_image.stride[AOM_PLANE_Y],
                    nv12 + static_cast<std::size_t>(row) * width, static_cast<std::size_t>(width));
    }
    const std::uint8_t* uvPlane = nv12 + static_cast<std::size_t>(width) * height;
    for (int r = 0; r < height / 2; ++r) {
        const std::uint8_t* uvRow = uvPlane + static_cast<std::size_t>(r) * width;
        std::uint8_t* uRow = m_image.planes[AOM_PLANE_U] +
                             static_cast<std::ptrdiff_t>(r) * m_image.stride[AOM_PLANE_U];
        std::uint8_t* vRow = m_image.planes[AOM_PLANE_V] +
                             static_cast<std::ptrdiff_t>(r) * m_image.stride[AOM_PLANE_V];
        for (int c = 0; c < width / 2; ++c) {
            uRow[c] = uvRow[2 * c];
            vRow[c] = uvRow[2 * c + 1];
        }
    }

    return compress(timestamp, forceKeyframe ? AOM_EFLAG_FORCE_KF : 0);
}

std::unique_ptr<EncodedPacket> AV1Encoder::encodeUnchanged(std::int64_t timestamp) {
    if (!m_initialized || m_frameIndex == 0) {
        return nullptr;
    }
    // Every block inactive and no loop filter: each block becomes a skipped copy of the previous
    // picture, so the encoder does almost no work. Both settings hold for this frame only. The
    // source is the encoder's own last picture, not the captured one: libaom still codes a block
    // now and then, and from this source it codes nothing new, so the decoder's picture stays
    // bit for bit what it was.
    if (!loadLastPicture()) {
        return nullptr;
    }
    aom_active_map_t map{};
    map.rows = static_cast<unsigned>((m_config.height + 15) / 16);
    map.cols = static_cast<unsigned>((m_config.width + 15) / 16);
    m_inactiveMap.assign(static_cast<std::size_t>(map.rows) * map.cols, 0);
    map.active_map = m_inactiveMap.data();
    if (aom_codec_control(&m_codec, AOME_SET_ACTIVEMAP, &map) != AOM_CODEC_OK) {
        return nullptr;
    }
    aom_codec_control(&m_codec, AV1E_SET_LOOPFILTER_CONTROL, 0);
    std::unique_ptr<EncodedPacket> packet = compress(timestamp, 0);
    aom_codec_control(&m_codec, AV1E_SET_LOOPFILTER_CONTROL, 1);
    map.active_map = nullptr; // every block active again
    aom_codec_control(&m_codec, AOME_SET_ACTIVEMAP, &map);
    return packet;
}

bool AV1Encoder::loadLastPicture() {
    aom_image_t last{};
    if (aom_codec_control(&m_codec, AV1_GET_NEW_FRAME_IMAGE, &last) != AOM_CODEC_OK ||
        last.fmt != m_image.fmt || last.d_w != m_image.d_w || last.d_h != m_image.d_h) {
        return false;
    }
    for (int plane = 0; plane < 3; ++plane) {
        const unsigned width = plane == 0 ? last.d_w : (last.d_w + 1) / 2;
        const unsigned height = plane == 0 ? last.d_h : (last.d_h + 1) / 2;
        for (unsigned row = 0; row < height; ++row) {
            std::memcpy(
                m_image.planes[plane] + static_cast<std::ptrdiff_t>(row) * m_image.stride[plane],
                last.planes[plane] + static_cast<std::ptrdiff_t>(row) * last.stride[plane], width);
        }
    }
    return true;
}

bool AV1Encoder::useTwoReferences() {
    // Slot 0 holds LAST, the picture before, and every frame replaces it; slot 1 holds GOLDEN,
    // the last key frame (a key frame fills every slot). libaom's real-time default rotates LAST
    // through six slots for a lagging ALTREF: at 1080p that kept about 29 MiB more pictures
    // alive here, and as many in the viewer's decoder, and on desktop content (typing,
    // scrolling, a video window) it cost as many bytes or more.
    // The references left unused name GOLDEN's slot too: naming the slot a frame replaces, they
    // made libaom take each frame for an ALTREF update and spend a boosted quality on it.
    aom_svc_ref_frame_config_t references{};
    std::fill(std::begin(references.ref_idx), std::end(references.ref_idx), 1);
    references.ref_idx[0] = 0;
    references.reference[0] = 1; // LAST
    references.reference[3] = 1; // GOLDEN
    references.refresh[0] = 1;
    return aom_codec_control(&m_codec, AV1E_SET_SVC_REF_FRAME_CONFIG, &references) == AOM_CODEC_OK;
}

std::unique_ptr<EncodedPacket> AV1Encoder::compress(std::int64_t timestamp,
                                                    aom_enc_frame_flags_t flags) {
    if (m_frameIndex > 0 && !useTwoReferences()) {
        spdlog::error("AV1Encoder: setting the reference frames failed");
        return nullptr;
    }
    const aom_codec_err_t result =
        aom_codec_encode(&m_codec, &m_image, static_cast<aom_codec_pts_t>(m_frameIndex), 1, flags);
    if (result != AOM_CODEC_OK) {
        spdlog::error("AV1Encoder: aom_codec_encode failed: {}", aom_codec_err_to_string(result));
        return nullptr;
    }
    ++m_frameIndex;

    std::unique_ptr<EncodedPacket> packet;
    aom_codec_iter_t iter = nullptr;
    while (const aom_codec_cx_pkt_t* out = aom_codec_get_cx_data(&m_codec, &iter)) {
        if (out->kind != AOM_CODEC_CX_FRAME_PKT || packet) {
            continue; // one packet per call; later ones of the same call are drained
        }
        packet = std::make_unique<EncodedPacket>();
        const auto* bytes = static_cast<const std::uint8_t*>(out->data.frame.buf);
        packet->data.assign(bytes, bytes + out->data.frame.sz);
        packet->timestamp = timestamp;
        packet->isKeyframe = (out->data.frame.flags & AOM_FRAME_IS_KEY) != 0;
        packet->pts = out->data.frame.pts;
        packet->dts = out->data.frame.pts;
    }
    if (!packet) {
        spdlog::debug("AV1Encoder: no output packet yet (buffering)");
        return nullptr;
    }
    spdlog::trace("AV1Encoder: encoded frame {} ({} bytes, {})", m_frameIndex - 1,
                  packet->data.size(), packet->isKeyframe ? "keyframe" : "delta");
    return packet;
}

void AV1Encoder::updateBitrate(std::int32_t kbps) {
    if (!m_initialized) {
        spdlog::warn("AV1Encoder: updateBitrate called before initialization");
        return;
    }
    if (kbps <= 0) {
        spdlog::warn("AV1Encoder: ignoring invalid bitrate {} kbps", kbps);
        return;
    }
    m_config.bitrateKbps = kbps;
    // Only the bitrate changes: a fresh default configuration would also reset the time base,
    // the key-frame distance and error resilience of a running stream.
    aom_codec_enc_cfg_t updated = m_encoderConfig;
    updated.rc_target_bitrate = static_cast<unsigned>(kbps);
    const aom_codec_err_t result = aom_codec_enc_config_set(&m_codec, &updated);
    if (result != AOM_CODEC_OK) {
        spdlog::warn("AV1Encoder: config update failed: {}", aom_codec_err_to_string(result));
    } else {
        m_encoderConfig = updated;
    }
    spdlog::info("AV1Encoder: bitrate updated to {} kbps", kbps);
}

} // namespace nimbral
