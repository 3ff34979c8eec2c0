#include "session/refusal_messages.h"

#include <QCoreApplication>

#include "common/client_id_text.h"

namespace nimbral {

namespace {

// The texts are the session manager's, marked where they stand so that lupdate finds them.
QString translated(const char* text) {
    return QCoreApplication::translate("nimbral::SessionManager", text);
}

QString wrongPassword(const QString& partner) {
    return translated(
               QT_TRANSLATE_NOOP(
                   "nimbral::SessionManager",
                   "Wrong password for partner %1: check it, or ask them for the current one"))
        .arg(partner);
}

QString tooManyAttempts(const QString& partner) {
    return translated(
               QT_TRANSLATE_NOOP(
                   "nimbral::SessionManager",
                   "Too many wrong passwords for partner %1: wait a few minutes, then try again"))
        .arg(partner);
}

} // namespace

QString partnerRefusalMessage(const QString& reason, const QString& partnerId) {
    const QString partner = formatClientId(partnerId);
    if (reason == QLatin1String("wrong_password")) {
        return wrongPassword(partner);
    }
    if (reason == QLatin1String("too_many_attempts")) {
        return tooManyAttempts(partner);
    }
    if (reason == QLatin1String("declined")) {
        return translated(
                   QT_TRANSLATE_NOOP("nimbral::SessionManager", "Partner %1 declined the session"))
            .arg(partner);
    }
    if (reason == QLatin1String("busy")) {
        return translated(
                   QT_TRANSLATE_NOOP(
                       "nimbral::SessionManager",
                       "Partner %1 is busy with other connection requests: try again in a moment"))
            .arg(partner);
    }
    if (reason == QLatin1String("verification_required")) {
        return translated(QT_TRANSLATE_NOOP("nimbral::SessionManager",
                                            "Partner %1 accepts only verified sessions"))
            .arg(partner);
    }
    if (reason == QLatin1String("device_key_invalid")) {
        return translated(QT_TRANSLATE_NOOP("nimbral::SessionManager",
                                            "Partner %1 could not check this device's key"))
            .arg(partner);
    }
    return translated(QT_TRANSLATE_NOOP("nimbral::SessionManager",
                                        "Partner %1 ended the session before it started"))
        .arg(partner);
}

QString serverRefusalMessage(int status, const QString& detail, const QString& partnerId) {
    const QString partner = formatClientId(partnerId);
    if (status == 404) {
        return translated(QT_TRANSLATE_NOOP("nimbral::SessionManager",
                                            "Partner %1 is unknown: check the ID"))
            .arg(partner);
    }
    if (status == 409 && detail.contains(QLatin1String("offline"))) {
        return translated(QT_TRANSLATE_NOOP("nimbral::SessionManager",
                                            "Partner %1 is offline: ask them to open Nimbral"))
            .arg(partner);
    }
    if (status == 403 && detail.contains(QLatin1String("Too many"))) {
        return tooManyAttempts(partner);
    }
    if (status == 403 && detail.contains(QLatin1String("password"))) {
        return wrongPassword(partner);
    }
    if (status == 400 && detail.contains(QLatin1String("itself"))) {
        return translated(QT_TRANSLATE_NOOP("nimbral::SessionManager",
                                            "%1 is this device's own ID: enter the partner's ID"))
            .arg(partner);
    }
    return translated(QT_TRANSLATE_NOOP("nimbral::SessionManager",
                                        "Partner %1 could not be reached: try again in a moment"))
        .arg(partner);
}

} // namespace nimbral
