#pragma once

#include <QString>

namespace nimbral {

// Why a session did not start, as the Master's user reads it: one message in the user's
// language that names the partner and says what to do. The server's and the partner's own words
// go to the log only.

// The partner closed the request before the session began (its close reason).
QString partnerRefusalMessage(const QString& reason, const QString& partnerId);
// The server refused to set the session up (the reply's status and detail).
QString serverRefusalMessage(int status, const QString& detail, const QString& partnerId);

} // namespace nimbral
