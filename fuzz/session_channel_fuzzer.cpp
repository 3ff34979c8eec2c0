// A session partner's traffic as a session receives it: sealed messages on the control and
// video channels, garbage, and replays, fed to a Master or a Target with every service running
// (input, chat, clipboard, file transfer, monitor switch, video decoding). The partner holds the
// session key, so most messages are sealed properly and reach the services.
//
// Input: one byte for the role, then records of [kind][u16 length][bytes]:
//   kind % 4 == 0  the bytes sealed by the partner, on the control channel
//   kind % 4 == 1  the bytes sealed by the partner, on the video channel
//   kind % 4 == 2  the bytes as they are (not sealed), on the control channel
//   kind % 4 == 3  the previous sealed message once more

#include <cstdlib>

#include "crypto/aes_gcm_cipher.h"
#include "fuzz_support.h"
#include "network/api_client.h"
#include "network/signaling_client.h"
#include "session/chat_service.h"
#include "session/clipboard_sharing.h"
#include "session/file_transfer_service.h"
#include "session/session_channel.h"
#include "session/session_manager.h"

namespace nimbral {

// The session's insides, set up as a completed key exchange would leave them.
class SessionManagerTestAccess {
public:
    static void prepare(SessionManager& session, SessionRole role,
                        const std::vector<std::uint8_t>& key, const std::vector<std::uint8_t>& iv) {
        const bool target = role == SessionRole::Target;
        session.m_role = role;
        if (session.m_negotiation.useSessionKey(key, iv, target)) {
            std::abort(); // a key of the wrong length: the fuzzer's own mistake
        }
        session.m_fileTransfer = std::make_unique<FileTransferService>(
            target ? FileTransferRole::Server : FileTransferRole::Requester,
            [](const std::vector<std::uint8_t>&) {});
        session.m_chat = std::make_unique<ChatService>([](const std::vector<std::uint8_t>&) {});
        session.m_clipboard = std::make_unique<ClipboardSharing>();
        session.m_clipboardSharingEnabled = true;
        if (!target) {
            // Answers are taken only to questions asked.
            session.m_fileTransfer->requestListing(QStringLiteral("folder"));
            session.m_fileTransfer->requestDownload(QStringLiteral("remote.bin"),
                                                    QDir::current().filePath("download.bin"));
        }
    }
    static void receive(SessionManager& session, ChannelType channel, const QByteArray& data) {
        session.onTransportData(channel, data);
    }
};

} // namespace nimbral

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace nimbral;
    fuzz::ensureApplication(true);
    fuzz::Bytes input(data, size);
    const bool target = (input.u8() & 1) != 0;
    const std::vector<std::uint8_t> key(AesGcmCipher::kKeySize, 0x5a);
    const std::vector<std::uint8_t> iv(AesGcmCipher::kBaseIvSize, 0xa5);

    static ApiClient api(QUrl(QStringLiteral("http://127.0.0.1:9")));
    static SignalingClient signaling;
    // One session per role for the whole run, its services and replay window fresh for each
    // input; the video decoder lives on, as through a long session (opening one per input
    // would be most of the run's time).
    static SessionManager* sessions[2] = {new SessionManager(api, signaling),
                                          new SessionManager(api, signaling)};
    SessionManager& session = *sessions[target ? 1 : 0];
    SessionManagerTestAccess::prepare(session, target ? SessionRole::Target : SessionRole::Master,
                                      key, iv);
    AesGcmCipher partner(key, iv,
                         target ? AesGcmCipher::kMasterInitialCounter
                                : AesGcmCipher::kTargetInitialCounter);

    QByteArray previous;
    for (int record = 0; record < 64 && !input.empty(); ++record) {
        const std::uint8_t kind = input.u8();
        const std::vector<std::uint8_t> bytes = input.take(input.u16());
        QByteArray message;
        ChannelType channel = ChannelType::Control;
        switch (kind % 4) {
        case 0:
        case 1: {
            if (target && kind % 4 == 0 && !bytes.empty() &&
                bytes[0] == static_cast<std::uint8_t>(ControlTag::FileTransfer) &&
                fuzz::writesOutsideFolder(
                    std::vector<std::uint8_t>(bytes.begin() + 1, bytes.end()))) {
                continue;
            }
            const std::vector<std::uint8_t> sealed = partner.encrypt(bytes);
            message = QByteArray(reinterpret_cast<const char*>(sealed.data()),
                                 static_cast<qsizetype>(sealed.size()));
            channel = kind % 4 == 0 ? ChannelType::Control : ChannelType::Video;
            previous = message;
            break;
        }
        case 2:
            message = QByteArray(reinterpret_cast<const char*>(bytes.data()),
                                 static_cast<qsizetype>(bytes.size()));
            break;
        default:
            message = previous;
            break;
        }
        SessionManagerTestAccess::receive(session, channel, message);
    }
    return 0;
}
