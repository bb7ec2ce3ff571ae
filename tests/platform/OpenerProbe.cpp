// Opens the hostile corpus through DesktopShell on the real platform, one
// argument after the other, for the real-opener test:
//
//     platform_opener_probe LOGDIR
//
// The index of the argument goes to the opener in OPENER_CASE; whenever
// shellExecute says it handed the argument over, waits until the fake opener
// has dropped its record LOGDIR/INDEX.args, so each record belongs to one
// argument.

#include "HostileAddresses.h"
#include "platform/desktop/DesktopShell.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QGuiApplication>
#include <QThread>

using namespace Qt::StringLiterals;

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    QDir logDir(app.arguments().value(1));
    const QList<HostileAddresses::Case> corpus = HostileAddresses::corpus();
    for (qsizetype i = 0; i < corpus.size(); ++i) {
        qputenv("OPENER_CASE", QByteArray::number(i));
        if (Larkspan::DesktopShell::shellExecute(0, std::nullopt, corpus.at(i).file, std::nullopt,
                                                 u"C:\\"_s, 1)
            != Larkspan::DesktopShell::handedOver)
            continue;
        for (const QDeadlineTimer deadline(10000);
             !deadline.hasExpired() && !logDir.exists(u"%1.args"_s.arg(i)); QThread::msleep(10)) {}
    }
    return 0;
}
