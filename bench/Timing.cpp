#include "Timing.h"

#include <algorithm>
#include <ctime>

namespace Timing {

namespace {

qint64 clockNs(clockid_t clock)
{
    timespec ts {};
    clock_gettime(clock, &ts);
    return qint64(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

double median(QList<double> values)
{
    if (values.isEmpty())
        return 0;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

qint64 monotonicNs()
{
    return clockNs(CLOCK_MONOTONIC);
}

qint64 processCpuNs()
{
    return clockNs(CLOCK_PROCESS_CPUTIME_ID);
}

Summary summarise(QList<double> ms, QList<double> cpuMs)
{
    std::sort(ms.begin(), ms.end());
    Summary s;
    s.median = ms[ms.size() / 2];
    s.p95 = ms[std::min<qsizetype>(ms.size() - 1, qsizetype(ms.size() * 0.95))];
    s.max = ms.last();
    s.cpuMedian = median(cpuMs);
    return s;
}

Summary measure(int runs, const std::function<void()> &setup, const std::function<void()> &action,
                const std::function<void()> &after)
{
    QList<double> ms;
    QList<double> cpuMs;
    for (int i = 0; i < runs; ++i) {
        if (setup)
            setup();
        const qint64 start = monotonicNs();
        const qint64 cpuStart = processCpuNs();
        action();
        cpuMs << double(processCpuNs() - cpuStart) / 1e6;
        ms << double(monotonicNs() - start) / 1e6;
        if (after)
            after();
    }
    return summarise(ms, cpuMs);
}

} // namespace Timing
