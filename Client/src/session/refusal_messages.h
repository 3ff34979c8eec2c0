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

// Whether the refusal may pass by itself (the partner offline, busy or out of reach), so that
// asking again later can succeed. A wrong password, an unknown ID or a "no" stays.
bool partnerRefusalMayPass(const QString& reason);
bool serverRefusalMayPass(int status, const QString& detail);

} // namespace nimbral
