#include "session/clipboard_sharing.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QtEndian>

#include <spdlog/spdlog.h>

namespace nimbral {

ClipboardSharing::ClipboardSharing(QObject* parent)
    : QObject(parent) {
}

ClipboardSharing::~ClipboardSharing() {
    stop();
}

void ClipboardSharing::start() {
    if (m_active) {
        spdlog::debug("ClipboardSharing already active");
        return;
    }
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (clipboard == nullptr) {
        spdlog::error("ClipboardSharing: QApplication::clipboard() returned null");
        return;
    }
    m_connection = connect(clipboard, &QClipboard::dataChanged, this,
                           &ClipboardSharing::onLocalClipboardChanged);
    m_active = true;
    spdlog::info("ClipboardSharing started");
}

void ClipboardSharing::stop() {
    if (!m_active) {
        return;
    }
    disconnect(m_connection);
    m_active = false;
    m_suppressNext = false;
    spdlog::info("ClipboardSharing stopped");
}

void ClipboardSharing::onLocalClipboardChanged() {
    if (m_suppressNext) {
        m_suppressNext = false;
        spdlog::debug("ClipboardSharing: ignoring self-triggered clipboard change");
        return;
    }
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (!m_active || clipboard == nullptr) {
        return;
    }
    const QMimeData* mime = clipboard->mimeData();
    if (mime == nullptr || !mime->hasText()) {
        return;
    }
    const QString text = mime->text();
    if (text.isEmpty()) {
        return;
    }
    const QByteArray utf8 = text.toUtf8();
    if (utf8.size() > kMaxTextBytes) {
        spdlog::warn("ClipboardSharing: local clipboard text too large ({} bytes, max {} bytes) — "
                     "skipping",
                     utf8.size(), kMaxTextBytes);
        return;
    }
    QByteArray message(kHeaderSize, '\0');
    message[0] = kTag;
    qToLittleEndian<quint32>(static_cast<quint32>(utf8.size()), message.data() + 1);
    message.append(utf8);
    spdlog::debug("ClipboardSharing: local clipboard changed, sending {} bytes of text",
                  utf8.size());
    emit clipboardDataReady(message);
}

void ClipboardSharing::onRemoteClipboardData(const QByteArray& data) {
    if (data.size() < kHeaderSize) {
        spdlog::warn("ClipboardSharing: received message too small ({} bytes, minimum {})",
                     data.size(), kHeaderSize);
        return;
    }
    if (data.at(0) != kTag) {
        spdlog::warn("ClipboardSharing: unexpected message type tag 0x{:02X}, expected 0x{:02X}",
                     static_cast<quint8>(data.at(0)), static_cast<quint8>(kTag));
        return;
    }
    const auto length = qFromLittleEndian<qint32>(data.constData() + 1);
    if (length < 0 || length > kMaxTextBytes) {
        spdlog::warn("ClipboardSharing: remote clipboard text too large ({} bytes, max {} bytes) — "
                     "ignoring",
                     length, kMaxTextBytes);
        return;
    }
    if (data.size() < static_cast<qint64>(length) + kHeaderSize) {
        spdlog::warn("ClipboardSharing: message truncated — expected {} bytes, got {}",
                     static_cast<qint64>(length) + kHeaderSize, data.size());
        return;
    }
    const QString text = QString::fromUtf8(data.constData() + kHeaderSize, length);
    if (text.isEmpty()) {
        spdlog::debug("ClipboardSharing: received empty clipboard text — ignoring");
        return;
    }
    spdlog::debug("ClipboardSharing: received {} bytes of remote clipboard text", length);
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (clipboard == nullptr) {
        spdlog::error("ClipboardSharing: QApplication::clipboard() returned null");
        return;
    }
    m_suppressNext = true;
    clipboard->setText(text);
}

} // namespace nimbral
