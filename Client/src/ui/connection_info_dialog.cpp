#include "ui/connection_info_dialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLocale>
#include <QVBoxLayout>

#include "ui/display_text.h"

namespace nimbral {

SessionDescription SessionDescription::of(const SessionManager& session) {
    return {session.sessionId(),
            session.peerClientId(),
            session.role(),
            session.connectionMethod(),
            session.sessionVerified(),
            session.shortAuthenticationString(),
            session.partnerFingerprint(),
            session.ownFingerprint()};
}

ConnectionInfoDialog::ConnectionInfoDialog(const SessionDescription& session,
                                           const ConnectionQualityMonitor& monitor, QWidget* parent)
    : QDialog(parent)
    , m_monitor(monitor) {
    setWindowTitle(tr("Connection Information"));
    setMinimumWidth(360);
    auto* layout = new QVBoxLayout(this);

    auto* sessionGroup = new QGroupBox(tr("Session"), this);
    auto* sessionForm = new QFormLayout(sessionGroup);
    addRow(sessionForm, tr("Session ID:"), session.sessionId);
    addRow(sessionForm, tr("Remote ID:"), remoteIdText(session.remoteClientId));
    addRow(sessionForm, tr("Role:"),
           session.localRole == SessionRole::Master ? tr("Master (Viewer)")
                                                    : tr("Target (Sharing)"));
    addRow(sessionForm, tr("Transport:"), session.transport);
    layout->addWidget(sessionGroup);

    // What both users can compare: equal digits at both ends mean nobody sits in between.
    auto* trustGroup = new QGroupBox(tr("Verification"), this);
    auto* trustForm = new QFormLayout(trustGroup);
    addRow(trustForm, tr("Status:"), session.verified ? tr("Verified") : tr("Not verified"));
    addRow(trustForm, tr("Security code:"), session.shortAuthenticationString);
    addRow(trustForm, tr("Partner's device key:"), session.partnerFingerprint);
    addRow(trustForm, tr("This device's key:"), session.ownFingerprint);
    layout->addWidget(trustGroup);

    auto* qualityGroup = new QGroupBox(tr("Connection Quality"), this);
    auto* qualityForm = new QFormLayout(qualityGroup);
    m_fps = addRow(qualityForm, tr("FPS:"));
    m_latency = addRow(qualityForm, tr("Latency:"));
    m_bandwidth = addRow(qualityForm, tr("Bandwidth:"));
    m_sent = addRow(qualityForm, tr("Sent:"));
    m_received = addRow(qualityForm, tr("Received:"));
    m_dropped = addRow(qualityForm, tr("Dropped Frames:"));
    m_uptime = addRow(qualityForm, tr("Uptime:"));
    layout->addWidget(qualityGroup);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::close);
    layout->addWidget(buttons);

    refresh();
    m_timer.setInterval(1000);
    connect(&m_timer, &QTimer::timeout, this, &ConnectionInfoDialog::refresh);
    m_timer.start();
}

QLabel* ConnectionInfoDialog::addRow(QFormLayout* form, const QString& caption,
                                     const QString& value) {
    auto* label = new QLabel(value, form->parentWidget());
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    form->addRow(caption, label);
    m_rows.append({caption, label});
    return label;
}

QString ConnectionInfoDialog::rowValue(const QString& caption) const {
    for (const auto& [name, label] : m_rows) {
        if (name == caption) {
            return label->text();
        }
    }
    return {};
}

QString ConnectionInfoDialog::remoteIdText(const QString& id) {
    return formatClientId(id);
}

QString ConnectionInfoDialog::bandwidthText(double kbps) {
    if (kbps > 1000.0) {
        return QLocale().toString(kbps / 1000.0, 'f', 1) + QStringLiteral(" Mbps");
    }
    return QLocale().toString(kbps, 'f', 0) + QStringLiteral(" Kbps");
}

QString ConnectionInfoDialog::uptimeText(qint64 seconds) {
    return QStringLiteral("%1:%2:%3")
        .arg(seconds / 3600, 2, 10, QLatin1Char('0'))
        .arg((seconds % 3600) / 60, 2, 10, QLatin1Char('0'))
        .arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

void ConnectionInfoDialog::refresh() {
    const ConnectionStats stats = m_monitor.stats();
    // Numbers as the user's language writes them ("12,3 ms" in German).
    m_fps->setText(QLocale().toString(stats.fps, 'f', 1));
    m_latency->setText(QLocale().toString(stats.latencyMs, 'f', 1) + QStringLiteral(" ms"));
    m_bandwidth->setText(bandwidthText(stats.bandwidthKbps));
    m_sent->setText(sizeText(stats.totalBytesSent));
    m_received->setText(sizeText(stats.totalBytesReceived));
    m_dropped->setText(QLocale().toString(stats.droppedFrames));
    m_uptime->setText(uptimeText(stats.uptimeSeconds));
}

} // namespace nimbral
