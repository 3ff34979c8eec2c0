#include <QPushButton>
#include <QTimer>

#include "common/client_id_text.h"
#include "session/file_transfer_service.h"
#include "session/session_reconnector.h"
#include "ui/main_window.h"
#include "ui/session_notice.h"

namespace nimbral {

void MainWindow::connectReconnector() {
    m_reconnector = new SessionReconnector(m_session, m_signaling, this);
    connect(m_reconnector, &SessionReconnector::reconnecting, this,
            [this](const QString& partner, int attempt, int maxAttempts, int) {
                showDisconnectButton(true); // it cancels the attempts
                setStatus(tr("Connection to partner %1 lost: reconnecting (attempt %2 of %3)...")
                              .arg(formatClientId(partner))
                              .arg(attempt)
                              .arg(maxAttempts),
                          StatusTone::Warning);
            });
    connect(m_reconnector, &SessionReconnector::partnerEnded, this, [this](const QString& partner) {
        offerReconnect(tr("Session Ended"),
                       tr("Partner %1 ended the session.").arg(formatClientId(partner)));
    });
    connect(m_reconnector, &SessionReconnector::linkLost, this, [this](const QString& partner) {
        offerReconnect(tr("Connection Lost"),
                       tr("The connection to partner %1 was lost.").arg(formatClientId(partner)));
    });
    connect(m_reconnector, &SessionReconnector::gaveUp, this,
            [this](const QString& partner, const QString& lastError, int attempts,
                   bool attemptsUsedUp) {
                showDisconnectButton(false);
                onSessionStateChanged(m_session.state());
                if (!attemptsUsedUp) {
                    return; // a failure that stays: its own message has been shown
                }
                QString text =
                    tr("The connection to partner %1 was lost, and %2 attempts to reconnect "
                       "failed.")
                        .arg(formatClientId(partner))
                        .arg(attempts);
                if (!lastError.isEmpty()) {
                    text += QStringLiteral("\n\n") + lastError;
                }
                offerReconnect(tr("Connection Lost"), text);
            });
}

void MainWindow::offerReconnect(const QString& title, const QString& text) {
    // Not inside the session's signal: the box runs its own event loop.
    QTimer::singleShot(0, this, [this, title, text] {
        if (m_reconnectOffer(title, text) && !m_reconnector->reconnectNow()) {
            warn(title, tr("Another session is under way."));
        }
    });
}

void MainWindow::showDisconnectButton(bool shown) {
    m_disconnectButton->setVisible(shown);
    m_disconnectButton->setEnabled(shown);
}

void MainWindow::showSessionNotice() {
    m_notice = std::make_unique<SessionNotice>(m_session.peerClientId());
    connect(m_notice.get(), &SessionNotice::endRequested, this, &MainWindow::onDisconnectClicked);
    if (FileTransferService* files = m_session.fileTransferService()) {
        connect(files, &FileTransferService::partnerUsesFiles, m_notice.get(),
                &SessionNotice::noteFileUse);
    }
    m_notice->show();
}

} // namespace nimbral
