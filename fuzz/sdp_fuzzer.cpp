// A peer's session description, as it arrives through signaling. What parses must also survive
// being written out again and read back unchanged in what a connection relies on.

#include <string>

#include "fuzz_support.h"
#include "rtc/sdp.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    nimbral::fuzz::quietLogs();
    const std::string text(reinterpret_cast<const char*>(data), size);
    const auto parsed = rtc::detail::parseSdp(text);
    if (!parsed) {
        return 0;
    }
    const auto again = rtc::detail::parseSdp(rtc::detail::buildSdp(1, *parsed));
    NIMBRAL_FUZZ_CHECK(again.has_value());
    NIMBRAL_FUZZ_CHECK(again->iceUfrag == parsed->iceUfrag);
    NIMBRAL_FUZZ_CHECK(again->icePwd == parsed->icePwd);
    NIMBRAL_FUZZ_CHECK(again->fingerprint == parsed->fingerprint);
    NIMBRAL_FUZZ_CHECK(again->sctpPort == parsed->sctpPort);
    return 0;
}
