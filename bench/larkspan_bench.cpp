// Times every user action of the main window and the editor on address books
// of 1,000 to 1,000,000 entries, next to the plain SQL statement that computes
// the same result, and the program's start to its first painted splash frame;
// then the windows on single entries of enormous size.
//
//   larkspan_bench                 runs everything and prints a Markdown table
//   larkspan_bench --run N [skew]  one book of N entries (a child process, so
//                                  that its peak memory is its own)
//   larkspan_bench --splash        shows the splash once and reports its first paint
//   larkspan_bench --huge          only the windows on entries of enormous size
//   larkspan_bench --huge-entry K  one such entry (a child process)
//   larkspan_bench --exchange      times export and import only
#include "BookBench.h"
#include "ExchangeBench.h"
#include "HugeEntries.h"
#include "RecordingPlatform.h"
#include "Timing.h"

#include "splash/frmSplash1.h"
#include "window/FormInstance.h"
#include "window/WindowServices.h"

#include <QApplication>
#include <QLabel>
#include <QProcess>
#include <QSysInfo>
#include <QTextStream>
#include <QThread>
#include <QTimer>


#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <optional>

using namespace Larkspan;
using namespace Qt::StringLiterals;

namespace {

constexpr int runs = Timing::windowRuns;

using Timing::monotonicNs;
using Timing::summarise;

int runSplash()
{
    Testing::RecordingPlatform platform;
    frmSplash1 *splash = FormInstance<frmSplash1>::get();
    splash->Timer1->stop();
    struct FirstPaint : QObject
    {
        bool eventFilter(QObject *, QEvent *event) override
        {
            if (event->type() == QEvent::Paint && !done) {
                done = true;
                std::printf("%lld\n", static_cast<long long>(monotonicNs()));
                std::fflush(stdout);
                QTimer::singleShot(0, qApp, &QCoreApplication::quit);
            }
            return false;
        }
        bool done = false;
    } firstPaint;
    splash->Image1->installEventFilter(&firstPaint);
    WindowServices::instance().showWindow(splash);
    return QApplication::exec();
}

struct Line
{
    QString action;
    QString median, p95, sql;
};

// The program's start to its first painted splash frame, each in a process
// of its own.
void reportSplash(const QString &self, QTextStream &out)
{
    QList<double> splash;
    for (int i = 0; i < runs; ++i) {
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
        child.setProcessEnvironment(env);
        const qint64 start = monotonicNs();
        child.start(self, {u"--splash"_s});
        child.waitForFinished(20000);
        const qint64 painted = child.readAllStandardOutput().trimmed().toLongLong();
        if (painted > start)
            splash << double(painted - start) / 1e6;
    }
    if (!splash.isEmpty()) {
        const Timing::Summary t = summarise(splash);
        out << "Start to first painted splash frame: median " << QString::number(t.median, 'f', 1)
            << " ms, p95 " << QString::number(t.p95, 'f', 1) << " ms\n\n";
    }
}

// Every window action on each book, in a child process each.
void reportBooks(const QString &self, QTextStream &out)
{
    out << "| entries | action | median ms | p95 ms | plain SQL median ms | ratio |\n";
    out << "|---:|---|---:|---:|---:|---:|\n";
    const QList<std::pair<int, bool>> books = {{1000, false},    {10000, false}, {100000, false},
                                               {1000000, false}, {100000, true}, {1000000, true}};
    for (const auto &[entries, skewed] : books) {
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
        child.setProcessEnvironment(env);
        QStringList args {u"--run"_s, QString::number(entries)};
        if (skewed)
            args << u"skew"_s;
        child.start(self, args);
        child.waitForFinished(-1);
        const QString label
            = QLocale(QLocale::English).toString(entries) + (skewed ? u" skewed"_s : QString());
        for (const QByteArray &raw : child.readAllStandardOutput().split('\n')) {
            const QStringList f = QString::fromUtf8(raw).split(u'\t');
            if (f.size() == 2) {
                out << "| " << label << " | peak resident memory | " << f[1].toLongLong() / 1024
                    << " MiB | | | |\n";
            } else if (f.size() == 4) {
                const double median = f[1].toDouble();
                QString ratio;
                if (f[3] != u"-")
                    ratio = QString::number(median / std::max(f[3].toDouble(), 1e-6), 'f', 2);
                out << "| " << label << " | " << f[0] << " | " << QString::number(median, 'f', 2)
                    << " | " << QString::number(f[2].toDouble(), 'f', 2) << " | "
                    << (f[3] == u"-" ? u"-"_s : QString::number(f[3].toDouble(), 'f', 2)) << " | "
                    << (ratio.isEmpty() ? u"-"_s : ratio) << " |\n";
            }
        }
        out.flush();
    }
}

// Export and import, in a process of their own like each book.
void reportExchange(const QString &self, QTextStream &out)
{
    QProcess exchange;
    exchange.start(self, {u"--exchange"_s});
    exchange.waitForFinished(-1);
    for (const QByteArray &raw : exchange.readAllStandardOutput().split('\n')) {
        const QStringList f = QString::fromUtf8(raw).split(u'\t');
        if (f.size() == 4)
            out << "| " << f[0] << " | " << f[1] << " | "
                << QString::number(f[2].toDouble(), 'f', 0) << " | "
                << QString::number(f[3].toDouble(), 'f', 0) << " | - | - |\n";
    }
}

int runAll(const QString &self)
{
    QTextStream out(stdout);
    out << "Machine: " << QSysInfo::prettyProductName() << ", "
        << QSysInfo::currentCpuArchitecture() << ", " << QThread::idealThreadCount()
        << " cores\n\n";
    reportSplash(self, out);
    reportBooks(self, out);
    reportExchange(self, out);
    HugeEntries::reportAll(self, out);
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    const QStringList args = [&] {
        QStringList list;
        for (int i = 0; i < argc; ++i)
            list << QString::fromLocal8Bit(argv[i]);
        return list;
    }();
    if (args.size() >= 2
        && (args[1] == u"--run" || args[1] == u"--splash" || args[1] == u"--huge-entry")) {
        QApplication app(argc, argv);
        QApplication::setQuitOnLastWindowClosed(false);
        if (args[1] == u"--splash")
            return runSplash();
        if (args[1] == u"--huge-entry")
            return HugeEntries::run(args.value(2));
        return runBook(args.value(2).toInt(), args.value(3) == u"skew");
    }
    QCoreApplication app(argc, argv);
    if (args.value(1) == u"--huge") {
        QTextStream out(stdout);
        HugeEntries::reportAll(QCoreApplication::applicationFilePath(), out);
        return 0;
    }
    if (args.size() >= 2 && args[1] == u"--exchange")
        return runExchangeBench();
    return runAll(QCoreApplication::applicationFilePath());
}
