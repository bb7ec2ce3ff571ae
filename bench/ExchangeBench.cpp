#include "ExchangeBench.h"

#include "BenchBook.h"
#include "BrowserFiles.h"

#include "exchange/ExchangeCommand.h"

#include <QBuffer>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>
#include <ctime>
#include <functional>

using namespace Larkspan;
using namespace Qt::StringLiterals;

namespace {

// Exports and imports take seconds: a few runs give a steady median.
constexpr int runs = 3;

// Processor time, which other work on a shared machine does not stretch.
double processorMs()
{
    timespec ts {};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return double(ts.tv_sec) * 1e3 + double(ts.tv_nsec) / 1e6;
}

void time(const QString &action, const std::function<void()> &setup,
          const std::function<int()> &command)
{
    QList<double> ms;
    for (int i = 0; i < runs; ++i) {
        setup();
        const double start = processorMs();
        if (command() != ExchangeCommand::Done)
            qFatal("%s failed", qPrintable(action));
        ms << processorMs() - start;
    }
    std::sort(ms.begin(), ms.end());
    QTextStream(stdout) << action << '\t' << ms[ms.size() / 2] << '\t' << ms.last() << Qt::endl;
}

int exchange(const QString &book, const std::function<int(ExchangeCommand &)> &command)
{
    QBuffer output, errors;
    output.open(QIODevice::WriteOnly);
    errors.open(QIODevice::WriteOnly);
    ExchangeCommand on(book, output, errors);
    return command(on);
}

int exportBook(const QString &book, const QString &file)
{
    return exchange(book, [&](ExchangeCommand &c) { return c.exportBook({}, file); });
}

int importFile(const QString &book, const QString &file)
{
    return exchange(book, [&](ExchangeCommand &c) { return c.importFile(file); });
}

// Wall time of a whole program, start to end, the way a person waits for it.
void timeProgram(
    const QString &action, const QString &program, const QStringList &arguments,
    const QString &folder, const QProcessEnvironment &env = {},
    const std::function<void()> &setup = [] {})
{
    QList<double> ms;
    for (int i = 0; i < 5; ++i) {
        setup();
        QProcess process;
        process.setWorkingDirectory(folder);
        if (!env.isEmpty())
            process.setProcessEnvironment(env);
        QElapsedTimer timer;
        timer.start();
        process.start(program, arguments);
        if (!process.waitForFinished(120000) || process.exitCode() != 0)
            qFatal("%s failed: %s", qPrintable(action), process.readAllStandardError().constData());
        ms << double(timer.nsecsElapsed()) / 1e6;
    }
    std::sort(ms.begin(), ms.end());
    QTextStream(stdout) << action << '\t' << ms[ms.size() / 2] << '\t' << ms.last() << Qt::endl;
}

// Larkspan's export of 100,000 entries to a bookmark file beside buku's
// export of the same entries, both as whole programs; and imports of
// 100,000 bookmarks straight from Firefox's and Chromium's own files.
void browsersAndBuku(QTemporaryDir &dir)
{
    constexpr int count = 100000;
    const QString book = dir.filePath(u"Tessmoor.mdb"_s);
    for (const char16_t *suffix : {u"", u"-wal", u"-shm"})
        QFile::remove(book + QString::fromUtf16(suffix));
    BrowserFiles::writeBook(book, count);
    exportBook(book, dir.filePath(u"warm.csv"_s)); // the first open builds the companion tables
    timeProgram(u"100,000\texport to html, the whole program, wall time"_s,
                QStringLiteral(LARKSPAN_BIN_DIR "/larkspan"), {u"export"_s, u"bookmarks.html"_s},
                dir.path());
    const QString buku = QStandardPaths::findExecutable(u"buku"_s);
    if (!buku.isEmpty()) {
        QDir(dir.path()).mkpath(u"buku-data/buku"_s);
        BrowserFiles::writeBuku(dir.filePath(u"buku-data/buku/bookmarks.db"_s), count);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(u"XDG_DATA_HOME"_s, dir.filePath(u"buku-data"_s));
        timeProgram(u"100,000\tbuku --export to html (the same entries), wall time"_s, buku,
                    {u"--nostdin"_s, u"--tacit"_s, u"--export"_s, u"buku.html"_s}, dir.path(), env,
                    [&] { QFile::remove(dir.filePath(u"buku.html"_s)); });
    }

    const QString places = dir.filePath(u"places.sqlite"_s);
    const QString chromium = dir.filePath(u"Bookmarks"_s);
    BrowserFiles::writePlaces(places, count);
    BrowserFiles::writeChromium(chromium, count);
    const QString target = dir.filePath(u"empty.mdb"_s);
    const auto empty = [&] {
        for (const char16_t *suffix : {u"", u"-wal", u"-shm"})
            QFile::remove(target + QString::fromUtf16(suffix));
    };
    time(u"100,000\timport from Firefox's places.sqlite into an empty book, processor time"_s,
         empty, [&] { return importFile(target, places); });
    time(u"100,000\timport from Chromium's Bookmarks into an empty book, processor time"_s, empty,
         [&] { return importFile(target, chromium); });
}

} // namespace

int runExchangeBench()
{
    QTemporaryDir dir;
    const QString big = dir.filePath(u"million.mdb"_s);
    const QString small = dir.filePath(u"hundred-thousand.mdb"_s);
    BenchBook::write(big, {1000000, false});
    BenchBook::write(small, {100000, false});
    browsersAndBuku(dir);
    const QString formats[] = {u"html"_s, u"xbel"_s, u"csv"_s, u"json"_s};

    for (const QString &format : formats) {
        const QString file = dir.filePath(u"export."_s + format);
        time(
            u"1,000,000\texport to "_s + format + u", processor time"_s, [] {},
            [&] { return exportBook(big, file); });
        QFile::remove(file);
    }

    const QString target = dir.filePath(u"Tessmoor.mdb"_s);
    auto fresh = [&](const QString &from) {
        return [&target, from] {
            for (const char16_t *suffix : {u"", u"-wal", u"-shm"})
                QFile::remove(target + QString::fromUtf16(suffix));
            if (!from.isEmpty())
                QFile::copy(from, target);
        };
    };
    for (const QString &format : formats) {
        const QString file = dir.filePath(u"import."_s + format);
        exportBook(small, file);
        time(u"100,000\timport from "_s + format + u" into an empty book, processor time"_s,
             fresh({}), [&] { return importFile(target, file); });
        time(u"100,000\timport from "_s + format + u" into a book of 1,000,000, processor time"_s,
             fresh(big), [&] { return importFile(target, file); });
    }
    return 0;
}
