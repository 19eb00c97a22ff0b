#pragma once

// Wall-clock timing for benchmarks and the few tests that bound a duration:
// seconds since a start, and the middle of a set of measurements.

#include <chrono>
#include <vector>

namespace vitrix::test {

using Clock = std::chrono::steady_clock;

// Seconds elapsed since start.
double Seconds(Clock::time_point start);

// The median of values (the mean of the two middle ones for an even count);
// 0 for none.
double Median(std::vector<double> values);

// The value below which the given fraction (0 to 1) of values lies, taken
// from the sorted values at the nearest rank; 0 for none.
double Percentile(std::vector<double> values, double fraction);

}  // namespace vitrix::test
