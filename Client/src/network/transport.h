#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include <QByteArray>
#include <QMetaType>
#include <QObject>
#include <QString>

namespace nimbral {

// The two logical channels of a session link; the value is the channel byte on the relay wire.
enum class ChannelType : std::uint8_t {
    Control = 0, // every non-video session message, and the relay join
    Video = 1,   // encoded video packets
};

// One relay node a session may fall back to; a lower metric is preferred, negative is unknown.
struct RelayCandidate {
    QString nodeId;
    QString host;
    quint16 port = 0;
    qint32 metric = -1;
    bool tls = false; // the node speaks TLS (the server is reached over https)
};

// A session's bidirectional, message-oriented link with its two channels. Implementations live
// on the main thread and report through the signals; send() only says whether the message was
// handed to the link.
class ITransport : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;
    ~ITransport() override = default;

public slots:
    // Starts a connection attempt; the outcome arrives as connected() or transportError().
    virtual bool connect(const std::string& host, quint16 port) = 0;
    // Closes the link at the caller's request; no reconnection follows.
    virtual void disconnect() = 0;
    virtual bool isConnected() const = 0;
    virtual bool send(ChannelType channel, const std::uint8_t* data, std::size_t length) = 0;
    // Bytes handed to send() on this channel that have not left yet: what a sender of a
    // continuous stream checks so that it never queues more than the link carries.
    virtual std::size_t pendingBytes(ChannelType channel) const = 0;
    // True when both channels queue in one stream (pendingBytes then counts them together).
    virtual bool channelsShareOneQueue() const { return false; }
    // Bytes the link adds to every message it is handed, which pendingBytes counts as well.
    virtual std::size_t framingBytesPerMessage() const { return 0; }
    // The link's smoothed round-trip time in milliseconds, when it is known.
    virtual std::optional<double> roundTripMs() const = 0;

signals:
    void connected();
    void disconnected();
    void dataReceived(nimbral::ChannelType channel, const QByteArray& data);
    void transportError(const QString& error);
};

} // namespace nimbral

Q_DECLARE_METATYPE(nimbral::ChannelType)
