#include "cli/CommandLine.h"

#include "exchange/ExchangeCommand.h"
#include "store/Schema.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <cstdio>

using namespace Qt::StringLiterals;

namespace Larkspan {

namespace {

// Qt's own options for the windows (QGuiApplication and QApplication read
// them later from the same arguments). Accepted here, not shown in --help.
const QStringList qtValueOptions = {u"platform"_s,
                                    u"platformpluginpath"_s,
                                    u"platformtheme"_s,
                                    u"plugin"_s,
                                    u"qwindowgeometry"_s,
                                    u"qwindowicon"_s,
                                    u"qwindowtitle"_s,
                                    u"session"_s,
                                    u"display"_s,
                                    u"geometry"_s,
                                    u"title"_s,
                                    u"icon"_s,
                                    u"name"_s,
                                    u"style"_s,
                                    u"stylesheet"_s};
const QStringList qtFlagOptions
    = {u"reverse"_s, u"widgetcount"_s, u"nograb"_s, u"dograb"_s, u"sync"_s};

CommandLine::Answer mistake(const QString &program, const QString &message)
{
    return {2, {}, u"%1: %2\nTry '%1 --help' for more information.\n"_s.arg(program, message)};
}

const QString exportName = u"export"_s;
const QString importName = u"import"_s;

QCommandLineOption formatOption()
{
    return QCommandLineOption(u"format"_s,
                              u"export: html (a bookmark file browsers import), csv or "
                              u"json. Without it, FILE's extension decides; standard "
                              u"output gets html."_s,
                              u"format"_s);
}

// `larkspan export --help`, `larkspan import --help`.
QString commandHelp(const QString &command)
{
    QCommandLineParser parser;
    if (command == exportName) {
        parser.setApplicationDescription(
            u"Writes every entry of the address book (Tessmoor.mdb of the current folder) to\n"
            u"FILE, or to standard output without FILE. No window or display is needed."_s);
        parser.addOption(formatOption());
        parser.addPositionalArgument(exportName, u"The command."_s);
        parser.addPositionalArgument(u"FILE"_s, u"Where to write: .html, .csv or .json."_s,
                                     u"[FILE]"_s);
    } else {
        parser.setApplicationDescription(
            u"Adds FILE's entries to the address book (Tessmoor.mdb of the current folder) in one\n"
            u"transaction; entries it already holds are not added again. The format (a browser's\n"
            u"bookmark file, CSV or JSON) is told from the content. No window or display is needed."_s);
        parser.addPositionalArgument(importName, u"The command."_s);
        parser.addPositionalArgument(u"FILE"_s, u"The file to read; it is only read."_s);
    }
    parser.addOption(QCommandLineOption(u"home"_s, u"Use ~/Tessmoor.mdb instead."_s));
    return parser.helpText();
}

} // namespace

int CommandLine::Answer::print() const
{
    std::fputs(output.toLocal8Bit().constData(), stdout);
    std::fputs(error.toLocal8Bit().constData(), stderr);
    return exitCode;
}

int CommandLine::Exchange::run() const
{
    const QString book = QString::fromUtf16(Schema::databaseFileName);
    return command == Command::Export ? runExport(book, format, file) : runImport(book, file);
}

void CommandLine::setIdentity()
{
    QCoreApplication::setApplicationName(u"Larkspan"_s);
    QCoreApplication::setApplicationVersion(QStringLiteral(LARKSPAN_VERSION));
}

CommandLine::Outcome CommandLine::run(const QStringList &arguments)
{
    const QString program = QFileInfo(arguments.value(0, u"larkspan"_s)).fileName();

    QCommandLineParser parser;
    parser.setApplicationDescription(
        u"Keeps one person's list of web and e-mail addresses, each filed under a category\n"
        u"with a line of information, in the address book Tessmoor.mdb of the current folder.\n"
        u"\n"
        u"Commands, which need no window or display:\n"
        u"  export [--format html|csv|json] [FILE]\n"
        u"      Writes the address book to FILE, or to standard output.\n"
        u"  import FILE\n"
        u"      Adds FILE's entries (a browser's bookmark file, CSV or JSON).\n"
        u"See '%1 export --help' and '%1 import --help'."_s.arg(program));
    // Qt's options are written with one dash (-style fusion).
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    // Not addHelpOption(): its --help-all promises Qt's options, which only
    // the windows' application object could list.
    const QCommandLineOption help({u"h"_s, u"help"_s, u"?"_s}, u"Displays these options."_s);
    parser.addOption(help);
    const QCommandLineOption version = parser.addVersionOption();
    const QCommandLineOption home(
        u"home"_s,
        u"Open the address book in your home folder (~/Tessmoor.mdb) instead of the "
        u"current folder. The application menu starts Larkspan this way."_s);
    parser.addOption(home);
    const QCommandLineOption format = formatOption();
    parser.addOption(format);
    parser.addPositionalArgument(u"command"_s, u"export or import, as above."_s,
                                 u"[export [FILE] | import FILE]"_s);
    for (const QString &name : qtValueOptions) {
        QCommandLineOption option(name, QString(), u"value"_s);
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }
    for (const QString &name : qtFlagOptions) {
        QCommandLineOption option(name);
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }

    if (!parser.parse(arguments))
        return mistake(program, parser.errorText());
    const QStringList positional = parser.positionalArguments();
    const QString command = positional.value(0);
    const bool exchange = command == exportName || command == importName;
    if (parser.isSet(help))
        return Answer {0, exchange ? commandHelp(command) : parser.helpText(), {}};
    if (parser.isSet(version))
        return Answer {0,
                       u"%1 %2\n"_s.arg(QCoreApplication::applicationName(),
                                        QCoreApplication::applicationVersion()),
                       {}};
    if (!positional.isEmpty() && !exchange)
        return mistake(program, u"Unknown command '%1'."_s.arg(command));
    if (parser.isSet(format) && command != exportName)
        return mistake(program, u"--format belongs to the export command."_s);
    if (command == importName && positional.size() != 2)
        return mistake(program, u"import takes one FILE."_s);
    if (command == exportName && positional.size() > 2)
        return mistake(program, u"export takes at most one FILE."_s);

    // A command's FILE is where the user stands, not in the home folder.
    const QString file
        = positional.size() > 1 ? QFileInfo(positional[1]).absoluteFilePath() : QString();
    if (parser.isSet(home) && !QDir::setCurrent(QDir::homePath()))
        return Answer {
            1, {}, u"%1: Cannot enter the home folder %2.\n"_s.arg(program, QDir::homePath())};
    if (exchange)
        return Exchange {command == exportName ? Exchange::Command::Export
                                               : Exchange::Command::Import,
                         parser.value(format), file};
    return StartWindows {};
}

} // namespace Larkspan
