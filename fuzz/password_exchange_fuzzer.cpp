// What a session partner, or the server between the two, controls in the password exchange:
// the share and confirmation of a run, the data it is bound to, and the device proof's fields.
// Both ends run on a fixed password scalar: stretching a password for every input would leave
// the fuzzer no time for anything else.

#include <algorithm>

#include <nlohmann/json.hpp>

#include "crypto/spake2.h"
#include "fuzz_support.h"
#include "session/password_exchange.h"

namespace {

std::vector<std::uint8_t> slice(const std::uint8_t* data, std::size_t size, std::size_t from,
                                std::size_t length) {
    if (from >= size) {
        return {};
    }
    return {data + from, data + from + std::min(length, size - from)};
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    nimbral::fuzz::ensureApplication();
    using nimbral::Spake2;
    static const std::vector<std::uint8_t> w(32, 0x2a);
    const auto share = slice(data, size, 0, Spake2::kShareBytes);
    const auto confirmation = slice(data, size, Spake2::kShareBytes, Spake2::kConfirmationBytes);
    const auto bound = slice(data, size, Spake2::kShareBytes + Spake2::kConfirmationBytes, size);
    for (const Spake2::Role role : {Spake2::Role::A, Spake2::Role::B}) {
        const auto run = Spake2::start(role, w, "111111111", "222222222");
        NIMBRAL_FUZZ_CHECK(run != nullptr);
        const std::string aad(bound.begin(), bound.end());
        if (run->finish(share, aad)) {
            // Without the other end's secret nobody makes a confirmation that holds.
            NIMBRAL_FUZZ_CHECK(!run->peerConfirmationMatches(confirmation));
            NIMBRAL_FUZZ_CHECK(run->sharedKey().size() == 16);
        }
        NIMBRAL_FUZZ_CHECK(!run->finish(share, aad)); // once only, whatever came before
    }
    const nlohmann::json fields = nlohmann::json::parse(data, data + size, nullptr, false);
    const nimbral::PasswordExchange::Parties parties{
        QStringLiteral("111111111"), QStringLiteral("222222222"), "MASTERKEY", "TARGETKEY"};
    // Nobody proves a device key without its private half.
    NIMBRAL_FUZZ_CHECK(!nimbral::checkDeviceProof(fields, parties));
    return 0;
}
