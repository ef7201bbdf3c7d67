#pragma once
// Timing helpers shared by the benchmarks: medians over alternated runs, so that load from the
// rest of the machine falls on both sides of a ratio.
#include <algorithm>
#include <chrono>
#include <functional>
#include <vector>

inline double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

inline double TimeMs(const std::function<void()>& f) {
  const auto t0 = std::chrono::steady_clock::now();
  f();
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
}

// The median of `runs` timings of f.
inline double MedianMs(const std::function<void()>& f, int runs) {
  std::vector<double> times;
  for (int r = 0; r < runs; ++r) times.push_back(TimeMs(f));
  return Median(times);
}
