#pragma once

// Wall-clock timing shared by the benchmarks: a figure is the median of its
// rounds.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

namespace bench {

using Clock = std::chrono::steady_clock;

inline double msSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

inline double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// One line of a benchmark's table, ours beside a rival; without a rival
// (rival 0) the ratio columns stay empty.
inline void printRow(const char *what, double ours, const char *rivalName, double rival, const char *target, bool met)
{
    if (rival > 0)
        std::printf("| %s | %.1f ms | %s %.1f ms | %.2f | %s%s |\n", what, ours, rivalName, rival, ours / rival, target,
                    met ? "" : " (missed)");
    else
        std::printf("| %s | %.1f ms | — | — | %s%s |\n", what, ours, target, met ? "" : " (missed)");
    std::fflush(stdout);
}

} // namespace bench
