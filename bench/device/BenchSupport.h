#pragma once

#include <QString>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

namespace mlbench {

using Clock = std::chrono::steady_clock;

inline double millisecondsBetween(Clock::time_point from, Clock::time_point to)
{
    return std::chrono::duration<double, std::milli>(to - from).count();
}

// Prints the median, the 90th percentile and the extremes of samples in ms.
inline void report(const char *what, std::vector<double> samples, double targetMedianMs)
{
    if (samples.empty()) {
        std::printf("%s: no samples\n", what);
        return;
    }
    std::sort(samples.begin(), samples.end());
    const double median = samples[samples.size() / 2];
    const double p90 = samples[std::min(samples.size() - 1, samples.size() * 9 / 10)];
    std::printf("%s: n=%zu median=%.3f ms p90=%.3f ms min=%.3f ms max=%.3f ms (target median <= %.1f ms: %s)\n",
                what, samples.size(), median, p90, samples.front(), samples.back(), targetMedianMs,
                median <= targetMedianMs ? "met" : "NOT MET");
}

} // namespace mlbench
