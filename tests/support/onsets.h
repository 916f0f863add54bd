// Where the notes start in a recording of sound, for tests and for the measuring tools alike.
#pragma once

#include <cstddef>
#include <vector>

namespace sound_onsets {

// The sample indexes at which sounds start: where the energy of the next 256 samples jumps to
// more than eight times that of the 256 before, taken at the largest jump of each run above
// that, every 32 samples. Jumps into less than `quietest` mean energy (a tail's noise) are not
// counted.
inline std::vector<size_t> Onsets(const std::vector<float>& s, double quietest = 0) {
  constexpr size_t kWindow = 256, kHop = 32;
  std::vector<double> sum(s.size() + 1, 0);
  for (size_t i = 0; i < s.size(); ++i) sum[i + 1] = sum[i] + double{s[i]} * s[i];
  const auto energy = [&](size_t from, size_t to) { return (sum[to] - sum[from]) / double(to - from); };
  std::vector<size_t> onsets;
  double best = 0;
  size_t bestAt = 0;
  for (size_t t = kWindow; t + kWindow <= s.size(); t += kHop) {
    const double jump = energy(t, t + kWindow) / (energy(t - kWindow, t) + 1e-12);
    if (jump > 8 && energy(t, t + kWindow) > quietest) {
      if (jump > best) best = jump, bestAt = t;
    } else if (best > 0) {
      onsets.push_back(bestAt);
      best = 0;
    }
  }
  return onsets;
}

}  // namespace sound_onsets
