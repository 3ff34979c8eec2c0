// The three programs as a shell user meets them: --help, --version, a mistyped option, and the
// manual page that must list what --help lists.
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

struct Program {
    const char* name;
    const char* path;
};

const Program kPrograms[] = {
    {"NimbralClient", NIMBRAL_CLIENT_PATH},
    {"NimbralService", NIMBRAL_SERVICE_PATH},
    {"NimbralServer", NIMBRAL_SERVER_PATH},
};

struct Outcome {
    int exitCode = -1;
    QString out;
    QString err;
};

// No display, and a home of its own: whatever the program writes stays in the folder.
Outcome run(const Program& program, const QStringList& arguments, const QString& home) {
    QProcessEnvironment env;
    env.insert("HOME", home);
    env.insert("XDG_CONFIG_HOME", home + "/config");
    env.insert("XDG_DATA_HOME", home + "/data");
    env.insert("XDG_RUNTIME_DIR", home);
    env.insert("PATH", qEnvironmentVariable("PATH"));
    QProcess process;
    process.setProcessEnvironment(env);
    process.start(program.path, arguments);
    if (!process.waitForFinished(20000)) {
        process.kill();
        process.waitForFinished();
        return {};
    }
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

QSet<QString> longOptions(const QString& text) {
    QSet<QString> names;
    const QRegularExpression option(QStringLiteral("--[a-z][a-z-]*[a-z]"));
    for (auto match = option.globalMatch(text); match.hasNext();) {
        names.insert(match.next().captured());
    }
    return names;
}

// The OPTIONS section of a manual page as a reader sees it: "\-" is a dash, fonts are gone.
QString manualOptions(const char* programName) {
    QFile page(QStringLiteral(NIMBRAL_MANUAL_DIR "/%1.1").arg(programName));
    if (!page.open(QIODevice::ReadOnly)) {
        return {};
    }
    QString text = QString::fromUtf8(page.readAll());
    const qsizetype start = text.indexOf(".SH OPTIONS");
    const qsizetype end = text.indexOf(".SH", start + 1);
    text = text.mid(start, end - start);
    text.replace(QStringLiteral("\\-"), QStringLiteral("-"));
    text.remove(QRegularExpression(QStringLiteral("\\\\f[BIR]")));
    return text;
}

TEST(CommandLine, HelpAndVersionPrintAndEndWithZero) {
    QTemporaryDir home;
    for (const Program& program : kPrograms) {
        SCOPED_TRACE(program.name);
        for (const QString& help : {QStringLiteral("--help"), QStringLiteral("-h")}) {
            const Outcome shown = run(program, {help}, home.path());
            EXPECT_EQ(shown.exitCode, 0) << shown.err.toStdString();
            EXPECT_TRUE(
                shown.out.startsWith(QStringLiteral("Usage: %1 [options]").arg(program.name)))
                << shown.out.toStdString();
            EXPECT_TRUE(shown.out.contains("--version"));
        }
        const Outcome version = run(program, {"--version"}, home.path());
        EXPECT_EQ(version.exitCode, 0);
        EXPECT_EQ(version.out, QStringLiteral("%1 %2\n").arg(program.name, NIMBRAL_VERSION));
    }
}

TEST(CommandLine, AnUnknownOptionOrAStrayArgumentPrintsTheUsageAndEndsWithTwo) {
    QTemporaryDir home;
    for (const Program& program : kPrograms) {
        SCOPED_TRACE(program.name);
        const Outcome unknown = run(program, {"--colour", "blue"}, home.path());
        EXPECT_EQ(unknown.exitCode, 2);
        EXPECT_TRUE(unknown.out.isEmpty()) << unknown.out.toStdString();
        EXPECT_TRUE(
            unknown.err.contains(QStringLiteral("%1: Unknown option 'colour'.").arg(program.name)))
            << unknown.err.toStdString();
        EXPECT_TRUE(unknown.err.contains(QStringLiteral("Usage: %1 [options]").arg(program.name)))
            << unknown.err.toStdString();

        const Outcome stray = run(program, {"now"}, home.path());
        EXPECT_EQ(stray.exitCode, 2);
        EXPECT_TRUE(stray.err.contains("unexpected argument 'now'")) << stray.err.toStdString();
    }
}

TEST(CommandLine, EachManualPageListsTheOptionsItsProgramKnows) {
    QTemporaryDir home;
    for (const Program& program : kPrograms) {
        SCOPED_TRACE(program.name);
        const QSet<QString> inHelp = longOptions(run(program, {"--help"}, home.path()).out);
        const QSet<QString> inManual = longOptions(manualOptions(program.name));
        EXPECT_GT(inHelp.size(), 2);
        EXPECT_EQ(inManual, inHelp)
            << "only in --help: "
            << QStringList(QSet(inHelp).subtract(inManual).values()).join(' ').toStdString()
            << "; only in the manual: "
            << QStringList(QSet(inManual).subtract(inHelp).values()).join(' ').toStdString();
    }
}

} // namespace
