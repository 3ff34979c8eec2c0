#include "ui/interface_language.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <spdlog/spdlog.h>

namespace nimbral {

namespace {

QTranslator* installFirst(QCoreApplication& app, const QString& name,
                          const QStringList& directories) {
    auto* translator = new QTranslator(&app);
    for (const QString& directory : directories) {
        if (translator->load(name, directory)) {
            QCoreApplication::installTranslator(translator);
            return translator;
        }
    }
    delete translator;
    return nullptr;
}

} // namespace

InstalledLanguage installInterfaceLanguage(QCoreApplication& app, const QString& language,
                                           const QStringList& directories) {
    InstalledLanguage installed;
    if (QTranslator* ours = installFirst(app, QStringLiteral("nimbral_") + language, directories)) {
        installed.ours = true;
        installed.translators << ours;
        spdlog::info("Loaded translation: {}", language.toStdString());
    } else if (language != QLatin1String("en")) {
        spdlog::info("No translation found for '{}', using English", language.toStdString());
    }
    if (language != QLatin1String("en")) {
        QTranslator* qts = installFirst(
            app, QStringLiteral("qtbase_") + language,
            QStringList{QLibraryInfo::path(QLibraryInfo::TranslationsPath)} + directories);
        installed.qts = qts != nullptr;
        if (qts != nullptr) {
            installed.translators << qts;
        } else {
            spdlog::info("No translation of Qt's own texts for '{}'", language.toStdString());
        }
    }
    // "3,0 ms" in German: numbers as the reader writes them.
    QLocale::setDefault(QLocale(language));
    return installed;
}

} // namespace nimbral
