// Sealing and opening throughput of the channel cipher against the fastest use of OpenSSL's
// AES-256-GCM: one context set up once and only re-keyed with a new nonce per message. Both run
// in this process on the same data, so the ratio holds whatever machine prints it.

#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <vector>

#include <openssl/evp.h>
#include <spdlog/spdlog.h>

#include "crypto/aes_gcm_cipher.h"
#include "crypto/openssl_util.h"

namespace {

using Clock = std::chrono::steady_clock;
using Bytes = std::vector<std::uint8_t>;

// Bytes per second of `step`, run in rounds until at least `minSeconds` have passed; the best
// of three rounds discounts a busy moment on the machine.
double measure(std::size_t messageSize, double minSeconds, const std::function<void()>& step) {
    double best = 0;
    for (int round = 0; round < 3; ++round) {
        std::size_t messages = 0;
        const auto start = Clock::now();
        double elapsed = 0;
        do {
            for (int i = 0; i < 16; ++i) {
                step();
            }
            messages += 16;
            elapsed = std::chrono::duration<double>(Clock::now() - start).count();
        } while (elapsed < minSeconds);
        best = std::max(best, static_cast<double>(messages * messageSize) / elapsed);
    }
    return best;
}

class RawGcm {
public:
    explicit RawGcm(const Bytes& key)
        : m_ctx(EVP_CIPHER_CTX_new()) {
        EVP_EncryptInit_ex(m_ctx.get(), EVP_aes_256_gcm(), nullptr, nullptr, nullptr);
        EVP_CIPHER_CTX_ctrl(m_ctx.get(), EVP_CTRL_GCM_SET_IVLEN, 12, nullptr);
        EVP_EncryptInit_ex(m_ctx.get(), nullptr, nullptr, key.data(), nullptr);
    }
    void seal(const Bytes& plaintext, std::uint8_t* out, std::uint64_t counter) {
        std::uint8_t nonce[12] = {};
        std::memcpy(nonce, &counter, sizeof(counter));
        int produced = 0;
        int finalBytes = 0;
        EVP_EncryptInit_ex(m_ctx.get(), nullptr, nullptr, nullptr, nonce);
        EVP_EncryptUpdate(m_ctx.get(), out + 24, &produced, plaintext.data(),
                          static_cast<int>(plaintext.size()));
        EVP_EncryptFinal_ex(m_ctx.get(), out + 24 + produced, &finalBytes);
        EVP_CIPHER_CTX_ctrl(m_ctx.get(), EVP_CTRL_GCM_GET_TAG, 16, out + 8);
    }

private:
    nimbral::ossl::CipherCtx m_ctx;
};

} // namespace

int main(int argc, char** argv) {
    spdlog::set_level(spdlog::level::off);
    const double minSeconds = (argc > 1) ? std::atof(argv[1]) : 0.3;

    const Bytes key(32, 0x5a);
    const Bytes iv(12, 0xa5);
    nimbral::AesGcmCipher cipher(key, iv);
    RawGcm raw(key);

    std::printf("AES-256-GCM channel cipher vs raw OpenSSL (one reused context), best of 3\n");
    std::printf("%10s %14s %14s %14s %9s %9s\n", "size", "raw MB/s", "seal MB/s", "open MB/s",
                "seal/raw", "open/raw");
    for (const std::size_t size :
         {std::size_t{100}, std::size_t{1024}, std::size_t{64 * 1024}, std::size_t{1024 * 1024}}) {
        Bytes plaintext(size);
        for (std::size_t i = 0; i < size; ++i) {
            plaintext[i] = static_cast<std::uint8_t>(i * 31);
        }
        Bytes rawOut(size + 24);
        std::uint64_t rawCounter = 0;
        const Bytes sealed = cipher.encrypt(plaintext);
        std::size_t sink = 0;

        const double rawRate = measure(size, minSeconds, [&] {
            raw.seal(plaintext, rawOut.data(), rawCounter++);
            sink += rawOut[8];
        });
        const double sealRate =
            measure(size, minSeconds, [&] { sink += cipher.encrypt(plaintext).size(); });
        const double openRate =
            measure(size, minSeconds, [&] { sink += cipher.decrypt(sealed).size(); });
        if (sink == 0) {
            return 1; // keeps the work observable
        }
        std::printf("%10zu %14.1f %14.1f %14.1f %8.0f%% %8.0f%%\n", size, rawRate / 1e6,
                    sealRate / 1e6, openRate / 1e6, 100 * sealRate / rawRate,
                    100 * openRate / rawRate);
    }
    return 0;
}
