// A process for the Jet tests to run, stop and kill:
//
//   jet-test-child detect FILE [--as-nobody]
//       prints the format that detectFileFormat finds
//   jet-test-child convert FILE READER [--stop-at STEP] [--as-nobody]
//       converts FILE; prints "converted" or the message, exits 0 or 1.
//       With --stop-at, the process kills itself (SIGKILL, no clean-up of
//       any kind) when the conversion reaches STEP.
//
// --as-nobody drops root before doing anything, so that a file without read
// permission is really unreadable to the process.

#include "store/FileFormat.h"
#include "store/jet/JetImport.h"

#include <QCoreApplication>
#include <QStringList>

#include <csignal>
#include <cstdio>

#include <grp.h>
#include <unistd.h>

using namespace Qt::StringLiterals;
using Larkspan::FileFormat;
using Larkspan::JetImport::Step;

namespace {

constexpr uid_t nobody = 65534;

bool dropRoot()
{
    if (::geteuid() != 0)
        return true;
    return ::setgroups(0, nullptr) == 0 && ::setgid(nobody) == 0 && ::setuid(nobody) == 0;
}

const char *formatName(FileFormat format)
{
    switch (format) {
    case FileFormat::Missing: return "Missing";
    case FileFormat::NotARegularFile: return "NotARegularFile";
    case FileFormat::Unreadable: return "Unreadable";
    case FileFormat::SQLite: return "SQLite";
    case FileFormat::Jet3: return "Jet3";
    case FileFormat::Jet4: return "Jet4";
    case FileFormat::Ace: return "Ace";
    case FileFormat::Unknown: return "Unknown";
    }
    return "?";
}

std::optional<Step> stepNamed(const QString &name)
{
    static const QList<std::pair<QString, Step>> steps = {
        {u"TableRead"_s, Step::TableRead},
        {u"TempFileStarted"_s, Step::TempFileStarted},
        {u"TempFileWritten"_s, Step::TempFileWritten},
        {u"OldFileKept"_s, Step::OldFileKept},
        {u"NewFileInPlace"_s, Step::NewFileInPlace},
    };
    for (const auto &[stepName, step] : steps) {
        if (stepName == name)
            return step;
    }
    return std::nullopt;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    if (args.removeAll(u"--as-nobody"_s) > 0 && !dropRoot()) {
        std::fprintf(stderr, "cannot drop root\n");
        return 2;
    }
    std::optional<Step> stopAt;
    if (const qsizetype at = args.indexOf(u"--stop-at"_s); at >= 0 && at + 1 < args.size()) {
        stopAt = stepNamed(args[at + 1]);
        if (!stopAt)
            return 2;
        args.remove(at, 2);
    }

    if (args.size() == 2 && args[0] == u"detect"_s) {
        std::printf("%s\n", formatName(Larkspan::detectFileFormat(args[1])));
        return 0;
    }
    if (args.size() == 3 && args[0] == u"convert"_s) {
        Larkspan::JetImport::Options options;
        options.onStep = [stopAt](Step reached) {
            if (stopAt == reached)
                std::raise(SIGKILL);
        };
        const std::optional<QString> failure
            = Larkspan::JetImport::convertInPlace(args[1], args[2], options);
        std::printf("%s\n", failure ? failure->toUtf8().constData() : "converted");
        return failure ? 1 : 0;
    }
    std::fprintf(stderr, "usage: see the comment at the top of jet_test_child.cpp\n");
    return 2;
}
