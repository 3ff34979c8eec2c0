#include "crypto/spake2.h"

#include <array>

#include <openssl/bn.h>
#include <openssl/ec.h>
#include <openssl/hmac.h>
#include <openssl/obj_mac.h>
#include <openssl/sha.h>
#include <spdlog/spdlog.h>

#include "crypto/openssl_util.h"

namespace nimbral {
namespace {

using Group = std::unique_ptr<EC_GROUP, ossl::Deleter<EC_GROUP_free>>;
using Point = std::unique_ptr<EC_POINT, ossl::Deleter<EC_POINT_clear_free>>;
using Number = std::unique_ptr<BIGNUM, ossl::Deleter<BN_clear_free>>;
using NumberContext = std::unique_ptr<BN_CTX, ossl::Deleter<BN_CTX_free>>;

// RFC 9382's M and N for P-256, compressed: points nobody knows the discrete logarithm of.
constexpr std::array<std::uint8_t, 33> kM = {0x02, 0x88, 0x6e, 0x2f, 0x97, 0xac, 0xe4, 0x6e, 0x55,
                                             0xba, 0x9d, 0xd7, 0x24, 0x25, 0x79, 0xf2, 0x99, 0x3b,
                                             0x64, 0xe1, 0x6e, 0xf3, 0xdc, 0xab, 0x95, 0xaf, 0xd4,
                                             0x97, 0x33, 0x3d, 0x8f, 0xa1, 0x2f};
constexpr std::array<std::uint8_t, 33> kN = {0x03, 0xd8, 0xbb, 0xd6, 0xc6, 0x39, 0xc6, 0x29, 0x37,
                                             0xb0, 0x4d, 0x99, 0x7f, 0x38, 0xc3, 0x77, 0x07, 0x19,
                                             0xc6, 0x29, 0xd7, 0x01, 0x4d, 0x49, 0xa2, 0x4b, 0x4f,
                                             0x98, 0xba, 0xa1, 0x29, 0x2b, 0x49};

constexpr std::uint64_t kScryptN = 1u << 15;
constexpr std::uint64_t kScryptR = 8;
constexpr std::uint64_t kScryptP = 1;
constexpr std::uint64_t kScryptMaxMemory = 64u * 1024 * 1024;
constexpr std::size_t kScryptOutputBytes = Spake2::kScalarBytes + 8;
constexpr std::string_view kConfirmationInfo = "ConfirmationKeys";

std::vector<std::uint8_t> bytesOf(std::string_view text) {
    return {text.begin(), text.end()};
}

void wipe(std::vector<std::uint8_t>& bytes) {
    OPENSSL_cleanse(bytes.data(), bytes.size());
    bytes.clear();
}

// len(data) || data, with the length in eight little-endian bytes.
void appendWithLength(std::vector<std::uint8_t>& out, const std::vector<std::uint8_t>& data) {
    std::uint64_t length = data.size();
    for (int i = 0; i < 8; ++i) {
        out.push_back(static_cast<std::uint8_t>(length & 0xff));
        length >>= 8;
    }
    out.insert(out.end(), data.begin(), data.end());
}

Number numberFrom(const std::vector<std::uint8_t>& bigEndian) {
    Number number(BN_bin2bn(bigEndian.data(), static_cast<int>(bigEndian.size()), nullptr));
    if (number) {
        BN_set_flags(number.get(), BN_FLG_CONSTTIME);
    }
    return number;
}

} // namespace

struct Spake2::Curve {
    Group group{EC_GROUP_new_by_curve_name(NID_X9_62_prime256v1)};
    NumberContext context{BN_CTX_secure_new()};
    Point m;
    Point n;
    Number w;
    Number scalar;

    Point point() const { return Point(EC_POINT_new(group.get())); }
    Point decode(const std::uint8_t* bytes, std::size_t size) const {
        Point decoded = point();
        if (!decoded ||
            EC_POINT_oct2point(group.get(), decoded.get(), bytes, size, context.get()) != 1 ||
            EC_POINT_is_on_curve(group.get(), decoded.get(), context.get()) != 1 ||
            EC_POINT_is_at_infinity(group.get(), decoded.get())) {
            return nullptr;
        }
        return decoded;
    }
    std::vector<std::uint8_t> encode(const EC_POINT* p) const {
        std::vector<std::uint8_t> bytes(kShareBytes);
        if (EC_POINT_point2oct(group.get(), p, POINT_CONVERSION_UNCOMPRESSED, bytes.data(),
                               bytes.size(), context.get()) != bytes.size()) {
            bytes.clear();
        }
        return bytes;
    }
    // A number in [0, order), from big-endian bytes of exactly the scalar's size.
    Number scalarFrom(const std::vector<std::uint8_t>& bytes) const {
        if (bytes.size() != kScalarBytes) {
            return nullptr;
        }
        Number number = numberFrom(bytes);
        if (!number || BN_cmp(number.get(), EC_GROUP_get0_order(group.get())) >= 0) {
            return nullptr;
        }
        return number;
    }
};

std::optional<std::vector<std::uint8_t>> Spake2::passwordScalar(std::string_view password,
                                                                std::string_view salt) {
    std::vector<std::uint8_t> stretched(kScryptOutputBytes);
    if (EVP_PBE_scrypt(password.data(), password.size(),
                       reinterpret_cast<const unsigned char*>(salt.data()), salt.size(), kScryptN,
                       kScryptR, kScryptP, kScryptMaxMemory, stretched.data(),
                       stretched.size()) != 1) {
        spdlog::error("Spake2: scrypt failed: {}", opensslErrorString());
        return std::nullopt;
    }
    Curve curve;
    Number wide = numberFrom(stretched);
    wipe(stretched);
    Number reduced(BN_secure_new());
    std::vector<std::uint8_t> w(kScalarBytes);
    if (!curve.group || !curve.context || !wide || !reduced ||
        BN_nnmod(reduced.get(), wide.get(), EC_GROUP_get0_order(curve.group.get()),
                 curve.context.get()) != 1 ||
        BN_bn2binpad(reduced.get(), w.data(), static_cast<int>(w.size())) < 0) {
        spdlog::error("Spake2: reducing the password scalar failed: {}", opensslErrorString());
        return std::nullopt;
    }
    return w;
}

Spake2::Spake2(Role role, std::string_view idA, std::string_view idB)
    : m_role(role)
    , m_idA(bytesOf(idA))
    , m_idB(bytesOf(idB))
    , m_curve(std::make_unique<Curve>()) {
}

Spake2::~Spake2() {
    wipe(m_w);
    wipe(m_transcript);
    wipe(m_sharedKey);
    wipe(m_ownConfirmationKey);
    wipe(m_peerConfirmationKey);
}

std::unique_ptr<Spake2> Spake2::start(Role role, const std::vector<std::uint8_t>& w,
                                      std::string_view idA, std::string_view idB) {
    std::unique_ptr<Spake2> exchange(new Spake2(role, idA, idB));
    return exchange->begin(w, nullptr) ? std::move(exchange) : nullptr;
}

std::unique_ptr<Spake2> Spake2::startWithScalar(Role role, const std::vector<std::uint8_t>& w,
                                                const std::vector<std::uint8_t>& scalar,
                                                std::string_view idA, std::string_view idB) {
    std::unique_ptr<Spake2> exchange(new Spake2(role, idA, idB));
    return exchange->begin(w, &scalar) ? std::move(exchange) : nullptr;
}

bool Spake2::begin(const std::vector<std::uint8_t>& w, const std::vector<std::uint8_t>* scalar) {
    Curve& curve = *m_curve;
    if (!curve.group || !curve.context) {
        spdlog::error("Spake2: the curve is not available: {}", opensslErrorString());
        return false;
    }
    curve.m = curve.decode(kM.data(), kM.size());
    curve.n = curve.decode(kN.data(), kN.size());
    curve.w = curve.scalarFrom(w);
    if (scalar != nullptr) {
        curve.scalar = curve.scalarFrom(*scalar);
    } else {
        curve.scalar.reset(BN_secure_new());
        // Zero would send the password's mask alone.
        do {
            if (!curve.scalar || BN_priv_rand_range(curve.scalar.get(),
                                                    EC_GROUP_get0_order(curve.group.get())) != 1) {
                curve.scalar.reset();
                break;
            }
        } while (BN_is_zero(curve.scalar.get()));
    }
    if (!curve.m || !curve.n || !curve.w || !curve.scalar || BN_is_zero(curve.scalar.get())) {
        spdlog::error("Spake2: refusing a password or secret scalar out of range");
        return false;
    }
    BN_set_flags(curve.scalar.get(), BN_FLG_CONSTTIME);
    // pA = x*P + w*M, pB = y*P + w*N
    Point share = curve.point();
    const EC_POINT* mask = m_role == Role::A ? curve.m.get() : curve.n.get();
    if (!share || EC_POINT_mul(curve.group.get(), share.get(), curve.scalar.get(), mask,
                               curve.w.get(), curve.context.get()) != 1) {
        spdlog::error("Spake2: computing the share failed: {}", opensslErrorString());
        return false;
    }
    m_share = curve.encode(share.get());
    m_w = w;
    return !m_share.empty();
}

bool Spake2::finish(const std::vector<std::uint8_t>& peerShare, std::string_view aad) {
    if (m_tried) {
        spdlog::warn("Spake2: the exchange has already taken a share");
        return false;
    }
    m_tried = true;
    Curve& curve = *m_curve;
    // Uncompressed points only, as the RFC's encoding says.
    Point peer = peerShare.size() == kShareBytes && peerShare.front() == 0x04
                     ? curve.decode(peerShare.data(), peerShare.size())
                     : nullptr;
    if (!peer) {
        spdlog::warn("Spake2: refusing a share that is not a point of the curve ({} bytes)",
                     peerShare.size());
        return false;
    }
    // Take the peer's mask off (A: pB - w*N, B: pA - w*M), then K = own scalar times that.
    const EC_POINT* peerMask = m_role == Role::A ? curve.n.get() : curve.m.get();
    Point unmasked = curve.point();
    Point k = curve.point();
    if (!unmasked || !k ||
        EC_POINT_mul(curve.group.get(), unmasked.get(), nullptr, peerMask, curve.w.get(),
                     curve.context.get()) != 1 ||
        EC_POINT_invert(curve.group.get(), unmasked.get(), curve.context.get()) != 1 ||
        EC_POINT_add(curve.group.get(), unmasked.get(), unmasked.get(), peer.get(),
                     curve.context.get()) != 1) {
        spdlog::error("Spake2: taking the mask off failed: {}", opensslErrorString());
        return false;
    }
    if (EC_POINT_is_at_infinity(curve.group.get(), unmasked.get())) {
        spdlog::warn("Spake2: refusing a share that is nothing but the password's mask");
        return false;
    }
    if (EC_POINT_mul(curve.group.get(), k.get(), nullptr, unmasked.get(), curve.scalar.get(),
                     curve.context.get()) != 1) {
        spdlog::error("Spake2: computing K failed: {}", opensslErrorString());
        return false;
    }
    std::vector<std::uint8_t> kBytes = curve.encode(k.get());
    const bool derived = !kBytes.empty() && deriveKeys(peerShare, kBytes, aad);
    wipe(kBytes);
    curve.scalar.reset();
    return derived;
}

bool Spake2::deriveKeys(const std::vector<std::uint8_t>& peerShare,
                        const std::vector<std::uint8_t>& k, std::string_view aad) {
    const std::vector<std::uint8_t>& shareA = m_role == Role::A ? m_share : peerShare;
    const std::vector<std::uint8_t>& shareB = m_role == Role::A ? peerShare : m_share;
    std::vector<std::uint8_t> transcript;
    for (const std::vector<std::uint8_t>* part :
         std::initializer_list<const std::vector<std::uint8_t>*>{&m_idA, &m_idB, &shareA, &shareB,
                                                                 &k, &m_w}) {
        appendWithLength(transcript, *part);
    }
    // Hash(TT) = Ke || Ka; KcA || KcB = HKDF(salt empty, Ka, "ConfirmationKeys" || AAD).
    std::array<std::uint8_t, SHA256_DIGEST_LENGTH> hashed{};
    SHA256(transcript.data(), transcript.size(), hashed.data());
    std::vector<std::uint8_t> info = bytesOf(kConfirmationInfo);
    info.insert(info.end(), aad.begin(), aad.end());
    std::array<std::uint8_t, 2 * kKeyBytes> confirmationKeys{};
    const bool expanded =
        hkdfSha256(std::span(hashed).subspan(kKeyBytes), {}, info, confirmationKeys);
    if (!expanded) {
        spdlog::error("Spake2: HKDF failed: {}", opensslErrorString());
        OPENSSL_cleanse(hashed.data(), hashed.size());
        return false;
    }
    m_sharedKey.assign(hashed.begin(), hashed.begin() + kKeyBytes);
    const auto keyA = confirmationKeys.begin();
    const auto keyB = confirmationKeys.begin() + kKeyBytes;
    m_ownConfirmationKey.assign(m_role == Role::A ? keyA : keyB,
                                (m_role == Role::A ? keyA : keyB) + kKeyBytes);
    m_peerConfirmationKey.assign(m_role == Role::A ? keyB : keyA,
                                 (m_role == Role::A ? keyB : keyA) + kKeyBytes);
    OPENSSL_cleanse(hashed.data(), hashed.size());
    OPENSSL_cleanse(confirmationKeys.data(), confirmationKeys.size());
    m_transcript = std::move(transcript);
    return true;
}

std::vector<std::uint8_t> Spake2::confirmation() const {
    if (!finished()) {
        return {};
    }
    std::vector<std::uint8_t> mac(kConfirmationBytes);
    unsigned int length = 0;
    if (HMAC(EVP_sha256(), m_ownConfirmationKey.data(),
             static_cast<int>(m_ownConfirmationKey.size()), m_transcript.data(),
             m_transcript.size(), mac.data(), &length) == nullptr ||
        length != mac.size()) {
        spdlog::error("Spake2: HMAC failed: {}", opensslErrorString());
        return {};
    }
    return mac;
}

bool Spake2::peerConfirmationMatches(const std::vector<std::uint8_t>& confirmation) const {
    if (!finished() || confirmation.size() != kConfirmationBytes) {
        return false;
    }
    std::array<std::uint8_t, kConfirmationBytes> expected{};
    unsigned int length = 0;
    const bool computed = HMAC(EVP_sha256(), m_peerConfirmationKey.data(),
                               static_cast<int>(m_peerConfirmationKey.size()), m_transcript.data(),
                               m_transcript.size(), expected.data(), &length) != nullptr &&
                          length == expected.size();
    return computed && CRYPTO_memcmp(expected.data(), confirmation.data(), expected.size()) == 0;
}

} // namespace nimbral
