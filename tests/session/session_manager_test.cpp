#include "common/client_id_text.h"
#include "session/session_manager.h"

#include <algorithm>

#include <QClipboard>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QGuiApplication>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QtEndian>

#include <gtest/gtest.h>

#include "log_capture.h"
#include "process_memory.h"
#include "sanitizers.h"
#include "session/chat_service.h"
#include "session/clipboard_sharing.h"
#include "session/file_transfer_service.h"
#include "session_pair.h"
#include "wait_until.h"

namespace nimbral {
namespace {

using spdlog::level::info;
using spdlog::level::warn;
using Access = SessionManagerTestAccess;
using SessionEndToEnd = test::SessionPairTest;
using test::kPassword;

// ------------------------------------------------------------------ set-up paths

TEST_F(SessionEndToEnd, PasswordPathConnectsPeerToPeerAndChatsBothWays) {
    test::LogCapture log;
    QSignalSpy masterStates(&master->session, &SessionManager::stateChanged);
    connectPair();
    EXPECT_EQ(master->session.connectionMethod(), "p2p");
    EXPECT_EQ(target->session.connectionMethod(), "p2p");
    EXPECT_EQ(master->session.role(), SessionRole::Master);
    EXPECT_EQ(target->session.role(), SessionRole::Target);
    EXPECT_EQ(master->session.sessionId(), target->session.sessionId());
    EXPECT_EQ(master->session.peerClientId(), target->clientId());
    EXPECT_EQ(target->session.peerClientId(), master->clientId());
    std::vector<SessionState> path;
    for (const auto& change : masterStates) {
        path.push_back(change.at(0).value<SessionState>());
    }
    EXPECT_EQ(path, (std::vector<SessionState>{SessionState::Initiating, SessionState::Handshaking,
                                               SessionState::Connecting, SessionState::Connected}));
    EXPECT_TRUE(log.has(info, "Transport established via p2p"));
    // Verified by the password exchange: both ends show the same six digits and each other's
    // device key.
    const std::string id = master->session.sessionId().toStdString();
    EXPECT_TRUE(log.hasPrefix(info, "Session " + id + " verified by the password"));
    EXPECT_TRUE(master->session.sessionVerified());
    EXPECT_TRUE(target->session.sessionVerified());
    EXPECT_EQ(master->session.shortAuthenticationString().size(), 6);
    EXPECT_EQ(master->session.shortAuthenticationString(),
              target->session.shortAuthenticationString());
    EXPECT_EQ(master->session.partnerFingerprint(), target->session.ownFingerprint());
    EXPECT_EQ(target->session.partnerFingerprint(), master->session.ownFingerprint());
    EXPECT_EQ(master->session.ownFingerprint().size(), 39);

    QSignalSpy atTarget(target->session.chatService(), &ChatService::messageReceived);
    QSignalSpy atMaster(master->session.chatService(), &ChatService::messageReceived);
    const qint64 before = QDateTime::currentMSecsSinceEpoch();
    master->session.chatService()->sendMessage(QStringLiteral("Hallo, Zielrechner ✓"));
    target->session.chatService()->sendMessage(QStringLiteral("and back"));
    ASSERT_TRUE(atTarget.count() == 1 || atTarget.wait(5000));
    ASSERT_TRUE(atMaster.count() == 1 || atMaster.wait(5000));
    EXPECT_EQ(atTarget.at(0).at(0).toString(), QStringLiteral("Hallo, Zielrechner ✓"));
    EXPECT_EQ(atMaster.at(0).at(0).toString(), QStringLiteral("and back"));
    // The sender's clock stamps the message.
    const qint64 stamped = atTarget.at(0).at(1).toDateTime().toMSecsSinceEpoch();
    EXPECT_GE(stamped, before);
    EXPECT_LE(stamped, QDateTime::currentMSecsSinceEpoch());
}

TEST_F(SessionEndToEnd, WithPeerToPeerBlockedTheRelayCarriesTheSession) {
    makeDevices(300, /*blockP2P=*/true);
    test::LogCapture log;
    connectPair();
    EXPECT_TRUE(log.hasPrefix(warn, "TransportManager: P2P connection timed out"));
    EXPECT_EQ(master->session.connectionMethod(), "relay");
    EXPECT_EQ(target->session.connectionMethod(), "relay");
    ASSERT_TRUE(master->session.linkRoundTripMs().has_value());
    EXPECT_LT(*master->session.linkRoundTripMs(), 1000.0);
    barrier(QStringLiteral("over the relay"));
    // The relay drops the partner's connection when one side leaves without a word.
    target->session.endSession(QLatin1String(kLinkLostReason));
    ASSERT_WAIT(master->session.state() == SessionState::Idle, 5000);
    EXPECT_TRUE(log.hasPrefix(info, "Transport disconnected by remote side"));
}

// A large file down and back up through the real server, with the memory the transfer adds and
// the picture kept alive beside it: the memory bound is half the file, so a transfer that holds
// the file (or a copy at each end) fails it. The speed of a gibibyte is bench_transfer's. Under
// AddressSanitizer (its quarantine makes memory figures meaningless) no memory bound.
constexpr qint64 kMiB = 1024 * 1024;

bool sameFiles(const QString& a, const QString& b) {
    QFile first(a);
    QFile second(b);
    if (!first.open(QIODevice::ReadOnly) || !second.open(QIODevice::ReadOnly) ||
        first.size() != second.size()) {
        return false;
    }
    while (!first.atEnd()) {
        if (first.read(8 * kMiB) != second.read(8 * kMiB)) {
            return false;
        }
    }
    return true;
}

void largeFileBothWays(test::DeviceStack& master, const QTemporaryDir& remote,
                       const QTemporaryDir& local) {
    constexpr qint64 size = 64 * kMiB;
    ASSERT_WAIT(master.session.fileTransferService()->peerStreams(), 5000);
    // Sparse, with marks spread through it so that a misplaced chunk shows.
    {
        QFile source(remote.filePath("disk.img"));
        ASSERT_TRUE(source.open(QIODevice::WriteOnly));
        ASSERT_TRUE(source.resize(size));
        for (qint64 at = 0; at < size; at += 7 * kMiB + 4099) {
            ASSERT_TRUE(source.seek(at));
            source.write(QByteArray::number(at).repeated(50));
        }
    }
    FileTransferService* files = master.session.fileTransferService();
    int pictures = 0;
    QObject counting; // ends the count with this function
    QObject::connect(&master.session, &SessionManager::frameDecoded, &counting,
                     [&pictures] { ++pictures; });
    for (const bool download : {true, false}) {
        SCOPED_TRACE(download ? "download" : "upload");
        QSignalSpy downloaded(files, &FileTransferService::fileDownloadComplete);
        QSignalSpy uploaded(files, &FileTransferService::fileUploadComplete);
        QSignalSpy& done = download ? downloaded : uploaded;
        QSignalSpy errors(files, &FileTransferService::fileError);
        const long idle = test::residentKiB();
        ASSERT_TRUE(test::resetPeakResident());
        pictures = 0;
        QElapsedTimer clock;
        clock.start();
        if (download) {
            files->requestDownload(remote.filePath("disk.img"), local.filePath("disk.img"));
        } else {
            files->uploadFile(local.filePath("disk.img"), remote.filePath("back.img"));
        }
        // A running event loop, as in the program: waiting in slices with sleeps between them
        // would leave the link idle most of the time.
        {
            QEventLoop loop;
            QObject::connect(files, &FileTransferService::fileDownloadComplete, &loop,
                             &QEventLoop::quit);
            QObject::connect(files, &FileTransferService::fileUploadComplete, &loop,
                             &QEventLoop::quit);
            QObject::connect(files, &FileTransferService::fileError, &loop, &QEventLoop::quit);
            QTimer::singleShot(240000, &loop, &QEventLoop::quit);
            loop.exec();
        }
        ASSERT_EQ(done.count() + errors.count(), 1);
        ASSERT_EQ(errors.count(), 0) << errors.at(0).at(0).toString().toStdString();
        const double seconds = clock.elapsed() / 1000.0;
        const long addedKiB = test::peakResidentKiB() - idle;
        std::printf("[          ] %s of %lld MiB over %s: %.1f s, %.0f MiB/s, peak +%ld KiB, "
                    "%d pictures meanwhile\n",
                    download ? "download" : "upload", static_cast<long long>(size / kMiB),
                    qPrintable(master.session.connectionMethod()), seconds,
                    size / double(kMiB) / seconds, addedKiB, pictures);
        if (!test::kAddressSanitizer) {
            EXPECT_LT(addedKiB, size / 2 / 1024) << "both ends together, in this one process";
        }
        // About ten a second on an idle link; a file must not starve them.
        EXPECT_GE(pictures, int(3 * seconds) - 3) << "the picture stays live during the transfer";
        if (!download) {
            ASSERT_WAIT(QFileInfo(remote.filePath("back.img")).size() == size, 10000);
        }
    }
    EXPECT_TRUE(sameFiles(remote.filePath("disk.img"), local.filePath("disk.img")));
    EXPECT_TRUE(sameFiles(remote.filePath("disk.img"), remote.filePath("back.img")));
}

// And a download cut by the end of the session, which the next session finishes from where the
// first one stopped.
TEST_F(SessionEndToEnd, OverTheRelayALargeFileTravelsInBoundedMemoryAndACutDownloadResumes) {
    makeDevices(300, /*blockP2P=*/true);
    connectPair();
    ASSERT_EQ(master->session.connectionMethod(), "relay");
    QTemporaryDir remote;
    QTemporaryDir local;
    largeFileBothWays(*master, remote, local);
    ASSERT_FALSE(HasFatalFailure());

    FileTransferService* files = master->session.fileTransferService();
    QSignalSpy progress(files, &FileTransferService::fileDownloadProgress);
    files->requestDownload(remote.filePath("disk.img"), local.filePath("again.img"));
    // Signal waits keep the event loop running, as in the program.
    while (progress.isEmpty() || progress.last().at(1).toInt() < 30) {
        ASSERT_TRUE(progress.wait(10000));
    }
    master->session.endSession(QStringLiteral("user_disconnect"));
    ASSERT_WAIT(target->session.state() == SessionState::Idle, 10000);
    const qint64 part =
        QFileInfo(local.filePath("again.img") + FileTransferService::kPartialSuffix).size();
    EXPECT_GT(part, 0);
    EXPECT_FALSE(QFile::exists(local.filePath("again.img")));

    connectPair();
    ASSERT_WAIT(master->session.fileTransferService()->peerStreams(), 5000);
    files = master->session.fileTransferService();
    QSignalSpy resumed(files, &FileTransferService::fileDownloadComplete);
    test::LogCapture log;
    files->requestDownload(remote.filePath("disk.img"), local.filePath("again.img"));
    ASSERT_TRUE(resumed.wait(60000));
    EXPECT_TRUE(sameFiles(remote.filePath("disk.img"), local.filePath("again.img")));
    EXPECT_TRUE(log.hasPrefix(info, "FileTransfer: requested streamed download of '" +
                                        remote.filePath("disk.img").toStdString() + "' from byte " +
                                        std::to_string(part)));
}

TEST_F(SessionEndToEnd, PairingCodePathAsksTheTargetsUserWithTheStringBothSee) {
    test::LogCapture log;
    QSignalSpy asked(&target->session, &SessionManager::approvalRequested);
    confirmRequestsAtTheTarget();
    master->session.initiateSession(target->clientId(), target->auth.pairingCode());
    ASSERT_WAIT(master->session.state() == SessionState::Connected &&
                    target->session.state() == SessionState::Connected,
                15000);
    ASSERT_EQ(asked.count(), 1);
    EXPECT_EQ(asked.at(0).at(1).toString(), master->clientId());
    EXPECT_EQ(asked.at(0).at(2).toString(), master->session.shortAuthenticationString());
    EXPECT_EQ(asked.at(0).at(3).toString(), master->session.ownFingerprint());
    EXPECT_TRUE(target->session.sessionVerified());
    EXPECT_TRUE(
        log.hasPrefix(info, "Partner " + target->clientId().toStdString() + " accepted session"));
    barrier();
}

// A Target of a version before verified sessions: the server checks the password (or the
// user confirms the pairing code) and both ends say the session is not verified.
TEST_F(SessionEndToEnd, AnOlderTargetStillConnectsAndTheSessionIsMarkedNotVerified) {
    makeTargetAnOlderVersion();
    for (const bool pairingCode : {false, true}) {
        SCOPED_TRACE(pairingCode ? "pairing code" : "password");
        test::LogCapture log;
        if (pairingCode) {
            confirmRequestsAtTheTarget();
        }
        master->session.initiateSession(target->clientId(),
                                        pairingCode ? target->auth.pairingCode() : kPassword);
        ASSERT_WAIT(master->session.state() == SessionState::Connected &&
                        target->session.state() == SessionState::Connected,
                    15000);
        EXPECT_TRUE(log.has(info, "ECDH key exchange completed (Master side)"));
        EXPECT_TRUE(log.has(info, "ECDH key exchange completed (Target side)"));
        EXPECT_TRUE(log.has(warn, "Session to " + target->clientId().toStdString() +
                                      " is Not verified: the partner does not support verified "
                                      "sessions"));
        EXPECT_FALSE(master->session.sessionVerified());
        EXPECT_FALSE(target->session.sessionVerified());
        EXPECT_TRUE(master->session.partnerFingerprint().isEmpty());
        // Both ends of this build still compute the string, so the users can compare it.
        EXPECT_EQ(master->session.shortAuthenticationString().size(), 6);
        EXPECT_EQ(master->session.shortAuthenticationString(),
                  target->session.shortAuthenticationString());
        barrier();
        master->session.endSession(QStringLiteral("user_disconnect"));
        ASSERT_WAIT(target->session.state() == SessionState::Idle, 5000);
    }
}

TEST_F(SessionEndToEnd, WhenNeitherPeerToPeerNorTheRelayConnectsBothEndsFailAndSayWhy) {
    QTcpServer closed; // a port nothing listens on once closed
    ASSERT_TRUE(closed.listen(QHostAddress::LocalHost, 0));
    const quint16 deadPort = closed.serverPort();
    closed.close();
    makeDevicesBehindRelay(deadPort);
    QSignalSpy masterErrors(&master->session, &SessionManager::sessionError);
    QSignalSpy targetErrors(&target->session, &SessionManager::sessionError);
    master->session.initiateSession(target->clientId(), kPassword);
    ASSERT_WAIT(master->session.state() == SessionState::Failed &&
                    target->session.state() == SessionState::Failed,
                15000);
    ASSERT_GE(masterErrors.count(), 1);
    EXPECT_TRUE(masterErrors.at(0).at(0).toString().startsWith(
        "Transport failed: All connection methods failed. Last error: "))
        << masterErrors.at(0).at(0).toString().toStdString();
    ASSERT_GE(targetErrors.count(), 1);
    EXPECT_TRUE(targetErrors.at(0).at(0).toString().startsWith("Transport failed: "));
    // A later attempt with a reachable relay succeeds from the Failed state.
    master->session.setRelayEndpoint(QStringLiteral("127.0.0.1"), s_server->relayPort());
    target->session.setRelayEndpoint(QStringLiteral("127.0.0.1"), s_server->relayPort());
    connectPair();
    EXPECT_EQ(master->session.connectionMethod(), "relay");
}

TEST_F(SessionEndToEnd, AnUnansweredOrDeclinedRequestFailsTheMasterAndClosesTheSession) {
    EXPECT_EQ(master->session.partnerTimeout(), SessionManager::kPartnerTimeoutMs);
    QSignalSpy requested(&target->session, &SessionManager::approvalRequested);
    QSignalSpy toldTarget(&target->signaling, &SignalingClient::messageReceived);
    QSignalSpy errors(&master->session, &SessionManager::sessionError);
    // The Target's user declines at once.
    QObject::connect(&target->session, &SessionManager::approvalRequested, &target->session,
                     &SessionManager::declineSession, Qt::SingleShotConnection);
    master->session.initiateSession(target->clientId(), target->auth.pairingCode());
    ASSERT_WAIT(master->session.state() == SessionState::Failed, 10000);
    ASSERT_EQ(errors.count(), 1);
    EXPECT_EQ(errors.at(0).at(0).toString(),
              "Partner " + formatClientId(target->clientId()) + " declined the session");
    EXPECT_EQ(target->session.state(), SessionState::Idle);

    // The Target's user never answers: the Master gives up once it has waited long enough.
    master->session.setPartnerTimeout(2000);
    master->session.initiateSession(target->clientId(), target->auth.pairingCode());
    ASSERT_TRUE(requested.wait(5000));
    const QString sessionId = requested.at(1).at(0).toString();
    ASSERT_WAIT(master->session.state() == SessionState::Failed, 5000);
    ASSERT_EQ(errors.count(), 2);
    EXPECT_EQ(errors.at(1).at(0).toString(), "Partner did not respond");

    ASSERT_WAIT(std::any_of(toldTarget.begin(), toldTarget.end(),
                            [&](const QList<QVariant>& message) {
                                const auto json = message.at(0).value<nlohmann::json>();
                                return json.value("type", "") == "SESSION_CLOSED" &&
                                       json.value("session_id", "") == sessionId.toStdString();
                            }),
                5000);
    // A late yes finds nothing to accept.
    target->session.approveSession(sessionId);
    EXPECT_EQ(target->session.state(), SessionState::Idle);
    // The server's answer to the close must not disturb the resting state.
    QTest::qWait(100);
    EXPECT_EQ(master->session.state(), SessionState::Failed);
    // A new attempt starts from Failed.
    master->session.setPartnerTimeout(SessionManager::kPartnerTimeoutMs);
    connectPair();
}

// The server's own words go to the log; the user reads what happened to which partner, and what
// to do, in the user's language.
TEST_F(SessionEndToEnd, RefusalsFromTheServerReachTheUserAsWhatToDoAboutWhichPartner) {
    QSignalSpy errors(&master->session, &SessionManager::sessionError);
    master->session.initiateSession(target->clientId(), QStringLiteral("Wrong-Pass9"));
    ASSERT_WAIT(master->session.state() == SessionState::Failed, 5000);
    EXPECT_EQ(errors.at(0).at(0).toString(),
              QString("Wrong password for partner %1: check it, or ask them for the current one")
                  .arg(formatClientId(target->clientId())));

    // Registered, never online.
    test::RestClient rest(s_server->baseUrl());
    const test::Device offline = test::registerDevice(rest, test::fingerprintOf("offline-device"));
    master->session.initiateSession(offline.clientId, QStringLiteral("Other-Pass3"));
    ASSERT_WAIT(errors.count() == 2, 5000);
    EXPECT_EQ(errors.at(1).at(0).toString(),
              QString("Partner %1 is offline: ask them to open Nimbral")
                  .arg(formatClientId(offline.clientId)));
    EXPECT_EQ(master->session.state(), SessionState::Failed);

    master->session.initiateSession(QStringLiteral("999999999"), kPassword);
    ASSERT_WAIT(errors.count() == 3, 5000);
    EXPECT_EQ(errors.at(2).at(0).toString(), "Partner 999 999 999 is unknown: check the ID");
}

// ------------------------------------------------------------------ services

// Over peer to peer: a listing, the sizes around a chunk both ways, a refusal, and a file beyond
// the whole-file limit through the data channel's flow control.
TEST_F(SessionEndToEnd, OverPeerToPeerFilesAroundAChunkTravelBothWaysAndRefusalsAreReported) {
    connectPair();
    ASSERT_EQ(master->session.connectionMethod(), "p2p");
    ASSERT_WAIT(master->session.fileTransferService()->peerStreams() &&
                    target->session.fileTransferService()->peerStreams(),
                5000);
    QTemporaryDir remote; // the Target's files
    QTemporaryDir local;  // the Master's
    const auto write = [](const QString& path, const QByteArray& content) {
        QFile file(path);
        return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
    };
    const auto read = [](const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    };
    ASSERT_TRUE(QDir(remote.path()).mkdir("sub"));
    ASSERT_TRUE(write(remote.filePath("empty.txt"), QByteArray()));
    FileTransferService* files = master->session.fileTransferService();
    QSignalSpy listed(files, &FileTransferService::directoryListed);
    files->requestListing(remote.path());
    ASSERT_TRUE(listed.wait(5000));
    QStringList names;
    for (const FileEntry& entry : listed.at(0).at(1).value<QList<FileEntry>>()) {
        names << entry.name + (entry.isDir ? "/" : "");
    }
    EXPECT_EQ(names, (QStringList{"sub/", "empty.txt"}));

    QSignalSpy downloaded(files, &FileTransferService::fileDownloadComplete);
    QSignalSpy uploaded(files, &FileTransferService::fileUploadComplete);
    QSignalSpy errors(files, &FileTransferService::fileError);
    const auto wait = [&](QSignalSpy& done, int count) {
        return QTest::qWaitFor([&] { return done.count() == count || errors.count() > 0; },
                               10000) &&
               errors.isEmpty();
    };
    const qint64 chunk = FileTransferService::kStreamChunkBytes;
    int round = 0;
    for (const qint64 size : {qint64(0), qint64(1), chunk, chunk + 1}) {
        SCOPED_TRACE(size);
        ++round;
        QByteArray content(size, Qt::Uninitialized);
        for (qint64 i = 0; i < size; ++i) {
            content[i] = static_cast<char>(i * 7 + size);
        }
        const QString name = QStringLiteral("f%1.bin").arg(size);
        ASSERT_TRUE(write(remote.filePath(name), content));
        files->requestDownload(remote.filePath(name), local.filePath(name));
        ASSERT_TRUE(wait(downloaded, round)) << errors.value(0).value(0).toString().toStdString();
        EXPECT_TRUE(read(local.filePath(name)) == content);
        files->uploadFile(local.filePath(name), remote.filePath("up-" + name));
        ASSERT_TRUE(wait(uploaded, round)) << errors.value(0).value(0).toString().toStdString();
        EXPECT_TRUE(read(remote.filePath("up-" + name)) == content);
    }

    files->requestDownload(remote.filePath("missing.bin"), local.filePath("missing.bin"));
    ASSERT_TRUE(errors.wait(5000));
    EXPECT_EQ(errors.at(0).at(0).toString(), "Cannot open file: " + remote.filePath("missing.bin"));

    QFile big(remote.filePath("big.bin"));
    ASSERT_TRUE(big.open(QIODevice::WriteOnly));
    ASSERT_TRUE(big.resize(FileTransferService::kMaxFileBytes + 1));
    big.close();
    files->requestDownload(remote.filePath("big.bin"), local.filePath("big.bin"));
    ASSERT_WAIT(downloaded.count() == round + 1 || errors.count() > 1, 30000);
    EXPECT_EQ(errors.count(), 1);
    EXPECT_EQ(QFileInfo(local.filePath("big.bin")).size(), FileTransferService::kMaxFileBytes + 1);
}

TEST_F(SessionEndToEnd, InputEventsReachTheTargetsBackendInOrderWithMovesThrottled) {
    connectPair();
    QSignalSpy received(&target->session, &SessionManager::inputEventReceived);
    InputEvent event;
    event.type = static_cast<std::uint8_t>(InputEventType::MouseMove);
    for (int i = 1; i <= 5; ++i) {
        event.x = i / 10.0;
        event.y = 0.25;
        master->session.sendInputEvent(event);
    }
    InputEvent key;
    key.type = static_cast<std::uint8_t>(InputEventType::KeyPress);
    key.keyCode = 0x41;
    key.scanCode = 0x1E;
    master->session.sendInputEvent(key);
    ASSERT_WAIT(received.count() == 6, 5000);
    // All six arrive as sent; the backend gets the first move at once, then the last position
    // (the key waits for it), then the key.
    ASSERT_WAIT(target->injected.size() == 3, 2000);
    EXPECT_DOUBLE_EQ(target->injected[0].x, 0.1);
    EXPECT_DOUBLE_EQ(target->injected[1].x, 0.5);
    EXPECT_DOUBLE_EQ(target->injected[1].y, 0.25);
    EXPECT_EQ(target->injected[2].keyCode, 0x41u);
    EXPECT_EQ(target->injected[2].scanCode, 0x1Eu);

    // The Target never drives the Master.
    target->session.sendInputEvent(key);
    barrier();
    EXPECT_TRUE(master->injected.empty());

    // The session ends with the key still down: the Target lets go of it.
    master->session.endSession(QStringLiteral("user_disconnect"));
    ASSERT_WAIT(target->injected.size() == 4, 5000);
    EXPECT_EQ(target->injected[3].type, static_cast<std::uint8_t>(InputEventType::KeyRelease));
    EXPECT_EQ(target->injected[3].keyCode, 0x41u);
}

TEST_F(SessionEndToEnd, ClipboardTextCrossesAndIsNotSentBack) {
    // One process has one clipboard, so each direction runs with sharing on one end only.
    master->session.setClipboardSharingEnabled(false);
    connectPair();
    ASSERT_EQ(master->session.clipboardSharing(), nullptr);
    ASSERT_NE(target->session.clipboardSharing(), nullptr);
    barrier(); // past the Target's first words (its monitors)

    // Master -> Target: the Target puts the text on its clipboard and does not echo it.
    // Control messages only: the Target's video runs alongside.
    QList<QByteArray> atMaster;
    QObject::connect(Access::link(master->session), &ITransport::dataReceived, &master->session,
                     [&atMaster](ChannelType channel, const QByteArray& data) {
                         if (channel == ChannelType::Control) {
                             atMaster.append(data);
                         }
                     });
    const QByteArray text = QStringLiteral("copied on the Master – ü").toUtf8();
    QByteArray message(5, '\0');
    message[0] = ClipboardSharing::kTag;
    qToLittleEndian<quint32>(static_cast<quint32>(text.size()), message.data() + 1);
    message.append(text);
    ASSERT_TRUE(Access::sendSealed(master->session,
                                   std::vector<std::uint8_t>(message.begin(), message.end())));
    ASSERT_WAIT(QGuiApplication::clipboard()->text() == QString::fromUtf8(text), 5000);
    barrier();
    EXPECT_EQ(atMaster.count(), 1) << "the Target sent something besides the barrier";

    // Target -> Master: a local copy leaves the Target as the clipboard message.
    atMaster.clear();
    QGuiApplication::clipboard()->setText(QStringLiteral("copied on the Target"));
    ASSERT_WAIT(atMaster.count() == 1, 5000);
    const QByteArray sealed = atMaster.at(0);
    const auto plaintext = Access::cipher(master->session)
                               ->decrypt(reinterpret_cast<const std::uint8_t*>(sealed.data()),
                                         static_cast<std::size_t>(sealed.size()));
    const QByteArray expected = QByteArray("\x04\x14\x00\x00\x00", 5) + "copied on the Target";
    EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(plaintext.data()),
                         static_cast<qsizetype>(plaintext.size())),
              expected);
}

// ------------------------------------------------------------------ channel protocol

TEST_F(SessionEndToEnd, MonitorSwitchCommandsFollowStrtolAndOnlyMoveTheTarget) {
    target->screen->monitorCount = 5;
    QSignalSpy listed(&master->session, &SessionManager::partnerMonitorsListed);
    QSignalSpy refused(&master->session, &SessionManager::monitorSwitchFailed);
    connectPair();
    // The Target says what it has, and which one it sends.
    ASSERT_WAIT(listed.count() == 1, 5000);
    ASSERT_EQ(master->session.monitors().size(), 5u);
    EXPECT_EQ(master->session.monitors()[4].name, "SYN-5");
    EXPECT_EQ(master->session.monitors()[4].index, 4);
    EXPECT_EQ(master->session.partnerMonitorIndex(), 0);
    master->session.requestMonitorSwitch(2);
    ASSERT_WAIT(target->session.monitorIndex() == 2u, 5000);
    // One it does not have is refused, and the Master told.
    master->session.requestMonitorSwitch(5);
    ASSERT_WAIT(refused.count() == 1, 5000);
    EXPECT_EQ(refused.at(0).at(0).toInt(), 5);
    EXPECT_EQ(target->session.monitorIndex(), 2u);
    auto command = [](const std::string& text) {
        return controlMessage(ControlTag::SessionCommand,
                              reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
    };
    Access::sendSealed(master->session, command("switch_monitor:-3"));
    ASSERT_WAIT(target->session.monitorIndex() == 0u, 5000);
    Access::sendSealed(master->session, command("switch_monitor: +1x"));
    ASSERT_WAIT(target->session.monitorIndex() == 1u, 5000);
    // No number, or one beyond 32 bits: nothing moves, nothing fails.
    Access::sendSealed(master->session, command("switch_monitor:x"));
    Access::sendSealed(master->session, command("switch_monitor:99999999999"));
    Access::sendSealed(master->session, command("switch_monitor:4"));
    ASSERT_WAIT(target->session.monitorIndex() == 4u, 5000);
    // At the Master the command is only logged.
    test::LogCapture log;
    Access::sendSealed(target->session, command("switch_monitor:3"));
    barrier();
    EXPECT_TRUE(log.has(info, "Session command received: switch_monitor:3"));
    EXPECT_EQ(master->session.monitorIndex(), 0u);
    EXPECT_EQ(master->session.state(), SessionState::Connected);
    // The partner chooses the text: escaped, it cannot forge a line of the log or move its
    // reader's terminal.
    Access::sendSealed(target->session,
                       command("hello\n[2026-01-01 00:00:00.000] [error] forged \x1b[2J"));
    barrier();
    EXPECT_TRUE(log.has(info, "Session command received: hello\\x0a[2026-01-01 00:00:00.000] "
                              "[error] forged \\x1b[2J"));
    for (const auto& line : log.lines()) {
        EXPECT_EQ(line.text.find('\n'), std::string::npos) << line.text;
        EXPECT_EQ(line.text.find('\x1b'), std::string::npos) << line.text;
    }
}

// A Target whose desktop nothing can read (a Wayland desktop without screen-cast support) says
// so, and the Master learns it instead of waiting for a picture that never comes.
TEST_F(SessionEndToEnd, ATargetThatCannotReadItsScreenTellsTheMaster) {
    target->session.setCaptureBackends([] { return nullptr; }, [] { return nullptr; });
    QSignalSpy unavailable(&master->session, &SessionManager::partnerScreenUnavailable);
    QSignalSpy targetErrors(&target->session, &SessionManager::sessionError);
    test::LogCapture log;
    connectPair();
    ASSERT_WAIT(unavailable.count() == 1, 5000);
    EXPECT_TRUE(log.has(info, "Session command received: screen_unavailable"));
    ASSERT_EQ(targetErrors.count(), 1);
    EXPECT_EQ(targetErrors.at(0).at(0).toString(), "Failed to start screen capture.");
    // The rest of the session goes on: the link, chat and files do not need the screen.
    EXPECT_EQ(master->session.state(), SessionState::Connected);
    EXPECT_EQ(target->session.state(), SessionState::Connected);
}

TEST_F(SessionEndToEnd, MalformedAndForeignMessagesAreDroppedAndTheSessionGoesOn) {
    connectPair();
    test::LogCapture log;
    // Tag bytes alone, an unknown tag, a broken input event, an input event at the Master.
    for (std::uint8_t tag : {0x01, 0x03, 0x05, 0x06, 0x07, 0xFF}) {
        Access::sendSealed(master->session, {tag});
    }
    Access::sendSealed(master->session, {0x01, 99, 1, 2});
    Access::sendSealed(master->session,
                       {0x03, 'd', 'i', 's', 'c', 'o', 'n', 'n', 'e', 'c', 't', ' '});
    InputEvent key;
    key.type = static_cast<std::uint8_t>(InputEventType::KeyPress);
    auto wire = key.serialize();
    wire.insert(wire.begin(), 0x01);
    Access::sendSealed(target->session, wire);
    // Video at the Target is dropped before it is opened; garbage video at the Master fails to
    // open.
    Access::sendSealed(master->session, {1, 2, 3}, ChannelType::Video);
    const QByteArray junk(64, 'j');
    Access::link(target->session)
        ->send(ChannelType::Video, reinterpret_cast<const std::uint8_t*>(junk.data()),
               static_cast<std::size_t>(junk.size()));
    // Sealed under a key that is not the session's.
    AesGcmCipher stranger(std::vector<std::uint8_t>(32, 0x5A), std::vector<std::uint8_t>(12, 1));
    const std::vector<std::uint8_t> chat{0x06, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 'x'};
    const auto foreign = stranger.encrypt(chat);
    Access::link(master->session)->send(ChannelType::Control, foreign.data(), foreign.size());

    // The session goes on: a chat from the Master still arrives after all of it.
    QSignalSpy atTarget(target->session.chatService(), &ChatService::messageReceived);
    master->session.chatService()->sendMessage(QStringLiteral("still here"));
    ASSERT_TRUE(atTarget.wait(5000));
    EXPECT_EQ(atTarget.count(), 1);
    barrier();
    EXPECT_EQ(target->session.state(), SessionState::Connected);
    EXPECT_EQ(master->session.state(), SessionState::Connected);
    EXPECT_TRUE(target->injected.empty());
    EXPECT_TRUE(master->injected.empty());
    EXPECT_TRUE(log.has(warn, "Chat: service not initialized or message too short"));
    EXPECT_TRUE(log.hasPrefix(warn, "Failed to deserialize input event: "));
    EXPECT_TRUE(log.has(info, "Session command received: disconnect "));
    EXPECT_TRUE(log.has(warn, "Failed to decrypt video data (64 bytes)"));
    EXPECT_TRUE(log.has(warn, "Failed to decrypt control data (" + std::to_string(foreign.size()) +
                                  " bytes)"));
}

TEST_F(SessionEndToEnd, AReplayedInputEventIsDroppedOnce) {
    connectPair();
    // Record what the Target's link delivers, as a relay in the middle could.
    QSignalSpy seen(Access::link(target->session), &ITransport::dataReceived);
    InputEvent click;
    click.type = static_cast<std::uint8_t>(InputEventType::MouseButtonPress);
    click.x = 0.5;
    click.y = 0.5;
    master->session.sendInputEvent(click);
    ASSERT_WAIT(target->injected.size() == 1, 5000);
    ASSERT_EQ(seen.count(), 1);
    const QByteArray recorded = seen.at(0).at(1).toByteArray();

    test::LogCapture log;
    target->session.onTransportData(ChannelType::Control, recorded);
    target->session.onTransportData(ChannelType::Control, recorded);
    EXPECT_EQ(target->injected.size(), 1u);
    EXPECT_TRUE(log.hasPrefix(warn, "Dropped a replayed or out-of-window message"));
    // Warned about once, not per message.
    int warnings = 0;
    for (const auto& line : log.lines()) {
        warnings += line.text.rfind("Dropped a replayed", 0) == 0 ? 1 : 0;
    }
    EXPECT_EQ(warnings, 1);

    // A message of the Master's own reflected back at it is refused the same way.
    master->session.onTransportData(ChannelType::Control, recorded);
    EXPECT_TRUE(master->injected.empty());

    // Fresh events still pass.
    master->session.sendInputEvent(click);
    ASSERT_WAIT(target->injected.size() == 2, 5000);
}

// ------------------------------------------------------------------ endings

TEST_F(SessionEndToEnd, EndingTellsTheServerAndThePeerAndALeavingPeerIsSeenAtOnce) {
    connectPair();
    test::LogCapture log;
    const QString sessionId = master->session.sessionId();
    master->session.endSession(QStringLiteral("user_disconnect"));
    EXPECT_EQ(master->session.state(), SessionState::Idle);
    EXPECT_TRUE(master->session.sessionId().isEmpty());
    EXPECT_EQ(master->session.chatService(), nullptr);
    ASSERT_WAIT(target->session.state() == SessionState::Idle, 3000);
    EXPECT_TRUE(log.has(info, "Ending session " + sessionId.toStdString() +
                                  " (reason: remote_disconnect)"));
    ASSERT_WAIT(s_server->output().contains("session " + sessionId + " closed by"), 5000);
    // Both can start again; a Master that leaves without a word is seen gone from the closed
    // channels at once (ICE consent alone would take about ten seconds).
    connectPair();
    const QString second = target->session.sessionId();
    master->session.endSession(QLatin1String(kLinkLostReason));
    ASSERT_WAIT(target->session.state() == SessionState::Idle, 3000);
    EXPECT_TRUE(log.has(info, "Ending session " + second.toStdString() +
                                  " (reason: remote_transport_closed)"));
}

TEST_F(SessionEndToEnd, ANewRequestReplacesTheRunningSessionAndTellsTheServer) {
    connectPair();
    const QString first = target->session.sessionId();
    test::DeviceStack second(*s_server, QString());
    ASSERT_TRUE(second.bringOnline());
    test::LogCapture log;
    second.session.initiateSession(target->clientId(), kPassword);
    ASSERT_WAIT(second.session.state() == SessionState::Connected &&
                    target->session.state() == SessionState::Connected &&
                    target->session.peerClientId() == second.clientId(),
                15000);
    EXPECT_TRUE(log.has(info, "Ending previous session to accept new one"));
    EXPECT_TRUE(
        log.has(info, "Ending session " + first.toStdString() + " (reason: new_session_incoming)"));
    // The first Master loses its link and comes to rest.
    ASSERT_WAIT(master->session.state() == SessionState::Idle, 15000);
}

TEST_F(SessionEndToEnd, ADisconnectCommandEndsTheSessionOnEitherSide) {
    connectPair();
    const std::vector<std::uint8_t> disconnect{0x03, 'd', 'i', 's', 'c', 'o',
                                               'n',  'n', 'e', 'c', 't'};
    test::LogCapture log;
    ASSERT_TRUE(Access::sendSealed(target->session, disconnect));
    ASSERT_WAIT(master->session.state() == SessionState::Idle, 5000);
    EXPECT_TRUE(log.hasPrefix(info, "Ending session ") &&
                log.has(info, "Session command received: disconnect"));
    ASSERT_WAIT(target->session.state() == SessionState::Idle, 15000);

    connectPair();
    ASSERT_TRUE(Access::sendSealed(master->session, disconnect));
    ASSERT_WAIT(target->session.state() == SessionState::Idle, 5000);
}

} // namespace
} // namespace nimbral
