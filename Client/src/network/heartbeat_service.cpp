#include "network/heartbeat_service.h"

#include <QHostInfo>
#include <QNetworkDatagram>
#include <QNetworkInterface>
#include <QNetworkReply>

#include <spdlog/spdlog.h>

#include "common/main_thread.h"
#include "network/api_client.h"
#include "network/stun_message.h"

namespace nimbral {

HeartbeatService::HeartbeatService(ApiClient* api, QObject* parent)
    : QObject(parent)
    , m_api(api) {
    connect(&m_heartbeatTimer, &QTimer::timeout, this, &HeartbeatService::sendHeartbeat);
    m_stunTimeout.setSingleShot(true);
    connect(&m_stunTimeout, &QTimer::timeout, this, &HeartbeatService::onStunTimeout);
    connect(&m_stunSocket1, &QUdpSocket::readyRead, this,
            [this] { onStunReadyRead(&m_stunSocket1); });
    connect(&m_stunSocket2, &QUdpSocket::readyRead, this,
            [this] { onStunReadyRead(&m_stunSocket2); });
}

HeartbeatService::~HeartbeatService() {
    if (m_lookupId >= 0) {
        QHostInfo::abortHostLookup(m_lookupId);
    }
}

void HeartbeatService::setStunServer(const QString& host, quint16 port) {
    NIMBRAL_ASSERT_MAIN_THREAD();
    m_stunHost = host;
    m_stunPort = port;
}

void HeartbeatService::start(int intervalMs) {
    NIMBRAL_ASSERT_MAIN_THREAD();
    spdlog::info("Heartbeat service started (interval: {} ms)", intervalMs);
    fetchPublicIp();
    detectNatType();
    m_heartbeatTimer.start(intervalMs);
    sendHeartbeat();
}

void HeartbeatService::stop() {
    NIMBRAL_ASSERT_MAIN_THREAD();
    m_heartbeatTimer.stop();
    closeStunSockets();
    spdlog::info("Heartbeat service stopped");
}

QString HeartbeatService::localIpv4Address() {
    for (const QHostAddress& address : QNetworkInterface::allAddresses()) {
        if (address.protocol() == QAbstractSocket::IPv4Protocol &&
            address != QHostAddress(QHostAddress::LocalHost)) {
            return address.toString();
        }
    }
    return {};
}

void HeartbeatService::sendHeartbeat() {
    NIMBRAL_ASSERT_MAIN_THREAD();
    m_api->sendHeartbeat(localIpv4Address(), m_publicIp, m_natType);
}

void HeartbeatService::fetchPublicIp() {
    NIMBRAL_ASSERT_MAIN_THREAD();
    QNetworkRequest request(m_ipEchoUrl);
    request.setTransferTimeout(15000);
    QNetworkReply* reply = m_network.get(request);
    connect(reply, &QNetworkReply::finished, this, [this, reply] {
        reply->deleteLater();
        if (reply->error() != QNetworkReply::NoError) {
            return;
        }
        m_publicIp = QString::fromUtf8(reply->readAll()).trimmed();
        spdlog::info("Public IP detected: {}", m_publicIp.toStdString());
        emit publicIpDetected(m_publicIp);
    });
}

void HeartbeatService::detectNatType() {
    NIMBRAL_ASSERT_MAIN_THREAD();
    m_stunTransaction1.clear();
    m_stunTransaction2.clear();
    m_mapped1.reset();
    m_mapped2.reset();
    closeStunSockets();
    m_stunSocket1.bind(QHostAddress::AnyIPv4, 0);
    m_stunSocket2.bind(QHostAddress::AnyIPv4, 0);
    m_stunTimeout.start(kStunTimeoutMs);

    // The name is resolved asynchronously: a slow or dead resolver must not hold up the event
    // loop; the time-out above covers it.
    if (m_lookupId >= 0) {
        QHostInfo::abortHostLookup(m_lookupId);
    }
    m_lookupId = QHostInfo::lookupHost(m_stunHost, this, [this](const QHostInfo& info) {
        m_lookupId = -1;
        for (const QHostAddress& address : info.addresses()) {
            if (address.protocol() != QAbstractSocket::IPv4Protocol) {
                continue;
            }
            if (m_stunSocket1.state() == QAbstractSocket::BoundState) {
                const QByteArray first = stun::bindingRequest();
                const QByteArray second = stun::bindingRequest();
                m_stunTransaction1 = stun::transactionId(first);
                m_stunTransaction2 = stun::transactionId(second);
                m_stunSocket1.writeDatagram(first, address, m_stunPort);
                m_stunSocket2.writeDatagram(second, address, m_stunPort);
            }
            return;
        }
    });
}

void HeartbeatService::onStunReadyRead(QUdpSocket* socket) {
    const bool first = socket == &m_stunSocket1;
    const QByteArray& expected = first ? m_stunTransaction1 : m_stunTransaction2;
    std::optional<stun::MappedAddress>& answer = first ? m_mapped1 : m_mapped2;
    while (socket->hasPendingDatagrams()) {
        const QByteArray datagram = socket->receiveDatagram().data();
        // Anyone can send a datagram to the port: only the answer to this socket's own request
        // tells where that request came from.
        if (expected.isEmpty() || stun::transactionId(datagram) != expected) {
            spdlog::warn("STUN: dropped a datagram that answers no request of ours");
            continue;
        }
        const auto mapped = stun::parseBindingResponse(datagram);
        if (!mapped || answer) {
            continue;
        }
        answer = mapped;
    }
    if (!m_mapped1 || !m_mapped2 || !m_natType.isEmpty()) {
        return;
    }
    if (m_mapped1->address == localIpv4Address()) {
        m_natType = QStringLiteral("Open");
    } else if (m_mapped1->address == m_mapped2->address && m_mapped1->port != m_mapped2->port) {
        m_natType = QStringLiteral("SymmetricNAT");
    } else {
        m_natType = QStringLiteral("PortRestricted");
    }
    spdlog::info("NAT type detected: {}", m_natType.toStdString());
    m_stunTimeout.stop();
    closeStunSockets();
    emit natTypeDetected(m_natType);
}

void HeartbeatService::onStunTimeout() {
    if (m_natType.isEmpty()) {
        spdlog::info("STUN NAT detection timed out");
        m_natType = QStringLiteral("Unknown");
        emit natTypeDetected(m_natType);
    }
    closeStunSockets();
}

void HeartbeatService::closeStunSockets() {
    m_stunSocket1.close();
    m_stunSocket2.close();
}

} // namespace nimbral
