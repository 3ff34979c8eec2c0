// Requests to the server's REST interface: the framing guard in front of the HTTP parser, then
// every route with any body, with or without a device's token, against real registries (the
// device database in memory). Sessions exist between two registered devices so that the session
// routes get past their lookups.
//
// Input: [route][method][flags][body...]; with flags & 8 the whole input is also fed to the
// framing guard as an HTTP stream.

#include "connection_guard.h"
#include "device_registry.h"
#include "fuzz_support.h"
#include "json_text.h"
#include "rest_api.h"
#include "session_registry.h"
#include "signaling_hub.h"
#include "token_store.h"

namespace {

using nimbral::server::RestApi;

struct Server {
    nimbral::server::TokenStore tokens;
    nimbral::server::DeviceRegistry devices;
    nimbral::server::SessionRegistry sessions;
    nimbral::server::SignalingHub signaling{tokens, sessions, devices};
    RestApi rest{devices, tokens, sessions, signaling};
    QString master;
    QString target;

    Server() {
        QString error;
        nimbral::server::DatabaseLocation memory;
        memory.path = QStringLiteral(":memory:");
        NIMBRAL_FUZZ_CHECK(devices.open(memory, &error));
        master = devices.registerDevice({"m", "1", {}})->clientId;
        target = devices.registerDevice({"t", "1", {}})->clientId;
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    nimbral::fuzz::ensureApplication();
    static Server server;
    nimbral::fuzz::Bytes input(data, size);
    const std::uint8_t route = input.u8();
    const std::uint8_t method = input.u8();
    const std::uint8_t flags = input.u8();
    const std::vector<std::uint8_t> body = input.rest();

    if (flags & 8) {
        nimbral::server::HttpRequestGuard guard(64);
        const auto verdict =
            guard.feed(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
        (void)verdict;
    }

    // A fresh session for the session routes; tokens are issued anew each time (the store keeps
    // one per device).
    nimbral::server::Session& session =
        server.sessions.create(server.master, server.target, "fuzz", "MASTER-KEY");
    session.state = static_cast<nimbral::server::SessionState>(flags % 5);
    const QString sessionId = session.id;
    const QString caller = (flags & 16) ? server.target : server.master;
    const QString token = server.tokens.issue(caller);

    static const char* const kPaths[] = {
        "/auth/auto-register",
        "/auth/auto-login",
        "/clients/heartbeat",
        "/sessions/create",
        "/health",
        "",
        "",
        "",
    };
    RestApi::Request request;
    const int pick = route % 11;
    if (pick < 5) {
        request.path = QString::fromLatin1(kPaths[pick]);
    } else if (pick == 5) {
        request.path = "/sessions/" + sessionId + "/handshake-ack";
    } else if (pick == 6) {
        request.path = "/sessions/" + sessionId + "/complete";
    } else if (pick == 7) {
        request.path = "/sessions/" + sessionId + "/close";
    } else {
        request.path =
            QString::fromUtf8(reinterpret_cast<const char*>(body.data()),
                              static_cast<qsizetype>(std::min<std::size_t>(body.size(), 80)));
    }
    static const QHttpServerRequest::Method kMethods[] = {
        QHttpServerRequest::Method::Post, QHttpServerRequest::Method::Patch,
        QHttpServerRequest::Method::Get, QHttpServerRequest::Method::Delete};
    request.method = kMethods[method % 4];
    request.body =
        QByteArray(reinterpret_cast<const char*>(body.data()), static_cast<qsizetype>(body.size()));
    if (flags & 1) {
        request.authorization = "Bearer " + token.toLatin1();
    } else if (flags & 2) {
        request.authorization =
            QByteArray(reinterpret_cast<const char*>(body.data()),
                       static_cast<qsizetype>(std::min<std::size_t>(body.size(), 64)));
    }
    request.remoteAddress = QHostAddress(QStringLiteral("192.0.2.%1").arg(route));

    const RestApi::Reply reply = server.rest.handle(request);
    NIMBRAL_FUZZ_CHECK(reply.status >= 200 && reply.status < 600);
    NIMBRAL_FUZZ_CHECK(reply.body.is_object());
    if (reply.status >= 400) {
        NIMBRAL_FUZZ_CHECK(reply.body.contains("detail"));
    }
    // Every reply must be writable as it goes out.
    NIMBRAL_FUZZ_CHECK(!nimbral::server::compactJson(reply.body).empty());

    if (server.sessions.find(sessionId) != nullptr) {
        server.sessions.close(sessionId);
    }
    return 0;
}
