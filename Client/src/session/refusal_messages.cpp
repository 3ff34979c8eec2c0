#include "session/refusal_messages.h"

#include <QCoreApplication>

#include "common/client_id_text.h"

namespace nimbral {

namespace {

// The texts are the session manager's, marked where they stand so that lupdate finds them.
constexpr char kContext[] = "nimbral::SessionManager";

const char* const kWrongPassword =
    QT_TRANSLATE_NOOP("nimbral::SessionManager",
                      "Wrong password for partner %1: check it, or ask them for the current one");
const char* const kTooManyAttempts = QT_TRANSLATE_NOOP(
    "nimbral::SessionManager",
    "Too many wrong passwords for partner %1: wait a few minutes, then try again");

struct PartnerRefusal {
    const char* reason;
    const char* text;
    bool mayPass;
};

// The partner's close reasons; any other ends in "ended the session before it started".
const PartnerRefusal kPartnerRefusals[] = {
    {"wrong_password", kWrongPassword, false},
    {"too_many_attempts", kTooManyAttempts, false},
    {"declined", QT_TRANSLATE_NOOP("nimbral::SessionManager", "Partner %1 declined the session"),
     false},
    {"busy",
     QT_TRANSLATE_NOOP("nimbral::SessionManager",
                       "Partner %1 is busy with other connection requests: try again in a moment"),
     true},
    {"verification_required",
     QT_TRANSLATE_NOOP("nimbral::SessionManager", "Partner %1 accepts only verified sessions"),
     false},
    {"device_key_invalid",
     QT_TRANSLATE_NOOP("nimbral::SessionManager", "Partner %1 could not check this device's key"),
     false},
};

const PartnerRefusal* findPartnerRefusal(const QString& reason) {
    for (const PartnerRefusal& refusal : kPartnerRefusals) {
        if (reason == QLatin1String(refusal.reason)) {
            return &refusal;
        }
    }
    return nullptr;
}

const char* const kOffline =
    QT_TRANSLATE_NOOP("nimbral::SessionManager", "Partner %1 is offline: ask them to open Nimbral");
const char* const kNotReached = QT_TRANSLATE_NOOP(
    "nimbral::SessionManager", "Partner %1 could not be reached: try again in a moment");

QString message(const char* text, const QString& partnerId) {
    return QCoreApplication::translate(kContext, text).arg(formatClientId(partnerId));
}

// The server's refusal by its status and a word of its detail.
const char* serverRefusalText(int status, const QString& detail) {
    if (status == 404) {
        return QT_TRANSLATE_NOOP("nimbral::SessionManager", "Partner %1 is unknown: check the ID");
    }
    if (status == 409 && detail.contains(QLatin1String("offline"))) {
        return kOffline;
    }
    if (status == 403 && detail.contains(QLatin1String("Too many"))) {
        return kTooManyAttempts;
    }
    if (status == 403 && detail.contains(QLatin1String("password"))) {
        return kWrongPassword;
    }
    if (status == 400 && detail.contains(QLatin1String("itself"))) {
        return QT_TRANSLATE_NOOP("nimbral::SessionManager",
                                 "%1 is this device's own ID: enter the partner's ID");
    }
    return kNotReached;
}

} // namespace

QString partnerRefusalMessage(const QString& reason, const QString& partnerId) {
    if (const PartnerRefusal* refusal = findPartnerRefusal(reason)) {
        return message(refusal->text, partnerId);
    }
    return message(QT_TRANSLATE_NOOP("nimbral::SessionManager",
                                     "Partner %1 ended the session before it started"),
                   partnerId);
}

QString serverRefusalMessage(int status, const QString& detail, const QString& partnerId) {
    return message(serverRefusalText(status, detail), partnerId);
}

bool partnerRefusalMayPass(const QString& reason) {
    const PartnerRefusal* refusal = findPartnerRefusal(reason);
    return refusal == nullptr || refusal->mayPass;
}

bool serverRefusalMayPass(int status, const QString& detail) {
    const char* text = serverRefusalText(status, detail);
    return text == kOffline || text == kNotReached;
}

} // namespace nimbral
