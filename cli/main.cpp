#include "arguments.h"
#include "commandline.h"
#include "commands.h"
#include "console.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QGuiApplication>

#include <memory>

namespace {

QString description()
{
    QString text = QStringLiteral(
        "The command-line companion of KGW make: converts electrode lists into KGW sequence files, "
        "reads them back, generates the standard arrays, tells what sequences resolve, orders "
        "them for the field and exchanges them with the open inversion packages.\n\nCommands:\n");
    for (const Cli::Command &command : Cli::commands())
        text += QStringLiteral("  %1  %2\n")
                    .arg(QString::fromLatin1(command.name).leftJustified(10))
                    .arg(QLatin1String(command.summary));
    text += QStringLiteral(
        "\n'kgw COMMAND --help' describes a command.\nExit status: 0 on success, 1 when an input "
        "was refused or a check found problems, 2 for a usage error.");
    return text;
}

// Handles kgw's own options when no command comes first.
int runTopLevel(const QStringList &arguments, Cli::Console &console)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(description());
    // Not addHelpOption(): kgw takes none of the Qt options that --help-all would list.
    const QCommandLineOption help(
        { QStringLiteral("h"), QStringLiteral("help") }, QStringLiteral("Displays this help."));
    parser.addOption(help);
    const QCommandLineOption version = parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("COMMAND"), QStringLiteral("The command to run."),
        QStringLiteral("COMMAND [OPTIONS] [ARGUMENTS]"));
    if (!parser.parse(arguments))
        return console.usageError(QString(), parser.errorText());
    if (parser.isSet(version)) {
        console.out() << "kgw " << QCoreApplication::applicationVersion() << '\n';
        return Cli::ExitSuccess;
    }
    if (parser.isSet(help)) {
        console.out() << Cli::helpText(parser, QStringLiteral("kgw"));
        return Cli::ExitSuccess;
    }
    return console.usageError(QString(), QStringLiteral("no command given"));
}

int run(const QStringList &arguments, Cli::Console &console)
{
    if (arguments.size() < 2 || arguments.at(1).startsWith(QLatin1Char('-')))
        return runTopLevel(arguments, console);
    if (const Cli::Command *command = Cli::findCommand(arguments.at(1)))
        return command->run(arguments.mid(1), console);
    return console.usageError(
        QString(), QStringLiteral("unknown command '%1'").arg(arguments.at(1)));
}

// kgw reports through its own diagnostics; the platform's chatter on a headless machine
// (no runtime folder, no fonts configured) would only clutter them.
QtMessageHandler defaultMessageHandler = nullptr;

void quietQtMessages(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (type == QtCriticalMsg || type == QtFatalMsg)
        defaultMessageHandler(type, context, message);
}

} // namespace

int main(int argc, char *argv[])
{
    // Pictures are drawn off screen, so that kgw never needs a display.
    // The application that decodes the arguments depends on the command, so it is found by its
    // bytes; command names are ASCII.
    const Cli::Command *command
        = argc > 1 ? Cli::findCommand(QString::fromLatin1(argv[1])) : nullptr;
    const bool draws = command && command->draws;
    if (draws) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        defaultMessageHandler = qInstallMessageHandler(quietQtMessages);
    }
    const std::unique_ptr<QCoreApplication> app(
        draws ? new QGuiApplication(argc, argv) : new QCoreApplication(argc, argv));
    QCoreApplication::setApplicationName(QStringLiteral("kgw"));
    QCoreApplication::setApplicationVersion(QStringLiteral(KGW_VERSION));
    Cli::keepArgumentBytes(argc, argv);
    Cli::Console console;
    return console.finish(run(QCoreApplication::arguments(), console));
}
