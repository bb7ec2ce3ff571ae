#include "ExchangeBench.h"

#include "BenchBook.h"

#include "exchange/ExchangeCommand.h"

#include <QBuffer>
#include <QFile>
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

} // namespace

int runExchangeBench()
{
    QTemporaryDir dir;
    const QString big = dir.filePath(u"million.mdb"_s);
    const QString small = dir.filePath(u"hundred-thousand.mdb"_s);
    BenchBook::write(big, {1000000, false});
    BenchBook::write(small, {100000, false});
    const QString formats[] = {u"html"_s, u"csv"_s, u"json"_s};

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
