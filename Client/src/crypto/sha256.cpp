#include "crypto/sha256.h"

#include <stdexcept>

#include <openssl/evp.h>

#include "crypto/openssl_util.h"

namespace nimbral {

void Sha256::ContextDeleter::operator()(evp_md_ctx_st* context) const noexcept {
    EVP_MD_CTX_free(context);
}

Sha256::Sha256()
    : m_context(EVP_MD_CTX_new()) {
    // Only allocation can fail here; a hash that silently hashes nothing would pass any check.
    if (!m_context) {
        throw std::bad_alloc();
    }
    reset();
}

Sha256::~Sha256() = default;
Sha256::Sha256(Sha256&&) noexcept = default;
Sha256& Sha256::operator=(Sha256&&) noexcept = default;

void Sha256::reset() {
    if (EVP_DigestInit_ex(m_context.get(), EVP_sha256(), nullptr) != 1) {
        throw std::runtime_error("SHA-256 unavailable: " + opensslErrorString());
    }
}

void Sha256::add(const void* data, std::size_t length) {
    if (length > 0) {
        EVP_DigestUpdate(m_context.get(), data, length);
    }
}

Sha256::Digest Sha256::result() const {
    Digest digest{};
    const ossl::MdCtx copy(EVP_MD_CTX_new());
    unsigned int length = 0;
    if (!copy || EVP_MD_CTX_copy_ex(copy.get(), m_context.get()) != 1 ||
        EVP_DigestFinal_ex(copy.get(), digest.data(), &length) != 1) {
        throw std::runtime_error("SHA-256 failed: " + opensslErrorString());
    }
    return digest;
}

} // namespace nimbral
