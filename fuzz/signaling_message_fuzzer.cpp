// A text message on the device's signaling socket: the server's, or whatever the network put
// there. Every field a handler reads may have any JSON type.

#include "fuzz_support.h"
#include "network/signaling_client.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    nimbral::fuzz::ensureApplication();
    nimbral::SignalingClient client;
    int delivered = 0;
    QObject::connect(&client, &nimbral::SignalingClient::messageReceived,
                     [&delivered](const nlohmann::json& message) {
                         NIMBRAL_FUZZ_CHECK(message.is_object());
                         ++delivered;
                     });
    client.onTextMessageReceived(
        QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)));
    NIMBRAL_FUZZ_CHECK(delivered <= 1);
    return 0;
}
