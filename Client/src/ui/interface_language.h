#pragma once

#include <QString>
#include <QStringList>

class QCoreApplication;
class QTranslator;

namespace nimbral {

// What installInterfaceLanguage found for a language.
struct InstalledLanguage {
    bool ours = false; // the program's own texts
    bool qts = false;  // the texts of Qt's own widgets (buttons, headers, context menus)
    QList<QTranslator*> translators;
};

// Installs the program's catalogue ("nimbral_<language>") from the first of `directories` that
// has it, and Qt's ("qtbase_<language>") from Qt's translations folder, else from those
// directories (for the languages Qt's catalogues lack); numbers and dates follow the language
// from now on. The translators belong to `app`.
InstalledLanguage installInterfaceLanguage(QCoreApplication& app, const QString& language,
                                           const QStringList& directories);

} // namespace nimbral
