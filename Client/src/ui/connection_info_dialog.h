#pragma once

#include <QDialog>
#include <QTimer>

#include "session/connection_quality_monitor.h"
#include "session/session_manager.h"

class QFormLayout;
class QLabel;

namespace nimbral {

// What the information dialog tells about the session itself.
struct SessionDescription {
    QString sessionId;
    QString remoteClientId;
    SessionRole localRole = SessionRole::None;
    QString transport;
    bool verified = false;
    QString shortAuthenticationString; // empty when the partner computes none
    QString partnerFingerprint;        // empty for an unverified session
    QString ownFingerprint;

    static SessionDescription of(const SessionManager& session);
};

// The session's identity and, refreshed every second, the monitor's figures. Borrows the
// monitor, which must outlive the dialog. Main thread only.
class ConnectionInfoDialog : public QDialog {
    Q_OBJECT

public:
    ConnectionInfoDialog(const SessionDescription& session, const ConnectionQualityMonitor& monitor,
                         QWidget* parent = nullptr);

    // "123 456 789" for nine characters (blanks removed first); anything else as given.
    static QString remoteIdText(const QString& id);
    static QString bandwidthText(double kbps);
    static QString uptimeText(qint64 seconds);

    // The value shown beside a row caption such as "FPS:"; empty for an unknown caption.
    QString rowValue(const QString& caption) const;

public slots:
    void refresh();

private:
    QLabel* addRow(QFormLayout* form, const QString& caption, const QString& value = {});

    const ConnectionQualityMonitor& m_monitor;
    QTimer m_timer;
    QList<QPair<QString, QLabel*>> m_rows;
    QLabel* m_fps = nullptr;
    QLabel* m_latency = nullptr;
    QLabel* m_bandwidth = nullptr;
    QLabel* m_sent = nullptr;
    QLabel* m_received = nullptr;
    QLabel* m_dropped = nullptr;
    QLabel* m_uptime = nullptr;
};

} // namespace nimbral
