#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

namespace nimbral {

// SPAKE2 (RFC 9382) on P-256 with SHA-256, HKDF-SHA256 and HMAC-SHA256, with the RFC's M and N
// and its key confirmation. Two devices that know the same password end with the same key and
// learn nothing else; whoever carries their messages learns nothing of the password, and gets
// one guess per exchange by taking part itself.
//
// A sends pA = x*P + w*M, B sends pB = y*P + w*N. Each computes K from the other's share and
// its own scalar, and both hash the transcript TT (the identities, both shares, K and w, each
// with its 8-byte little-endian length) into Ke, the shared key, and Ka, from which the two
// confirmation keys come. A confirms with HMAC(KcA, TT), B with HMAC(KcB, TT).
//
// One object per exchange, used on one thread.
class Spake2 {
public:
    enum class Role { A, B };

    static constexpr std::size_t kScalarBytes = 32;
    static constexpr std::size_t kShareBytes = 65; // an uncompressed point
    static constexpr std::size_t kKeyBytes = 16;
    static constexpr std::size_t kConfirmationBytes = 32;

    // w from a password: scrypt (N = 2^15, r = 8, p = 1) over the password and salt, 40 bytes
    // reduced modulo the group order, so the reduction's bias stays below 2^-64. Big-endian,
    // kScalarBytes long; nullopt when scrypt fails.
    static std::optional<std::vector<std::uint8_t>> passwordScalar(std::string_view password,
                                                                   std::string_view salt);

    // An exchange with a fresh random scalar. `w` is the password scalar (kScalarBytes, below
    // the group order). Null when `w` is not such a scalar.
    static std::unique_ptr<Spake2> start(Role role, const std::vector<std::uint8_t>& w,
                                         std::string_view idA, std::string_view idB);
    // The same with the scalar given, as the RFC's test vectors give it.
    static std::unique_ptr<Spake2> startWithScalar(Role role, const std::vector<std::uint8_t>& w,
                                                   const std::vector<std::uint8_t>& scalar,
                                                   std::string_view idA, std::string_view idB);

    ~Spake2();
    Spake2(const Spake2&) = delete;
    Spake2& operator=(const Spake2&) = delete;

    // This side's share, to send.
    const std::vector<std::uint8_t>& share() const { return m_share; }

    // Takes the other side's share. False, and nothing derived, when it is not an uncompressed
    // point of the curve, or when it leaves nothing once the password's mask is taken off (a
    // share made to force a known key). Once only, whatever the outcome: a refused share ends
    // the exchange, so nobody gets a second try against the same secret scalar.
    // `aad` goes into the confirmation keys, so that the confirmations also cover whatever the
    // caller binds to the exchange (known only by now, as the partner's key may be).
    bool finish(const std::vector<std::uint8_t>& peerShare, std::string_view aad = {});
    bool finished() const { return !m_transcript.empty(); }

    // After finish(): this side's confirmation, to send, and the check of the other side's in
    // constant time. A wrong password shows here, as a confirmation that does not match.
    std::vector<std::uint8_t> confirmation() const;
    bool peerConfirmationMatches(const std::vector<std::uint8_t>& confirmation) const;

    // After finish(): Ke, the shared key, and TT, the transcript it comes from.
    const std::vector<std::uint8_t>& sharedKey() const { return m_sharedKey; }
    const std::vector<std::uint8_t>& transcript() const { return m_transcript; }

private:
    struct Curve;
    Spake2(Role role, std::string_view idA, std::string_view idB);
    bool begin(const std::vector<std::uint8_t>& w, const std::vector<std::uint8_t>* scalar);
    bool deriveKeys(const std::vector<std::uint8_t>& peerShare, const std::vector<std::uint8_t>& k,
                    std::string_view aad);

    Role m_role;
    bool m_tried = false;
    std::vector<std::uint8_t> m_idA;
    std::vector<std::uint8_t> m_idB;
    std::unique_ptr<Curve> m_curve;
    std::vector<std::uint8_t> m_w;
    std::vector<std::uint8_t> m_share;
    std::vector<std::uint8_t> m_transcript;
    std::vector<std::uint8_t> m_sharedKey;
    std::vector<std::uint8_t> m_ownConfirmationKey;
    std::vector<std::uint8_t> m_peerConfirmationKey;
};

} // namespace nimbral
