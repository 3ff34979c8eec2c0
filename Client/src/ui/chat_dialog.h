#pragma once

#include <QDateTime>
#include <QDialog>

class QLineEdit;
class QPushButton;
class QTextBrowser;

namespace nimbral {

// The conversation of one session as message bubbles, with a line to type in. The dialog only
// emits what the user typed; the owner sends it and shows it back through appendMessage with
// the sender ownSenderName(). Main thread only.
class ChatDialog : public QDialog {
    Q_OBJECT

public:
    static constexpr int kMaxMessageLength = 10000;

    explicit ChatDialog(QWidget* parent = nullptr);

    // The sender name of the user's own messages (translated); any other sender is the partner.
    static QString ownSenderName() { return tr("Me"); }

    void appendMessage(const QString& sender, const QString& text, const QDateTime& time);

    QTextBrowser* history() const { return m_history; }
    QLineEdit* input() const { return m_input; }
    QPushButton* sendButton() const { return m_send; }

signals:
    void messageSent(const QString& text);

public slots:
    void onSendClicked();

private:
    QTextBrowser* m_history = nullptr;
    QLineEdit* m_input = nullptr;
    QPushButton* m_send = nullptr;
};

} // namespace nimbral
