// The session services' own payloads, handed to them directly (no sealing in the way): input
// events, chat, clipboard, file transfer on either side, and the monitor switch command.
// The first byte picks the service.

#include "fuzz_support.h"
#include "input/input_event.h"
#include "session/chat_service.h"
#include "session/clipboard_sharing.h"
#include "session/file_transfer_service.h"
#include "session/session_channel.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace nimbral;
    fuzz::ensureApplication(true);
    if (size < 1) {
        return 0;
    }
    const std::vector<std::uint8_t> payload(data + 1, data + size);
    switch (data[0] % 6) {
    case 0:
        if (const auto event = InputEvent::deserialize(payload.data(), payload.size())) {
            // What was read writes back to the same record.
            const std::vector<std::uint8_t> again = event->serialize();
            const auto reread = InputEvent::deserialize(again.data(), again.size());
            NIMBRAL_FUZZ_CHECK(reread && reread->serialize() == again);
        }
        break;
    case 1: {
        ChatService chat([](const std::vector<std::uint8_t>&) {});
        chat.handleMessage(payload);
        break;
    }
    case 2: {
        ClipboardSharing clipboard;
        clipboard.start();
        clipboard.onRemoteClipboardData(QByteArray(reinterpret_cast<const char*>(payload.data()),
                                                   static_cast<qsizetype>(payload.size())));
        clipboard.stop();
        break;
    }
    case 3: {
        FileTransferService master(FileTransferRole::Requester,
                                   [](const std::vector<std::uint8_t>&) {});
        master.requestListing(QStringLiteral("folder"));
        master.requestDownload(QStringLiteral("remote.bin"),
                               QDir::current().filePath("download.bin"));
        master.requestFolderTree(QStringLiteral("folder")); // a tree answer has an id to match
        master.handleMessage(payload);
        break;
    }
    case 4: {
        if (fuzz::writesOutsideFolder(payload)) {
            return 0;
        }
        std::size_t replies = 0;
        FileTransferService target(FileTransferRole::Server,
                                   [&replies](const std::vector<std::uint8_t>& reply) {
                                       NIMBRAL_FUZZ_CHECK(!reply.empty());
                                       ++replies;
                                   });
        target.handleMessage(payload);
        // One answer per request; a streamed download (10) goes on with its data.
        NIMBRAL_FUZZ_CHECK(replies <= 1 || payload[0] == 10);
        break;
    }
    default: {
        const std::string_view command(reinterpret_cast<const char*>(payload.data()),
                                       payload.size());
        if (const auto monitor = parseSwitchMonitor(command)) {
            NIMBRAL_FUZZ_CHECK(*monitor <= 0x7fffffffu);
        }
        break;
    }
    }
    return 0;
}
