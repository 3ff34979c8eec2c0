#include "network/heartbeat_service.h"

#include <QHostInfo>
#include <QNetworkDatagram>
#include <QNetworkInterface>
#include <QNetworkReply>

#include <spdlog/spdlog.h>

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
    m_stunHost = host;
    m_stunPort = port;
}

void HeartbeatService::start(int intervalMs) {
    spdlog::info("Heartbeat service started (interval: {} ms)", intervalMs);
    fetchPublicIp();
    detectNatType();
    m_heartbeatTimer.start(intervalMs);
    sendHeartbeat();
}

void HeartbeatService::stop() {
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
    m_api->sendHeartbeat(localIpv4Address(), m_publicIp, m_natType);
}

void HeartbeatService::fetchPublicIp() {
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
    m_stunResponses = 0;
    m_firstMappedAddress.clear();
    m_firstMappedPort = 0;
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
                m_stunSocket1.writeDatagram(stun::bindingRequest(), address, m_stunPort);
                m_stunSocket2.writeDatagram(stun::bindingRequest(), address, m_stunPort);
            }
            return;
        }
    });
}

void HeartbeatService::onStunReadyRead(QUdpSocket* socket) {
    while (socket->hasPendingDatagrams()) {
        const QByteArray datagram = socket->receiveDatagram().data();
        const auto mapped = stun::parseBindingResponse(datagram);
        if (!mapped) {
            continue;
        }
        ++m_stunResponses;
        if (m_stunResponses == 1) {
            m_firstMappedAddress = mapped->address;
            m_firstMappedPort = mapped->port;
        } else if (m_stunResponses == 2 && m_natType.isEmpty()) {
            if (m_firstMappedAddress == localIpv4Address()) {
                m_natType = QStringLiteral("Open");
            } else if (m_firstMappedAddress == mapped->address &&
                       m_firstMappedPort != mapped->port) {
                m_natType = QStringLiteral("SymmetricNAT");
            } else {
                m_natType = QStringLiteral("PortRestricted");
            }
            spdlog::info("NAT type detected: {}", m_natType.toStdString());
            m_stunTimeout.stop();
            closeStunSockets();
            emit natTypeDetected(m_natType);
            return;
        }
    }
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
