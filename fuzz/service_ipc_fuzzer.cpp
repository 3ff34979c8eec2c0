// The agent connection as the service reads it: any local user who reaches the socket can send
// these bytes. The first byte chooses how the stream is cut into reads.

#include "fuzz_support.h"
#include "service/ipc_framing.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    nimbral::fuzz::quietLogs();
    if (size == 0) {
        return 0;
    }
    const std::size_t step = 1 + data[0] % 64;
    const auto* stream = reinterpret_cast<const char*>(data + 1);
    const std::size_t length = size - 1;
    nimbral::IpcMessageReader reader(nimbral::IpcMessageReader::kServiceLimit);
    std::size_t taken = 0;
    for (std::size_t offset = 0; offset < length; offset += step) {
        const std::size_t chunk = std::min(step, length - offset);
        const auto result = reader.append(stream + offset, chunk);
        NIMBRAL_FUZZ_CHECK(reader.buffered() <= offset + chunk - taken);
        for (const nlohmann::json& message : result.messages) {
            // What the service would send back reads back the same.
            const std::string again = nimbral::encodeIpcMessage(message);
            nimbral::IpcMessageReader echo(nimbral::IpcMessageReader::kAgentLimit);
            const auto reread = echo.append(again.data(), again.size());
            NIMBRAL_FUZZ_CHECK(reread.messages.size() == 1 && reread.messages[0] == message);
            if (message.is_object()) {
                const auto event = message.find("event");
                if (event != message.end() && event->is_object()) {
                    (void)nimbral::inputEventFromJson(*event);
                }
            }
        }
        if (result.tooLarge) {
            NIMBRAL_FUZZ_CHECK(reader.buffered() == 0);
            break;
        }
        taken = offset + chunk - reader.buffered();
    }
    return 0;
}
