#include "session/clipboard_sharing.h"

#include <span>

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

#include <spdlog/spdlog.h>

#include "common/wire.h"

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
    QByteArray message;
    message.reserve(kHeaderSize + utf8.size());
    wire::put(message, static_cast<quint8>(kTag));
    wire::put(message, static_cast<quint32>(utf8.size()));
    message.append(utf8);
    spdlog::debug("ClipboardSharing: local clipboard changed, sending {} bytes of text",
                  utf8.size());
    emit clipboardDataReady(message);
}

void ClipboardSharing::onRemoteClipboardData(const QByteArray& data) {
    wire::Reader reader(data.constData(), static_cast<std::size_t>(data.size()));
    quint8 tag = 0;
    qint32 length = 0;
    if (!reader.u8(tag) || !reader.read(length)) {
        spdlog::warn("ClipboardSharing: received message too small ({} bytes, minimum {})",
                     data.size(), kHeaderSize);
        return;
    }
    if (tag != static_cast<quint8>(kTag)) {
        spdlog::warn("ClipboardSharing: unexpected message type tag 0x{:02X}, expected 0x{:02X}",
                     tag, static_cast<quint8>(kTag));
        return;
    }
    if (length < 0 || length > kMaxTextBytes) {
        spdlog::warn("ClipboardSharing: remote clipboard text too large ({} bytes, max {} bytes) — "
                     "ignoring",
                     length, kMaxTextBytes);
        return;
    }
    std::span<const std::uint8_t> utf8;
    if (!reader.bytes(static_cast<std::size_t>(length), utf8)) {
        spdlog::warn("ClipboardSharing: message truncated — expected {} bytes, got {}",
                     static_cast<qint64>(length) + kHeaderSize, data.size());
        return;
    }
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(utf8.data()), length);
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
