#include "network/api_client.h"

#include <QCoreApplication>
#include <QHostAddress>
#include <QNetworkReply>
#include <QNetworkRequest>

#include <spdlog/spdlog.h>

#include "common/main_thread.h"

namespace nimbral {

namespace {

using json = nlohmann::json;

// A reply field the handlers read; anything but a string counts as missing.
std::optional<QString> stringField(const json& body, const char* name) {
    if (!body.is_object()) {
        return std::nullopt;
    }
    const auto it = body.find(name);
    if (it == body.end() || !it->is_string()) {
        return std::nullopt;
    }
    return QString::fromStdString(it->get<std::string>());
}

QString detailOr(const json& body, const char* fallback) {
    return stringField(body, "detail").value_or(QString::fromUtf8(fallback));
}

void putIfNotEmpty(json& body, const char* name, const QString& value) {
    if (!value.isEmpty()) {
        body[name] = value.toStdString();
    }
}

} // namespace

ApiClient::ApiClient(const QUrl& baseUrl, QObject* parent)
    : QObject(parent)
    , m_baseUrl(baseUrl) {
    qRegisterMetaType<nlohmann::json>();
    if (crossesNetworkInClear(baseUrl)) {
        spdlog::warn("ApiClient: the server {} is reached over plain http: its tokens, the device "
                     "secret and session passwords cross the network readable",
                     baseUrl.toString().toStdString());
    }
}

bool ApiClient::crossesNetworkInClear(const QUrl& serverUrl) {
    if (serverUrl.scheme() != QLatin1String("http")) {
        return false;
    }
    const QString host = serverUrl.host();
    if (host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0) {
        return false;
    }
    const QHostAddress address(host);
    return address.isNull() || !address.isLoopback();
}

void ApiClient::send(const QByteArray& verb, const QString& path, const json& body, bool authorised,
                     ReplyHandler handler) {
    QUrl url = m_baseUrl;
    url.setPath(path);
    url.setQuery(QString());
    url.setFragment(QString());
    QNetworkRequest request(url);
    request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArrayLiteral("application/json"));
    if (authorised && !m_token.isEmpty()) {
        request.setRawHeader("Authorization", "Bearer " + m_token.toUtf8());
    }
    request.setTransferTimeout(m_transferTimeoutMs);

    const QByteArray payload =
        QByteArray::fromStdString(body.dump(-1, ' ', false, json::error_handler_t::replace));
    QNetworkReply* reply = verb == "POST" ? m_network.post(request, payload)
                                          : m_network.sendCustomRequest(request, verb, payload);
    connect(reply, &QNetworkReply::finished, this, [reply, verb, handler = std::move(handler)] {
        reply->deleteLater();
        if (verb == "POST" && reply->error() != QNetworkReply::NoError) {
            spdlog::error("Network error on POST {}: {} ({})",
                          reply->url().toString().toStdString(), reply->errorString().toStdString(),
                          static_cast<int>(reply->error()));
        }
        const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        const QByteArray raw = reply->readAll();
        json parsed = nullptr;
        if (!raw.isEmpty()) {
            parsed = json::parse(raw.constData(), raw.constData() + raw.size(), nullptr,
                                 /*allow_exceptions=*/false);
            if (parsed.is_discarded()) {
                parsed = nullptr;
            }
        }
        handler(status, parsed);
    });
}

void ApiClient::autoLogin(const QString& clientId, const QString& deviceSecret) {
    NIMBRAL_ASSERT_MAIN_THREAD();
    const json body = {{"client_id", clientId.toStdString()},
                       {"device_secret", deviceSecret.toStdString()},
                       {"capabilities", capabilities()}};
    send("POST", QStringLiteral("/auth/auto-login"), body, false,
         [this](int status, const json& reply) {
             const auto id = stringField(reply, "client_id");
             const auto token = stringField(reply, "token");
             if (status == 200 && id && token) {
                 m_clientId = *id;
                 m_token = *token;
                 spdlog::info("Auto-login successful for client {}", id->toStdString());
                 emit authSuccess(*id, *token);
                 return;
             }
             const QString error = detailOr(reply, "Auto-login failed");
             spdlog::warn("Auto-login failed: {}", error.toStdString());
             if (status == 401 && error == QLatin1String("Invalid device credentials")) {
                 emit credentialsRefused();
             }
             emit authError(error);
         });
}

void ApiClient::autoRegister(const QString& clientName, const QString& agentVersion,
                             const QString& machineFingerprint, const QString& provenClientId,
                             const QString& provenDeviceSecret) {
    NIMBRAL_ASSERT_MAIN_THREAD();
    json body = {{"capabilities", capabilities()}};
    // The server keeps names to 64 characters; a longer host name is cut rather than refused.
    putIfNotEmpty(body, "client_name", clientName.left(64));
    putIfNotEmpty(body, "agent_version", agentVersion);
    putIfNotEmpty(body, "machine_fingerprint", machineFingerprint);
    if (!provenClientId.isEmpty() && !provenDeviceSecret.isEmpty()) {
        body["client_id"] = provenClientId.toStdString();
        body["device_secret"] = provenDeviceSecret.toStdString();
    }
    send("POST", QStringLiteral("/auth/auto-register"), body, false,
         [this](int status, const json& reply) {
             const auto id = stringField(reply, "client_id");
             const auto secret = stringField(reply, "device_secret");
             const auto token = stringField(reply, "token");
             if (status == 200 && id && secret && token) {
                 m_clientId = *id;
                 m_token = *token;
                 spdlog::info("Auto-registered as client {}", id->toStdString());
                 emit autoRegisterSuccess(*id, *secret, *token);
                 return;
             }
             const QString error = detailOr(reply, "Auto-registration failed");
             spdlog::warn("Auto-register failed: {}", error.toStdString());
             emit authError(error);
         });
}

void ApiClient::sendHeartbeat(const QString& localIp, const QString& publicIp,
                              const QString& natType) {
    NIMBRAL_ASSERT_MAIN_THREAD();
    json body = {{"client_id", m_clientId.toStdString()},
                 {"agent_version", QCoreApplication::applicationVersion().toStdString()}};
    putIfNotEmpty(body, "local_ip", localIp);
    putIfNotEmpty(body, "public_ip", publicIp);
    putIfNotEmpty(body, "nat_type", natType);
    send("POST", QStringLiteral("/clients/heartbeat"), body, true, [this](int status, const json&) {
        if (status == 200) {
            emit heartbeatSent();
        } else {
            spdlog::warn("Heartbeat failed with status {}", status);
        }
    });
}

void ApiClient::sessionReply(const char* endpoint, const char* fallback, int status,
                             const json& body, bool created) {
    if (status == 200) {
        if (created) {
            emit sessionCreated(body);
        } else {
            emit sessionUpdated(body);
        }
        return;
    }
    emit requestError(QString::fromUtf8(endpoint), status, detailOr(body, fallback));
}

void ApiClient::createSession(const QString& targetClientId, const QString& sessionPassword,
                              const QString& purpose, const QString& masterEcdhPublicKey,
                              const json& exchange) {
    NIMBRAL_ASSERT_MAIN_THREAD();
    json body = {{"master_client_id", m_clientId.toStdString()},
                 {"target_client_id", targetClientId.toStdString()},
                 {"capabilities", capabilities()}};
    putIfNotEmpty(body, "session_password", sessionPassword);
    putIfNotEmpty(body, "purpose", purpose);
    putIfNotEmpty(body, "master_ecdh_public_key", masterEcdhPublicKey);
    if (exchange.is_object()) {
        body.update(exchange);
    }
    send("POST", QStringLiteral("/sessions/create"), body, true,
         [this](int status, const json& reply) {
             sessionReply("/sessions/create", "Session creation failed", status, reply, true);
         });
}

void ApiClient::handshakeAck(const QString& sessionId, const QString& targetEcdhPublicKey,
                             const QString& targetNatType, const QString& preferredRelayId,
                             const json& exchange) {
    NIMBRAL_ASSERT_MAIN_THREAD();
    json body = {{"target_client_id", m_clientId.toStdString()}};
    putIfNotEmpty(body, "target_ecdh_public_key", targetEcdhPublicKey);
    putIfNotEmpty(body, "target_nat_type", targetNatType);
    putIfNotEmpty(body, "preferred_relay_id", preferredRelayId);
    if (exchange.is_object()) {
        body.update(exchange);
    }
    send("POST", QStringLiteral("/sessions/%1/handshake-ack").arg(sessionId), body, true,
         [this](int status, const json& reply) {
             sessionReply("/sessions/.../handshake-ack", "Handshake ACK failed", status, reply,
                          false);
         });
}

void ApiClient::completeSession(const QString& sessionId, const QString& connectionMethod,
                                const QString& relayNodeId) {
    NIMBRAL_ASSERT_MAIN_THREAD();
    json body = {{"connection_method", connectionMethod.toStdString()}};
    putIfNotEmpty(body, "relay_node_id", relayNodeId);
    send("PATCH", QStringLiteral("/sessions/%1/complete").arg(sessionId), body, true,
         [this](int status, const json& reply) {
             sessionReply("/sessions/.../complete", "Session complete failed", status, reply,
                          false);
         });
}

void ApiClient::closeSession(const QString& sessionId, const QString& reason,
                             qint64 transferredBytes) {
    NIMBRAL_ASSERT_MAIN_THREAD();
    json body = {{"transferred_bytes", transferredBytes}};
    putIfNotEmpty(body, "reason", reason);
    send("PATCH", QStringLiteral("/sessions/%1/close").arg(sessionId), body, true,
         [this](int status, const json& reply) {
             sessionReply("/sessions/.../close", "Session close failed", status, reply, false);
         });
}

} // namespace nimbral
