#pragma once

#include <optional>

#include <QString>

#include "session/session_manager.h"

class QLabel;

namespace nimbral {

// How a status line reads at a glance; the colours live in the style sheet.
enum class StatusTone { Good, Busy, Starting, Warning, Bad };

struct StatusLine {
    QString text;
    StatusTone tone;
};

// What a window's status line says in each session state, translated. Idle says nothing while
// the device is not online yet, so the sign-in's own line stays.
std::optional<StatusLine> sessionStatusLine(SessionState state, bool online);

// Gives a status label ("statusLine") the style sheet's colour for the tone.
void setStatusTone(QLabel& label, StatusTone tone);

} // namespace nimbral
