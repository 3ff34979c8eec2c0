#include <QComboBox>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileSystemModel>
#include <QLocale>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QSet>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTranslator>
#include <QXmlStreamReader>

#include <gtest/gtest.h>

#include "core/settings_controller.h"
#include "session/file_transfer_service.h"
#include "ui/chat_dialog.h"
#include "ui/file_manager_dialog.h"
#include "ui/interface_language.h"
#include "ui/settings_dialog.h"

namespace nimbral {
namespace {

const QStringList kLanguages = {"cs", "sk", "en", "de", "pl", "hu",
                                "fr", "it", "es", "sv", "fi", "nb"};

struct Message {
    QString context;
    QString source;
    QString translation;
    bool unfinished = false;
};

std::vector<Message> readCatalogue(const QString& path) {
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
    QXmlStreamReader xml(&file);
    std::vector<Message> messages;
    QString context;
    Message current;
    while (!xml.atEnd()) {
        xml.readNext();
        if (!xml.isStartElement()) {
            continue;
        }
        if (xml.name() == QLatin1String("name")) {
            context = xml.readElementText();
        } else if (xml.name() == QLatin1String("source")) {
            current = {context, xml.readElementText(), {}, false};
        } else if (xml.name() == QLatin1String("translation")) {
            current.unfinished = xml.attributes().hasAttribute("type");
            current.translation = xml.readElementText();
            messages.push_back(current);
        }
    }
    EXPECT_FALSE(xml.hasError()) << path.toStdString() << ": " << xml.errorString().toStdString();
    return messages;
}

QStringList placeholders(const QString& text) {
    static const QRegularExpression marker(QStringLiteral("%\\d"));
    QStringList found;
    for (auto it = marker.globalMatch(text); it.hasNext();) {
        found << it.next().captured();
    }
    found.sort();
    return found;
}

// Every language has every text of the English catalogue, finished, with its placeholders and
// line breaks, under the contexts the program looks them up in.
TEST(Translations, EveryLanguageIsCompleteAndKeepsItsPlaceholders) {
    const std::vector<Message> english = readCatalogue(NIMBRAL_TS_DIR "/nimbral_en.ts");
    ASSERT_GT(english.size(), 150u);
    for (const Message& message : english) {
        EXPECT_TRUE(message.context.startsWith("nimbral::"))
            << message.context.toStdString() << ": tr() looks up the class's full name";
    }
    for (const QString& language : kLanguages) {
        const std::vector<Message> messages =
            readCatalogue(NIMBRAL_TS_DIR "/nimbral_" + language + ".ts");
        ASSERT_EQ(messages.size(), english.size()) << language.toStdString();
        for (std::size_t i = 0; i < messages.size(); ++i) {
            const Message& m = messages[i];
            const std::string where = language.toStdString() + ": " + m.source.toStdString();
            EXPECT_EQ(m.context, english[i].context) << where;
            EXPECT_EQ(m.source, english[i].source) << where;
            EXPECT_FALSE(m.unfinished) << where;
            EXPECT_FALSE(m.translation.trimmed().isEmpty()) << where;
            EXPECT_EQ(placeholders(m.translation), placeholders(m.source)) << where;
            EXPECT_EQ(m.translation.count('\n'), m.source.count('\n')) << where;
        }
    }
}

// Nothing the program says is missing from the catalogues: lupdate, run over the sources now,
// finds no text the English catalogue lacks. (Its contexts are not compared: it names some
// classes without their namespace.)
TEST(Translations, TheCataloguesHoldEveryTextOfTheSources) {
    QTemporaryDir folder;
    const QString extracted = folder.filePath("extracted.ts");
    QProcess lupdate;
    lupdate.setProcessChannelMode(QProcess::MergedChannels);
    lupdate.start(NIMBRAL_LUPDATE,
                  {"-no-obsolete", "-locations", "none", NIMBRAL_CLIENT_SOURCE_DIR "/ui",
                   NIMBRAL_CLIENT_SOURCE_DIR "/session", NIMBRAL_CLIENT_SOURCE_DIR "/core", "-ts",
                   extracted});
    ASSERT_TRUE(lupdate.waitForFinished(120000)) << lupdate.errorString().toStdString();
    ASSERT_EQ(lupdate.exitCode(), 0) << lupdate.readAll().toStdString();
    QSet<QString> known;
    for (const Message& message : readCatalogue(NIMBRAL_TS_DIR "/nimbral_en.ts")) {
        known.insert(message.source);
    }
    const std::vector<Message> found = readCatalogue(extracted);
    ASSERT_GT(found.size(), 150u);
    for (const Message& message : found) {
        EXPECT_TRUE(known.contains(message.source))
            << "not in the catalogues: " << message.source.toStdString();
    }
}

// The built catalogues load from beside the program and answer the program's own lookups.
TEST(Translations, EveryCatalogueLoadsAndTranslatesTheWindowTitle) {
    const QString directory = QCoreApplication::applicationDirPath() + "/translations";
    for (const QString& language : kLanguages) {
        QTranslator translator;
        ASSERT_TRUE(translator.load("nimbral_" + language, directory)) << language.toStdString();
        const QString title =
            translator.translate("nimbral::MainWindow", "Nimbral - Remote Access");
        ASSERT_FALSE(title.isEmpty()) << language.toStdString();
        if (language != "en") {
            EXPECT_NE(title, "Nimbral - Remote Access") << language.toStdString();
        }
    }
}

// Qt's own buttons and headers speak the language too: from Qt's catalogues, or, where Debian's
// Qt has none (Norwegian Bokmål, Swedish), from ours; and numbers follow it.
TEST(Translations, QtsOwnButtonsAndTheNumbersFollowTheLanguage) {
    const QStringList ours{QCoreApplication::applicationDirPath() + "/translations"};
    const QLocale before;
    const struct {
        const char* language;
        const char* cancel;
        const char* size;
        const char* number;
    } expected[] = {
        {"de", "Abbrechen", "Größe", "3,5"},  {"fr", "Annuler", "Taille", "3,5"},
        {"nb", "Avbryt", "Størrelse", "3,5"}, {"sv", "Avbryt", "Storlek", "3,5"},
        {"cs", "Zrušit", "Velikost", "3,5"},  {"en", "Cancel", "Size", "3.5"},
    };
    for (const auto& row : expected) {
        SCOPED_TRACE(row.language);
        const InstalledLanguage installed =
            installInterfaceLanguage(*QCoreApplication::instance(), row.language, ours);
        EXPECT_TRUE(installed.ours);
        EXPECT_EQ(installed.qts, QString(row.language) != "en");
        QDialogButtonBox buttons(QDialogButtonBox::Cancel);
        EXPECT_EQ(buttons.button(QDialogButtonBox::Cancel)->text(), row.cancel);
        QFileSystemModel files;
        EXPECT_EQ(files.headerData(1, Qt::Horizontal).toString(), row.size);
        EXPECT_EQ(QLocale().toString(3.5, 'f', 1), row.number);
        for (QTranslator* translator : installed.translators) {
            QCoreApplication::removeTranslator(translator);
            delete translator;
        }
    }
    QLocale::setDefault(before);
}

TEST(Translations, TheDialogsSpeakTheChosenLanguage) {
    QTranslator german;
    ASSERT_TRUE(
        german.load("nimbral_de", QCoreApplication::applicationDirPath() + "/translations"));
    ASSERT_TRUE(QCoreApplication::installTranslator(&german));

    QTemporaryDir folder;
    SettingsController settings(folder.filePath("settings.ini"));
    CommandRunner commands;
    commands.run = [](const QString&, const QStringList&, int) {
        return std::optional<int>(1);
    };
    SettingsDialog dialog(settings, {}, commands);
    EXPECT_EQ(dialog.windowTitle(), "Einstellungen");
    auto* tabs = dialog.findChild<QTabWidget*>();
    ASSERT_NE(tabs, nullptr);
    EXPECT_EQ(tabs->tabText(2), "Erweitert");
    EXPECT_EQ(dialog.languageBox()->itemText(0), "Systemstandard");
    EXPECT_EQ(dialog.languageBox()->itemText(2), "Deutsch") << "names stay as written";

    FileTransferService files(FileTransferRole::Requester, [](const std::vector<std::uint8_t>&) {});
    FileManagerDialog manager(files);
    EXPECT_EQ(manager.windowTitle(), "Dateimanager");

    ChatDialog chat;
    EXPECT_EQ(ChatDialog::ownSenderName(), "Ich");
    EXPECT_EQ(chat.windowTitle(), "Chat");

    QCoreApplication::removeTranslator(&german);
}

} // namespace
} // namespace nimbral
