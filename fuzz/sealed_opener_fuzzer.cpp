// Opening sealed messages and the replay window behind it. Records:
//   op % 3 == 0  [u16 length][bytes]  opened as they are (must fail unless sealed by the key)
//   op % 3 == 1  [u64 counter]        a message sealed under that counter, opened and checked
//                                     against the window
//   op % 3 == 2  [u64 counter]        that counter offered to the window alone
// The window must never accept a counter twice, nor one outside the peer's half.

#include <set>

#include "crypto/aes_gcm_cipher.h"
#include "fuzz_support.h"
#include "session/replay_window.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace nimbral;
    fuzz::quietLogs();
    fuzz::Bytes input(data, size);
    const std::vector<std::uint8_t> key(AesGcmCipher::kKeySize, 0x11);
    const std::vector<std::uint8_t> iv(AesGcmCipher::kBaseIvSize, 0x22);
    const AesGcmCipher opener(key, iv, AesGcmCipher::kMasterInitialCounter);
    // The Master's view: the Target's counters are the upper half.
    ReplayWindow window(AesGcmCipher::kTargetInitialCounter, UINT64_MAX);
    std::set<std::uint64_t> accepted;
    const std::uint8_t text[] = {'x', 'y', 'z'};

    for (int record = 0; record < 256 && !input.empty(); ++record) {
        const std::uint8_t op = input.u8();
        if (op % 3 == 0) {
            const std::vector<std::uint8_t> bytes = input.take(input.u16());
            const std::vector<std::uint8_t> opened = opener.decrypt(bytes);
            NIMBRAL_FUZZ_CHECK(opened.empty()); // nobody else holds the key
            continue;
        }
        const std::uint64_t counter = input.u64();
        if (op % 3 == 1) {
            AesGcmCipher sealer(key, iv, counter);
            const std::vector<std::uint8_t> sealed = sealer.encrypt(text, sizeof text);
            NIMBRAL_FUZZ_CHECK(sealed.size() == AesGcmCipher::kHeaderSize + sizeof text);
            const std::vector<std::uint8_t> opened = opener.decrypt(sealed);
            NIMBRAL_FUZZ_CHECK(opened == std::vector<std::uint8_t>(text, text + sizeof text));
        }
        const bool fresh = window.accept(counter);
        if (fresh) {
            NIMBRAL_FUZZ_CHECK(counter >= AesGcmCipher::kTargetInitialCounter);
            NIMBRAL_FUZZ_CHECK(accepted.insert(counter).second);
        }
    }
    return 0;
}
