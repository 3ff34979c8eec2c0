#include "ui/password_dialog.h"

#include <QAction>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include "ui/icons.h"
#include "ui/session_status.h"

namespace nimbral {

void addShowPasswordToggle(QLineEdit* edit) {
    edit->setEchoMode(QLineEdit::Password);
    QAction* toggle =
        edit->addAction(nimbralIcon(QStringLiteral("visibility")), QLineEdit::TrailingPosition);
    toggle->setObjectName(QStringLiteral("showPassword"));
    toggle->setCheckable(true);
    toggle->setToolTip(QCoreApplication::translate("nimbral::MainWindow", "Show password"));
    QObject::connect(toggle, &QAction::toggled, edit, [edit, toggle](bool shown) {
        edit->setEchoMode(shown ? QLineEdit::Normal : QLineEdit::Password);
        toggle->setIcon(
            nimbralIcon(shown ? QStringLiteral("visibility_off") : QStringLiteral("visibility")));
        toggle->setToolTip(
            shown ? QCoreApplication::translate("nimbral::MainWindow", "Hide password")
                  : QCoreApplication::translate("nimbral::MainWindow", "Show password"));
    });
}

PasswordDialog::PasswordDialog(const QString& title, const QString& label, Check check,
                               QWidget* parent)
    : QDialog(parent)
    , m_check(std::move(check)) {
    setWindowTitle(title);
    auto* layout = new QVBoxLayout(this);
    auto* caption = new QLabel(label, this);
    caption->setWordWrap(true);
    layout->addWidget(caption);
    m_field = new QLineEdit(this);
    m_field->setObjectName(QStringLiteral("newPassword"));
    addShowPasswordToggle(m_field);
    caption->setBuddy(m_field);
    layout->addWidget(m_field);
    m_problem = new QLabel(this);
    m_problem->setObjectName(QStringLiteral("passwordProblem"));
    m_problem->setWordWrap(true);
    setStatusTone(*m_problem, StatusTone::Bad);
    m_problem->hide();
    layout->addWidget(m_problem);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &PasswordDialog::tryAccept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    // A new attempt starts clean: the old complaint goes as soon as the field changes.
    connect(m_field, &QLineEdit::textEdited, m_problem, &QLabel::hide);
    layout->addWidget(buttons);
    setMinimumWidth(360);
}

QString PasswordDialog::password() const {
    return m_field->text();
}

QString PasswordDialog::problem() const {
    return m_problem->isHidden() ? QString() : m_problem->text();
}

void PasswordDialog::tryAccept() {
    const QString problem = m_check ? m_check(m_field->text()) : QString();
    if (problem.isEmpty()) {
        accept();
        return;
    }
    m_problem->setText(problem);
    m_problem->show();
    m_field->setFocus();
    m_field->selectAll();
}

} // namespace nimbral
