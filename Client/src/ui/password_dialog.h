#pragma once

#include <functional>

#include <QDialog>

class QLabel;
class QLineEdit;

namespace nimbral {

// Masks a password field and adds the eye at its end that shows it while the user checks a typo.
void addShowPasswordToggle(QLineEdit* edit);

// Asks for a new password and stays open, with the broken rule shown under the field, until the
// password passes the check or the user cancels: a rule error never throws away what was typed.
class PasswordDialog : public QDialog {
    Q_OBJECT

public:
    // The problem with a password, or empty when it is acceptable.
    using Check = std::function<QString(const QString& password)>;

    PasswordDialog(const QString& title, const QString& label, Check check,
                   QWidget* parent = nullptr);

    QString password() const;
    QString problem() const;

public slots:
    // What OK does: accepts a password the check lets through, otherwise shows the problem.
    void tryAccept();

private:
    Check m_check;
    QLineEdit* m_field = nullptr;
    QLabel* m_problem = nullptr;
};

} // namespace nimbral
