// Data-channel establishment messages (DATA_CHANNEL_OPEN / ACK) as the peer's SCTP stack
// delivers them on the control PPID.

#include "fuzz_support.h"
#include "rtc/dcep.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    nimbral::fuzz::quietLogs();
    const auto open = rtc::detail::parseDcepOpen(data, size);
    if (open) {
        NIMBRAL_FUZZ_CHECK(data[0] == rtc::detail::kDcepOpen);
        NIMBRAL_FUZZ_CHECK(12 + open->label.size() + open->protocol.size() <= size);
        NIMBRAL_FUZZ_CHECK(open->label.size() == ((std::size_t(data[8]) << 8) | data[9]));
        // What we would send for the same channel reads back the same.
        const auto again = rtc::detail::buildDcepOpen(*open);
        const auto reread = rtc::detail::parseDcepOpen(again.data(), again.size());
        NIMBRAL_FUZZ_CHECK(reread && reread->label == open->label &&
                           reread->protocol == open->protocol &&
                           reread->channelType == open->channelType &&
                           reread->reliabilityParameter == open->reliabilityParameter);
    } else if (size >= 12 && data[0] == rtc::detail::kDcepOpen) {
        const std::size_t announced =
            12 + ((std::size_t(data[8]) << 8) | data[9]) + ((std::size_t(data[10]) << 8) | data[11]);
        NIMBRAL_FUZZ_CHECK(announced > size);
    }
    return 0;
}
