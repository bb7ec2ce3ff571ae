// Opens file arguments through DesktopShell on the real platform, one after
// the other, for the real-opener test.
//
//     launcher_opener_probe ARGUMENTS LOGDIR
//
// ARGUMENTS holds a QDataStream'd QStringList. For each argument, prints
// "INDEX RESULT" with shellExecute's result; when it was handed over, waits
// until the fake opener has dropped its record LOGDIR/new.PID and renames it
// to LOGDIR/INDEX.args (five digits), so each record belongs to one argument.
// Prints "INDEX timeout" when no record came.

#include "launcher/DesktopShell.h"

#include <QDataStream>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QThread>

#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

bool collectRecord(const QDir &logDir, int index)
{
    const QDeadlineTimer deadline(10000);
    while (!deadline.hasExpired()) {
        const QStringList records = logDir.entryList({u"new.*"_s}, QDir::Files);
        if (!records.isEmpty()) {
            return QFile::rename(logDir.filePath(records.first()),
                                 logDir.filePath(u"%1.args"_s.arg(index, 5, 10, QChar(u'0'))));
        }
        QThread::msleep(10);
    }
    return false;
}

} // namespace

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 3) {
        std::fprintf(stderr, "usage: launcher_opener_probe ARGUMENTS LOGDIR\n");
        return 2;
    }
    QFile input(args.at(1));
    if (!input.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "cannot read %s\n", qPrintable(args.at(1)));
        return 2;
    }
    QStringList files;
    QDataStream stream(&input);
    stream >> files;
    const QDir logDir(args.at(2));

    for (int i = 0; i < files.size(); ++i) {
        const qintptr result = Larkspan::DesktopShell::shellExecute(
            0, std::nullopt, files.at(i), std::nullopt, u"C:\\"_s, 1);
        std::printf("%d %lld\n", i, static_cast<long long>(result));
        if (result == Larkspan::DesktopShell::handedOver && !collectRecord(logDir, i))
            std::printf("%d timeout\n", i);
        std::fflush(stdout);
    }
    return 0;
}
