#pragma once

#include <QList>

#include <functional>

// Timing an action over several runs, by the clock on the wall and by the
// processor time the process spent (which other work on the machine leaves
// alone).
namespace Timing {

// How many times a window action is timed: enough for a steady median and a
// meaningful p95.
inline constexpr int windowRuns = 21;

qint64 monotonicNs();
qint64 processCpuNs();

struct Summary
{
    double median = 0;
    double p95 = 0;
    double max = 0;
    double cpuMedian = 0;
};

Summary summarise(QList<double> ms, QList<double> cpuMs = {});

// Runs setup, action and after `runs` times; only the action is timed.
Summary measure(int runs, const std::function<void()> &setup, const std::function<void()> &action,
                const std::function<void()> &after = {});

} // namespace Timing
