#pragma once

#include <optional>

#include <QNetworkAccessManager>
#include <QObject>
#include <QString>
#include <QTimer>
#include <QUdpSocket>
#include <QUrl>

#include "network/stun_message.h"

namespace nimbral {

class ApiClient;

// Tells the server every interval that the device is online, with its local IPv4 address, its
// public address (from an IP-echo service) and a rough NAT class from two STUN binding requests.
// The NAT class is decided once per run. Main thread only.
class HeartbeatService : public QObject {
    Q_OBJECT

public:
    static constexpr quint16 kDefaultStunPort = 19302;
    static constexpr int kStunTimeoutMs = 3000;
    static constexpr char kDefaultStunHost[] = "stun.l.google.com";
    static constexpr char kDefaultIpEchoUrl[] = "https://api.ipify.org";

    explicit HeartbeatService(ApiClient* api, QObject* parent = nullptr);
    ~HeartbeatService() override;

    // Deployment settings; tests point them at loopback.
    void setStunServer(const QString& host, quint16 port);
    void setIpEchoUrl(const QUrl& url) { m_ipEchoUrl = url; }

    void start(int intervalMs);
    void stop();

    QString publicIp() const { return m_publicIp; }
    QString natType() const { return m_natType; }

    // First IPv4 address in interface order other than 127.0.0.1, or empty.
    static QString localIpv4Address();

signals:
    void natTypeDetected(const QString& natType);
    void publicIpDetected(const QString& address);

public slots:
    void sendHeartbeat();
    void fetchPublicIp();
    void detectNatType();

private:
    void onStunReadyRead(QUdpSocket* socket);
    void onStunTimeout();
    void closeStunSockets();

    ApiClient* m_api;
    QTimer m_heartbeatTimer;
    QNetworkAccessManager m_network;
    QString m_publicIp;
    QString m_natType;
    QUdpSocket m_stunSocket1;
    QUdpSocket m_stunSocket2;
    QTimer m_stunTimeout;
    // Each socket's request, and the address the server saw it from once answered.
    QByteArray m_stunTransaction1;
    QByteArray m_stunTransaction2;
    std::optional<stun::MappedAddress> m_mapped1;
    std::optional<stun::MappedAddress> m_mapped2;
    int m_lookupId = -1;
    QString m_stunHost = QString::fromLatin1(kDefaultStunHost);
    quint16 m_stunPort = kDefaultStunPort;
    QUrl m_ipEchoUrl = QUrl(QString::fromLatin1(kDefaultIpEchoUrl));
};

} // namespace nimbral
