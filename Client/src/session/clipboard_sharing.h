#pragma once

#include <QByteArray>
#include <QMetaObject>
#include <QObject>

namespace nimbral {

// Keeps the plain-text clipboards of the two session ends in step. Local changes become complete
// control messages (tag 0x04, 4-byte LE length, UTF-8 text) through clipboardDataReady; messages
// from the peer are written to the local clipboard without being echoed back. GUI thread only.
class ClipboardSharing : public QObject {
    Q_OBJECT

public:
    static constexpr char kTag = 0x04;
    static constexpr int kHeaderSize = 5;
    static constexpr qint64 kMaxTextBytes = 10 * 1024 * 1024;

    explicit ClipboardSharing(QObject* parent = nullptr);
    ~ClipboardSharing() override;

    void start();
    void stop();
    bool isActive() const { return m_active; }

signals:
    void clipboardDataReady(const QByteArray& data);

public slots:
    void onRemoteClipboardData(const QByteArray& data);
    void onLocalClipboardChanged();

private:
    bool m_active = false;
    bool m_suppressNext = false;
    QMetaObject::Connection m_connection;
};

} // namespace nimbral
