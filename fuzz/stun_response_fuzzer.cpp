// A STUN server's answer to the heartbeat's NAT probe: anything may come back in the datagram.

#include "fuzz_support.h"
#include "network/stun_message.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    nimbral::fuzz::quietLogs();
    const QByteArray datagram(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    if (const auto mapped = nimbral::stun::parseBindingResponse(datagram)) {
        NIMBRAL_FUZZ_CHECK(!mapped->address.isEmpty());
        NIMBRAL_FUZZ_CHECK(size >= static_cast<std::size_t>(nimbral::stun::kHeaderSize));
    }
    return 0;
}
