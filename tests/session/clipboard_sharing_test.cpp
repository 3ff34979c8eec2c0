#include "session/clipboard_sharing.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>
#include <QSignalSpy>
#include <QtEndian>

#include <gtest/gtest.h>

#include "log_capture.h"
#include "wait_until.h"

namespace nimbral {
namespace {

QByteArray message(char tag, qint32 length, const QByteArray& text) {
    QByteArray data(5, '\0');
    data[0] = tag;
    qToLittleEndian<qint32>(length, data.data() + 1);
    return data + text;
}

class ClipboardSharingTest : public ::testing::Test {
protected:
    void SetUp() override {
        QGuiApplication::clipboard()->clear();
        QCoreApplication::processEvents();
    }
    ClipboardSharing sharing;
};

TEST_F(ClipboardSharingTest, LocalTextBecomesOneCompleteMessage) {
    QSignalSpy ready(&sharing, &ClipboardSharing::clipboardDataReady);
    sharing.start();
    QGuiApplication::clipboard()->setText(QString::fromUtf8("kopie č. 1"));
    ASSERT_WAIT(ready.count() == 1, 2000);
    const QByteArray utf8 = QString::fromUtf8("kopie č. 1").toUtf8();
    EXPECT_EQ(ready.at(0).at(0).toByteArray(),
              message(0x04, static_cast<qint32>(utf8.size()), utf8));
}

TEST_F(ClipboardSharingTest, NothingIsSentWhenInactiveEmptyOrNotText) {
    QSignalSpy ready(&sharing, &ClipboardSharing::clipboardDataReady);
    QGuiApplication::clipboard()->setText("before start");
    QCoreApplication::processEvents();
    sharing.start();
    QGuiApplication::clipboard()->setText(QString());
    QImage image(4, 4, QImage::Format_RGB32);
    image.fill(Qt::red);
    QGuiApplication::clipboard()->setImage(image);
    QCoreApplication::processEvents();
    sharing.stop();
    QGuiApplication::clipboard()->setText("after stop");
    QCoreApplication::processEvents();
    EXPECT_EQ(ready.count(), 0);
}

TEST_F(ClipboardSharingTest, RemoteTextLandsLocallyWithoutEchoingBack) {
    QSignalSpy ready(&sharing, &ClipboardSharing::clipboardDataReady);
    sharing.start();
    sharing.onRemoteClipboardData(message(0x04, 6, "remote"));
    QCoreApplication::processEvents();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "remote");
    EXPECT_EQ(ready.count(), 0) << "the remote text was sent back";

    // The next real local change is sent again.
    QGuiApplication::clipboard()->setText("mine");
    ASSERT_WAIT(ready.count() == 1, 2000);
}

TEST_F(ClipboardSharingTest, RemoteTextIsAppliedEvenWhenNotSharingLocalChanges) {
    sharing.onRemoteClipboardData(message(0x04, 5, "hello"));
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "hello");
}

TEST_F(ClipboardSharingTest, TheLimitIsTenMebibytesInclusive) {
    QSignalSpy ready(&sharing, &ClipboardSharing::clipboardDataReady);
    sharing.start();
    test::LogCapture log;
    QGuiApplication::clipboard()->setText(
        QString(ClipboardSharing::kMaxTextBytes, QLatin1Char('a')));
    ASSERT_WAIT(ready.count() == 1, 5000);
    EXPECT_EQ(ready.at(0).at(0).toByteArray().size(), ClipboardSharing::kMaxTextBytes + 5);
    QGuiApplication::clipboard()->setText(
        QString(ClipboardSharing::kMaxTextBytes + 1, QLatin1Char('a')));
    QCoreApplication::processEvents();
    EXPECT_EQ(ready.count(), 1);
    EXPECT_TRUE(log.has(spdlog::level::warn, "ClipboardSharing: local clipboard text too large "
                                             "(10485761 bytes, max 10485760 bytes) — skipping"));
}

TEST_F(ClipboardSharingTest, MalformedRemoteMessagesAreRejected) {
    QGuiApplication::clipboard()->setText("unchanged");
    QCoreApplication::processEvents();
    test::LogCapture log;
    sharing.onRemoteClipboardData(QByteArray(4, '\x04'));
    EXPECT_TRUE(log.has(spdlog::level::warn,
                        "ClipboardSharing: received message too small (4 bytes, minimum 5)"));
    sharing.onRemoteClipboardData(message(0x05, 1, "x"));
    EXPECT_TRUE(log.has(spdlog::level::warn,
                        "ClipboardSharing: unexpected message type tag 0x05, expected 0x04"));
    sharing.onRemoteClipboardData(message(0x04, 100, QByteArray(50, 'x')));
    EXPECT_TRUE(log.has(spdlog::level::warn,
                        "ClipboardSharing: message truncated — expected 105 bytes, got 55"));
    sharing.onRemoteClipboardData(message(0x04, -1, "x"));
    sharing.onRemoteClipboardData(message(0x04, ClipboardSharing::kMaxTextBytes + 1, "x"));
    EXPECT_TRUE(log.hasPrefix(spdlog::level::warn,
                              "ClipboardSharing: remote clipboard text too large (-1 bytes"));
    sharing.onRemoteClipboardData(message(0x04, 0, ""));
    EXPECT_TRUE(log.has(spdlog::level::debug,
                        "ClipboardSharing: received empty clipboard text — ignoring"));
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "unchanged");
}

TEST_F(ClipboardSharingTest, StartingTwiceKeepsOneConnection) {
    QSignalSpy ready(&sharing, &ClipboardSharing::clipboardDataReady);
    test::LogCapture log;
    sharing.start();
    sharing.start();
    EXPECT_TRUE(log.has(spdlog::level::debug, "ClipboardSharing already active"));
    QGuiApplication::clipboard()->setText("once");
    ASSERT_WAIT(ready.count() >= 1, 2000);
    QCoreApplication::processEvents();
    EXPECT_EQ(ready.count(), 1);
}

} // namespace
} // namespace nimbral
