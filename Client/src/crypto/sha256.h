#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>

struct evp_md_ctx_st;

namespace nimbral {

// A running SHA-256 on OpenSSL, whose hardware paths hash files several times faster than a
// portable implementation; a file transfer hashes every byte on both ends.
class Sha256 {
public:
    using Digest = std::array<std::uint8_t, 32>;

    Sha256();
    ~Sha256();
    Sha256(Sha256&&) noexcept;
    Sha256& operator=(Sha256&&) noexcept;

    void add(const void* data, std::size_t length);
    // The digest of everything added since the last reset; the running state is untouched.
    Digest result() const;
    void reset();

private:
    struct ContextDeleter {
        void operator()(evp_md_ctx_st* context) const noexcept;
    };
    std::unique_ptr<evp_md_ctx_st, ContextDeleter> m_context;
};

} // namespace nimbral
