#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <variant>

namespace Larkspan {

// Larkspan's command line, handled before any window or display exists:
// --help, --version and mistakes are answered on the terminal, and what is
// left over is for the windows. Commands that need no windows belong here
// too, as the first argument that is not an option.
class CommandLine
{
public:
    // The command line was answered without windows: print and end.
    struct Answer
    {
        int exitCode = 0;
        QString output; // for standard output
        QString error; // for standard error

        int print() const;
    };

    // Start the windows, in the current folder (which --home has made the
    // user's home folder).
    struct StartWindows
    {
    };

    // A command on the address book of the current folder, with no display
    // (export, import, deleted, restore): run() it and end with the status
    // it answers.
    struct BookCommand
    {
        enum class Command { Export, Import, Deleted, Restore };
        Command command = Command::Export;
        QString format; // export's --format, if given
        QString file; // empty: export to standard output
        QString browser; // import --from
        QString profile; // import --profile, if given
        bool purge = false; // deleted --purge
        QList<int> numbers; // restore's

        int run() const;
    };

    using Outcome = std::variant<Answer, StartWindows, BookCommand>;

    // Sets the application's name and version, which --help and --version
    // show and the windows use as their caption.
    static void setIdentity();

    // Runs `arguments` (the program's name first). Needs a QCoreApplication.
    static Outcome run(const QStringList &arguments);
};

} // namespace Larkspan
