#pragma once

#include <QFrame>
#include <QString>

#include "session/file_transfer_service.h"

class QLabel;

namespace nimbral {

// The Target's notice, on top of every window while a partner is connected: who it is, what it
// does (sees and controls the screen, the files it looks at or copies), and a button that ends
// the session. A small frameless tool window at the top of the screen, which takes no focus
// from the user's work. Its text changes only when the partner does something new, as it is
// part of the picture being sent.
class SessionNotice : public QFrame {
    Q_OBJECT

public:
    explicit SessionNotice(const QString& partnerId, QWidget* parent = nullptr);

    void noteFileUse(nimbral::FileUse use, const QString& path);
    // The notice's lines, for tests.
    QString text() const;

signals:
    void endRequested();

private:
    void placeOnScreen();

    QLabel* m_who = nullptr;
    QLabel* m_files = nullptr;
    bool m_copied = false;
};

} // namespace nimbral
