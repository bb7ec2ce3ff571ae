#include "cli/CommandLine.h"
#include "cli/NoDisplay.h"
#include "platform/desktop/DesktopPlatform.h"
#include "platform/TerminationSignals.h"
#include "splash/frmSplash1.h"
#include "store/AddressTable.h"
#include "store/BookCheck.h"
#include "store/BookFiles.h"
#include "store/jet/JetConversion.h"
#include "window/FormInstance.h"
#include "window/WindowServices.h"

#include <QApplication>
#include <QIcon>

#include <memory>

using namespace Qt::StringLiterals;

int main(int argc, char *argv[])
{
    using Larkspan::CommandLine;

    // An address book in the older Jet format is converted as it is opened.
    Larkspan::JetImport::JetConversion jet;
    Larkspan::BookConversion::install(&jet);

    // The command line first, with no display needed: --help, --version,
    // mistakes and the commands on the book never open a window.
    CommandLine::Outcome outcome;
    {
        QCoreApplication commandLine(argc, argv);
        CommandLine::setIdentity();
        outcome = CommandLine::run(QCoreApplication::arguments());
        if (const auto *command = std::get_if<CommandLine::BookCommand>(&outcome))
            return command->run();
    }
    if (const auto *answer = std::get_if<CommandLine::Answer>(&outcome))
        return answer->print();

    // The address book is checked while the splash screen shows.
    Larkspan::BookCheck::start(Larkspan::BookFiles::inCurrentDirectory());

    auto noDisplay = std::make_unique<Larkspan::NoDisplay>();
    QApplication app(argc, argv);
    noDisplay.reset();
    CommandLine::setIdentity();
    QGuiApplication::setDesktopFileName(u"org.larkspan.Larkspan"_s);
    QApplication::setWindowIcon(QIcon(u":/larkspan.png"_s));
    // The main window's close and the Exit command end the program; no other
    // window's closing does.
    QApplication::setQuitOnLastWindowClosed(false);

    Larkspan::DesktopPlatform platform;
    Larkspan::setPlatform(&platform);

    // The desktop session ending, `kill` and Ctrl+C end the program as Exit does.
    const Larkspan::TerminationSignals endOnSignal(
        [](int signal) { Larkspan::WindowServices::instance().endProgram(128 + signal); });

    Larkspan::WindowServices::instance().showWindow(
        Larkspan::FormInstance<Larkspan::frmSplash1>::get());
    const int status = QApplication::exec();
    // Whichever way the loop ended, the address book is left whole.
    Larkspan::AddressTable::closeAll();
    return status;
}
