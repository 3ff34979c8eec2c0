#include "database_location.h"

#include <QUrl>
#include <QUrlQuery>

namespace nimbral::server {

namespace {

bool isPostgresUrl(const QString& text) {
    return text.startsWith(QLatin1String("postgresql://")) ||
           text.startsWith(QLatin1String("postgres://"));
}

} // namespace

std::optional<DatabaseLocation> DatabaseLocation::parse(const QString& text, QString* error) {
    DatabaseLocation location;
    if (!isPostgresUrl(text)) {
        location.path = text;
        return location;
    }
    const auto refuse = [error](const QString& why) -> std::optional<DatabaseLocation> {
        *error = why;
        return std::nullopt;
    };
    const QUrl url(text, QUrl::StrictMode);
    if (!url.isValid()) {
        return refuse(QStringLiteral("not a PostgreSQL URL: %1").arg(url.errorString()));
    }
    location.kind = Kind::PostgreSQL;
    location.host = url.host();
    location.port = url.port(5432);
    location.user = url.userName(QUrl::FullyDecoded);
    location.password = url.password(QUrl::FullyDecoded);
    location.database = url.path(QUrl::FullyDecoded).mid(1);
    if (location.database.isEmpty() || location.database.contains(QLatin1Char('/'))) {
        return refuse(QStringLiteral("the PostgreSQL URL names no database "
                                     "(postgresql://USER@HOST:PORT/DATABASE)"));
    }
    const QUrlQuery query(url);
    for (const auto& [key, value] : query.queryItems(QUrl::FullyDecoded)) {
        if (key != QLatin1String("host")) {
            return refuse(QStringLiteral("the PostgreSQL URL's option '%1' is not understood "
                                         "here (only host=SOCKET_FOLDER)")
                              .arg(key));
        }
        location.host = value;
    }
    return location;
}

QString DatabaseLocation::describe() const {
    if (kind == Kind::SQLite) {
        return path;
    }
    const QString where = host.isEmpty() ? QStringLiteral("local socket") : host;
    return QStringLiteral("postgresql://%1@%2:%3/%4").arg(user, where).arg(port).arg(database);
}

} // namespace nimbral::server
