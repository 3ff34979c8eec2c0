#include "ui/session_status.h"

#include <QCoreApplication>
#include <QLabel>
#include <QStyle>

namespace nimbral {

namespace {

QString translated(const char* text) {
    // Both windows share the main window's translations.
    return QCoreApplication::translate("nimbral::MainWindow", text);
}

const char* toneName(StatusTone tone) {
    switch (tone) {
    case StatusTone::Good:
        return "good";
    case StatusTone::Busy:
        return "busy";
    case StatusTone::Starting:
        return "starting";
    case StatusTone::Warning:
        return "warning";
    case StatusTone::Bad:
        return "bad";
    }
    return "bad";
}

} // namespace

std::optional<StatusLine> sessionStatusLine(SessionState state, bool online) {
    switch (state) {
    case SessionState::Idle:
        if (!online) {
            return std::nullopt;
        }
        return StatusLine{translated(QT_TRANSLATE_NOOP("nimbral::MainWindow", "Online (Ready)")),
                          StatusTone::Good};
    case SessionState::Initiating:
        return StatusLine{
            translated(QT_TRANSLATE_NOOP("nimbral::MainWindow", "Initiating session...")),
            StatusTone::Busy};
    case SessionState::Handshaking:
        return StatusLine{
            translated(QT_TRANSLATE_NOOP("nimbral::MainWindow", "Exchanging keys...")),
            StatusTone::Busy};
    case SessionState::Connecting:
        return StatusLine{
            translated(QT_TRANSLATE_NOOP("nimbral::MainWindow", "Establishing transport...")),
            StatusTone::Busy};
    case SessionState::Connected:
        return StatusLine{translated(QT_TRANSLATE_NOOP("nimbral::MainWindow", "Connected")),
                          StatusTone::Good};
    case SessionState::Closing:
        return StatusLine{translated(QT_TRANSLATE_NOOP("nimbral::MainWindow", "Disconnecting...")),
                          StatusTone::Warning};
    case SessionState::Failed:
        // The failure has its own message; this line is about the device, which is still
        // online and ready for the next attempt.
        if (online) {
            return StatusLine{
                translated(QT_TRANSLATE_NOOP("nimbral::MainWindow", "Online (Ready)")),
                StatusTone::Good};
        }
        return StatusLine{translated(QT_TRANSLATE_NOOP("nimbral::MainWindow", "Session failed")),
                          StatusTone::Bad};
    }
    return std::nullopt;
}

void setStatusTone(QLabel& label, StatusTone tone) {
    label.setProperty("tone", QString::fromLatin1(toneName(tone)));
    // A dynamic property is matched when the widget is polished: polish it again.
    label.style()->unpolish(&label);
    label.style()->polish(&label);
}

} // namespace nimbral
