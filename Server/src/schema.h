#pragma once

#include <QSqlDatabase>
#include <QString>

namespace nimbral::server {

// The newest version of the database's layout.
int currentSchemaVersion();

// Brings the database's layout up to the current version, one numbered step at a time, each in a
// transaction of its own; a database already there is left alone. The same steps serve SQLite and
// PostgreSQL. On PostgreSQL, nodes starting together take turns (an advisory lock). False, with
// `error` saying which step failed and why, and that step undone.
bool migrateSchema(QSqlDatabase& db, QString* error);

} // namespace nimbral::server
