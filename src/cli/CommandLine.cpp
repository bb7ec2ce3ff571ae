#include "cli/CommandLine.h"

#include "cli/DeletedCommand.h"

#include "exchange/BrowserProfiles.h"
#include "exchange/ExchangeCommand.h"
#include "exchange/ExchangeFormats.h"
#include "store/Schema.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
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

// What `larkspan --help` says first.
QString mainDescription(const QString &program)
{
    return u"Keeps one person's list of web and e-mail addresses, each filed under a category\n"
           u"with a line of information, in the address book Tessmoor.mdb of the current folder.\n"
           u"\n"
           u"Commands, which need no window or display:\n"
           u"  export [--format %2] [FILE]\n"
           u"      Writes the address book to FILE, or to standard output.\n"
           u"  import FILE\n"
           u"      Adds FILE's entries: any browser's or bookmark tool's file, CSV or JSON.\n"
           u"  import --from %3 [--profile FOLDER]\n"
           u"      Adds a browser's bookmarks, straight from its profile.\n"
           u"  deleted [--purge]\n"
           u"      Lists the entries deleted in the last 30 days on any copy of the book,\n"
           u"      newest first and numbered; --purge forgets them for good.\n"
           u"  restore N...\n"
           u"      Brings back the deleted entries with these numbers, each in its place.\n"
           u"\n"
           u"In the main window, Ctrl+Z takes the last change of the session back (again and\n"
           u"again), and Ctrl+Shift+Z or Ctrl+Y makes it again.\n"
           u"See '%1 export --help' and '%1 import --help'."_s.arg(
               program, ExchangeFormats::writerNames(u"|"_s).replace(u", "_s, u"|"_s),
               BrowserProfiles::names().join(u'|'));
}

void acceptQtOptions(QCommandLineParser &parser)
{
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
}

CommandLine::Answer mistake(const QString &program, const QString &message)
{
    return {2, {}, u"%1: %2\nTry '%1 --help' for more information.\n"_s.arg(program, message)};
}

const QString exportName = u"export"_s;
const QString importName = u"import"_s;
const QString deletedName = u"deleted"_s;
const QString restoreName = u"restore"_s;

// What is wrong with the arguments of "deleted" or "restore", if anything;
// the numbers that restore takes.
QString deletedMistake(const QStringList &positional, bool purge, QList<int> *numbers)
{
    const QString command = positional.value(0);
    if (purge && command != deletedName)
        return u"--purge belongs to the deleted command."_s;
    if (command == deletedName && positional.size() > 1)
        return u"deleted takes no FILE or number."_s;
    if (command != restoreName)
        return {};
    if (positional.size() < 2)
        return u"restore takes the numbers that 'deleted' lists."_s;
    for (const QString &argument : positional.mid(1)) {
        bool isNumber = false;
        const int number = argument.toInt(&isNumber);
        if (!isNumber || number < 1)
            return u"restore takes the numbers that 'deleted' lists, not '%1'."_s.arg(argument);
        numbers->append(number);
    }
    return {};
}

QCommandLineOption formatOption()
{
    return QCommandLineOption(u"format"_s,
                              u"export: %1. Without it, FILE's extension decides; standard "
                              u"output gets html."_s.arg(ExchangeFormats::writerNames()),
                              u"format"_s);
}

QCommandLineOption fromOption()
{
    return QCommandLineOption(u"from"_s,
                              u"import: the bookmarks of a browser, straight from its profile: "
                              u"%1."_s.arg(BrowserProfiles::names().join(u", "_s)),
                              u"browser"_s);
}

QCommandLineOption profileOption()
{
    return QCommandLineOption(u"profile"_s,
                              u"import --from: the profile folder to read instead of the "
                              u"browser's default profile."_s,
                              u"folder"_s);
}

// `larkspan export --help`, `larkspan import --help`.
QString commandHelp(const QString &command)
{
    QCommandLineParser parser;
    if (command == exportName) {
        parser.setApplicationDescription(
            u"Writes every entry of the address book (Tessmoor.mdb of the current folder) to\n"
            u"FILE, or to standard output without FILE. No window or display is needed.\n"
            u"Formats:\n"_s
            + ExchangeFormats::helpLines(u"  "_s, ExchangeFormats::Formats::Written));
        parser.addOption(formatOption());
        parser.addPositionalArgument(exportName, u"The command."_s);
        parser.addPositionalArgument(
            u"FILE"_s, u"Where to write, named with the format's extension."_s, u"[FILE]"_s);
    } else {
        parser.setApplicationDescription(
            u"Adds the entries of FILE, or of a browser's profile, to the address book\n"
            u"(Tessmoor.mdb of the current folder) in one transaction; entries it already holds\n"
            u"are not added again. The format is told from the content; it may be\n"_s
            + ExchangeFormats::helpLines(u"  "_s, ExchangeFormats::Formats::All)
            + u"No window or display is needed, and the browser may be running."_s);
        parser.addOption(fromOption());
        parser.addOption(profileOption());
        parser.addPositionalArgument(importName, u"The command."_s);
        parser.addPositionalArgument(u"FILE"_s, u"The file to read; it is only read."_s,
                                     u"FILE | --from BROWSER [--profile FOLDER]"_s);
    }
    parser.addOption(QCommandLineOption(u"home"_s, u"Use ~/Tessmoor.mdb instead."_s));
    return parser.helpText();
}

// What is wrong with an import's or an export's arguments, if anything.
QString exchangeMistake(const QCommandLineParser &parser, const QStringList &positional,
                        const QCommandLineOption &format, const QCommandLineOption &from,
                        const QCommandLineOption &profile)
{
    const QString command = positional.value(0);
    if (parser.isSet(format) && command != exportName)
        return u"--format belongs to the export command."_s;
    if ((parser.isSet(from) || parser.isSet(profile)) && command != importName)
        return u"--from and --profile belong to the import command."_s;
    if (parser.isSet(format) && parser.value(format).isEmpty())
        return u"--format needs a format: %1."_s.arg(ExchangeFormats::writerNames());
    if (parser.isSet(profile) && !parser.isSet(from))
        return u"--profile goes with --from."_s;
    if (parser.isSet(profile) && parser.value(profile).isEmpty())
        return u"--profile needs a folder."_s;
    if (parser.isSet(from) && !BrowserProfiles::names().contains(parser.value(from)))
        return u"--from takes %1."_s.arg(BrowserProfiles::names().join(u", "_s));
    if (command == importName && parser.isSet(from) && positional.size() != 1)
        return u"import --from takes no FILE."_s;
    if (command == importName && !parser.isSet(from) && positional.size() != 2)
        return u"import takes one FILE, or --from BROWSER."_s;
    if (command == exportName && positional.size() > 2)
        return u"export takes at most one FILE."_s;
    if (positional.size() > 1 && positional[1].isEmpty())
        return u"FILE is empty."_s;
    return {};
}

} // namespace

int CommandLine::Answer::print() const
{
    std::fputs(output.toLocal8Bit().constData(), stdout);
    std::fputs(error.toLocal8Bit().constData(), stderr);
    return exitCode;
}

int CommandLine::BookCommand::run() const
{
    const QString book = QString::fromUtf16(Schema::databaseFileName);
    switch (command) {
    case Command::Export:
        return runExport(book, format, file);
    case Command::Import:
        break;
    case Command::Deleted:
    case Command::Restore:
        QFile output, errors;
        output.open(stdout, QIODevice::WriteOnly);
        errors.open(stderr, QIODevice::WriteOnly | QIODevice::Unbuffered);
        return command == Command::Deleted ? DeletedCommand::list(book, purge, output, errors)
                                           : DeletedCommand::restore(book, numbers, output, errors);
    }
    return browser.isEmpty() ? runImport(book, file) : runImportFrom(book, browser, profile);
}

void CommandLine::setIdentity()
{
    QCoreApplication::setApplicationName(u"Larkspan"_s);
    QCoreApplication::setApplicationVersion(QStringLiteral(LARKSPAN_VERSION));
}

namespace {

// The options of the whole command line, made once for the parser and read
// back from it.
struct Options
{
    QCommandLineOption help {{u"h"_s, u"help"_s, u"?"_s}, u"Displays these options."_s};
    QCommandLineOption version {{u"v"_s, u"version"_s}, u"Displays version information."_s};
    QCommandLineOption home {u"home"_s,
                             u"Open the address book in your home folder (~/Tessmoor.mdb) "
                             u"instead of the current folder. The application menu starts "
                             u"Larkspan this way."_s};
    QCommandLineOption format = formatOption();
    QCommandLineOption from = fromOption();
    QCommandLineOption profile = profileOption();
    QCommandLineOption purge {u"purge"_s, u"deleted: forget the deleted entries for good."_s};

    explicit Options(QCommandLineParser &parser)
    {
        // Not addHelpOption(): its --help-all promises Qt's options, which
        // only the windows' application object could list.
        for (const QCommandLineOption *option :
             {&help, &version, &home, &format, &from, &profile, &purge})
            parser.addOption(*option);
        parser.addPositionalArgument(
            u"command"_s, u"export, import, deleted or restore, as above."_s,
            u"[export [FILE] | import FILE | import --from BROWSER | deleted | restore N...]"_s);
        acceptQtOptions(parser);
    }
};

// The command on the book that the arguments, found sound, ask for.
CommandLine::BookCommand bookCommand(const QCommandLineParser &parser, const Options &options,
                                     const QStringList &positional, const QList<int> &numbers)
{
    using Command = CommandLine::BookCommand::Command;
    const QString command = positional.value(0);
    if (command == deletedName || command == restoreName)
        return {command == deletedName ? Command::Deleted : Command::Restore,
                {},
                {},
                {},
                {},
                parser.isSet(options.purge),
                numbers};
    // A command's FILE is where the user stands, not in the home folder.
    const QString file
        = positional.size() > 1 ? QFileInfo(positional[1]).absoluteFilePath() : QString();
    const QString profileFolder = parser.isSet(options.profile)
        ? QFileInfo(parser.value(options.profile)).absoluteFilePath()
        : QString();
    return {command == exportName ? Command::Export : Command::Import,
            parser.value(options.format),
            file,
            parser.value(options.from),
            profileFolder,
            false,
            {}};
}

} // namespace

CommandLine::Outcome CommandLine::run(const QStringList &arguments)
{
    const QString program = QFileInfo(arguments.value(0, u"larkspan"_s)).fileName();
    QCommandLineParser parser;
    parser.setApplicationDescription(mainDescription(program));
    // Qt's options are written with one dash (-style fusion).
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const Options options(parser);

    if (!parser.parse(arguments))
        return mistake(program, parser.errorText());
    const QStringList positional = parser.positionalArguments();
    const QString command = positional.value(0);
    const bool exchange = command == exportName || command == importName;
    const bool onTheBook = exchange || command == deletedName || command == restoreName;
    if (parser.isSet(options.help))
        return Answer {0, exchange ? commandHelp(command) : parser.helpText(), {}};
    if (parser.isSet(options.version))
        return Answer {0,
                       u"%1 %2\n"_s.arg(QCoreApplication::applicationName(),
                                        QCoreApplication::applicationVersion()),
                       {}};
    if (!positional.isEmpty() && !onTheBook)
        return mistake(program, u"Unknown command '%1'."_s.arg(command));
    QList<int> numbers;
    for (const QString &wrong :
         {exchangeMistake(parser, positional, options.format, options.from, options.profile),
          deletedMistake(positional, parser.isSet(options.purge), &numbers)}) {
        if (!wrong.isEmpty())
            return mistake(program, wrong);
    }
    const BookCommand book = bookCommand(parser, options, positional, numbers);
    if (parser.isSet(options.home) && !QDir::setCurrent(QDir::homePath()))
        return Answer {
            1, {}, u"%1: Cannot enter the home folder %2.\n"_s.arg(program, QDir::homePath())};
    if (onTheBook)
        return book;
    return StartWindows {};
}

} // namespace Larkspan
