#include "app/CommandLine.h"

#include "VersionInfo.h"

#include <QCommandLineParser>
#include <QFileInfo>

namespace {

constexpr int usageErrorExitCode = 2;

QString description() {
    return QStringLiteral(
        "Vantri, a keyboard launcher. Without a command, starts Vantri, or opens Settings\n"
        "in the Vantri already running.\n"
        "\n"
        "Commands, carried out by the running Vantri:\n"
        "  toggle    show the launcher panel, or hide it when it is shown\n"
        "  show      show the launcher panel\n"
        "  hide      hide the launcher panel\n"
        "  settings  open Settings\n"
        "  quit      end Vantri\n"
        "toggle, show and settings start Vantri when it is not running.");
}

CommandLine usageError(const QStringList& arguments, const QString& problem,
                       const QCommandLineParser& parser) {
    const QString programName = QFileInfo(arguments.value(0, QStringLiteral("vantri"))).fileName();
    CommandLine result;
    result.exitCode = usageErrorExitCode;
    result.standardError =
        QStringLiteral("%1: %2\n\n%3").arg(programName, problem, parser.helpText());
    return result;
}

} // namespace

CommandLine CommandLine::parse(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(description());
    // Written out rather than addHelpOption(), which also offers --help-all for
    // Qt's own options; those are not accepted here.
    const QCommandLineOption helpOption(
        {QStringLiteral("h"), QStringLiteral("help"), QStringLiteral("?")},
        QStringLiteral("Displays help on commandline options."));
    parser.addOption(helpOption);
    const QCommandLineOption versionOption = parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("command"),
                                 QStringLiteral("toggle, show, hide, settings or quit."),
                                 QStringLiteral("[command]"));

    if (!parser.parse(arguments))
        return usageError(arguments, parser.errorText(), parser);

    CommandLine result;
    if (parser.isSet(helpOption)) {
        result.exitCode = 0;
        result.standardOutput = parser.helpText();
        return result;
    }
    if (parser.isSet(versionOption)) {
        result.exitCode = 0;
        result.standardOutput =
            QStringLiteral("Vantri %1\n").arg(QStringLiteral(VANTRI_SHORT_VERSION));
        return result;
    }

    const QStringList positional = parser.positionalArguments();
    if (positional.size() > 1)
        return usageError(arguments,
                          QStringLiteral("expected one command, got %1: %2")
                              .arg(positional.size())
                              .arg(positional.join(QLatin1Char(' '))),
                          parser);
    if (positional.isEmpty())
        return result;
    result.command = InstanceCommands::fromName(positional.first());
    if (!result.command)
        return usageError(arguments, QStringLiteral("unknown command '%1'").arg(positional.first()),
                          parser);
    return result;
}
