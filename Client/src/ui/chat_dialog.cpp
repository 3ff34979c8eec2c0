#include "ui/chat_dialog.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTextBrowser>
#include <QVBoxLayout>

namespace nimbral {

ChatDialog::ChatDialog(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowStaysOnTopHint) {
    setWindowTitle(tr("Chat"));
    resize(340, 460);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 8);
    layout->setSpacing(6);

    m_history = new QTextBrowser(this);
    m_history->setReadOnly(true);
    m_history->setOpenExternalLinks(false);
    m_history->setOpenLinks(false);
    m_history->document()->setDefaultStyleSheet(
        QStringLiteral("body { font-family: sans-serif; font-size: 13px; }"
                       ".bubble { margin: 4px 0; }"
                       ".me    { color: #4da6ff; font-weight: bold; }"
                       ".remote{ color: #66bb6a; font-weight: bold; }"
                       ".time  { color: #9aa5c4; font-size: 10px; }"
                       ".text  { color: #e0e0e0; }"));
    layout->addWidget(m_history, 1);

    auto* row = new QHBoxLayout;
    m_input = new QLineEdit(this);
    m_input->setPlaceholderText(tr("Type a message…"));
    m_send = new QPushButton(tr("Send"), this);
    // Return belongs to the input line; as the default button it would also close the dialog.
    m_send->setAutoDefault(false);
    m_send->setDefault(false);
    row->addWidget(m_input, 1);
    row->addWidget(m_send);
    layout->addLayout(row);

    connect(m_send, &QPushButton::clicked, this, &ChatDialog::onSendClicked);
    connect(m_input, &QLineEdit::returnPressed, this, &ChatDialog::onSendClicked);
}

void ChatDialog::onSendClicked() {
    QString text = m_input->text().trimmed();
    if (text.isEmpty()) {
        return;
    }
    if (text.size() > kMaxMessageLength) {
        text.truncate(kMaxMessageLength);
    }
    m_input->clear();
    emit messageSent(text);
}

void ChatDialog::appendMessage(const QString& sender, const QString& text, const QDateTime& time) {
    const QString cssClass =
        sender == ownSenderName() ? QStringLiteral("me") : QStringLiteral("remote");
    m_history->append(QStringLiteral("<div class='bubble'><span class='%1'>%2</span> "
                                     "<span class='time'>%3</span><br/>"
                                     "<span class='text'>%4</span></div>")
                          .arg(cssClass, sender.toHtmlEscaped(),
                               time.toLocalTime().toString(QStringLiteral("HH:mm")),
                               text.toHtmlEscaped()));
    QScrollBar* bar = m_history->verticalScrollBar();
    bar->setValue(bar->maximum());
}

} // namespace nimbral
