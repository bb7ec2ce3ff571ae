#include "cli/CommandLine.h"

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
const QStringList qtValueOptions = {
    u"platform"_s, u"platformpluginpath"_s, u"platformtheme"_s, u"plugin"_s,
    u"qwindowgeometry"_s, u"qwindowicon"_s, u"qwindowtitle"_s, u"session"_s,
    u"display"_s, u"geometry"_s, u"title"_s, u"icon"_s, u"name"_s,
    u"style"_s, u"stylesheet"_s};
const QStringList qtFlagOptions = {u"reverse"_s, u"widgetcount"_s, u"nograb"_s, u"dograb"_s,
                                   u"sync"_s};

CommandLine::Answer mistake(const QString &program, const QString &message)
{
    return {2, {}, u"%1: %2\nTry '%1 --help' for more information.\n"_s.arg(program, message)};
}

} // namespace

int CommandLine::Answer::print() const
{
    std::fputs(output.toLocal8Bit().constData(), stdout);
    std::fputs(error.toLocal8Bit().constData(), stderr);
    return exitCode;
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
        u"with a line of information, in the address book Tessmoor.mdb of the current folder."_s);
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
    if (parser.isSet(help))
        return Answer{0, parser.helpText(), {}};
    if (parser.isSet(version))
        return Answer{0,
                      u"%1 %2\n"_s.arg(QCoreApplication::applicationName(),
                                       QCoreApplication::applicationVersion()),
                      {}};
    if (!parser.positionalArguments().isEmpty())
        return mistake(program, u"Unknown command '%1'."_s.arg(parser.positionalArguments().first()));

    if (parser.isSet(home) && !QDir::setCurrent(QDir::homePath()))
        return Answer{1, {}, u"%1: Cannot enter the home folder %2.\n"_s.arg(program, QDir::homePath())};
    return StartWindows{};
}

} // namespace Larkspan
