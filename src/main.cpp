#include "cli/CommandLine.h"
#include "platform/DesktopPlatform.h"
#include "splash/frmSplash1.h"
#include "window/FormInstance.h"
#include "window/WindowServices.h"

#include <QApplication>
#include <QIcon>

using namespace Qt::StringLiterals;

int main(int argc, char *argv[])
{
    using Larkspan::CommandLine;

    // The command line first, with no display needed: --help, --version,
    // mistakes, export and import never open a window.
    CommandLine::Outcome outcome;
    {
        QCoreApplication commandLine(argc, argv);
        CommandLine::setIdentity();
        outcome = CommandLine::run(QCoreApplication::arguments());
        if (const auto *exchange = std::get_if<CommandLine::Exchange>(&outcome))
            return exchange->run();
    }
    if (const auto *answer = std::get_if<CommandLine::Answer>(&outcome))
        return answer->print();

    QApplication app(argc, argv);
    CommandLine::setIdentity();
    QGuiApplication::setDesktopFileName(u"org.larkspan.Larkspan"_s);
    QApplication::setWindowIcon(QIcon(u":/larkspan.png"_s));
    // The main window's close and the Exit command end the program; no other
    // window's closing does.
    QApplication::setQuitOnLastWindowClosed(false);

    Larkspan::DesktopPlatform platform;
    Larkspan::setPlatform(&platform);

    Larkspan::WindowServices::instance().showWindow(
        Larkspan::FormInstance<Larkspan::frmSplash1>::get());
    return QApplication::exec();
}
