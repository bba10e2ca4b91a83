// The soak's random source: the same seed and run number give the same numbers on every
// platform and compiler (the standard distributions do not promise that).
#pragma once

#include <cstdint>
#include <vector>

class TSoakRandom {
public:
  // One independent stream per run, so that a run replays alone (--only) exactly as it ran
  // among the others.
  TSoakRandom(std::uint64_t nSeed, std::uint32_t nRun)
      : FnState(Mix(nSeed) ^ Mix(0x5EED0000ULL + nRun)) {}

  std::uint64_t Next() { return Mix(FnState += 0x9E3779B97F4A7C15ULL); }

  // From nLow to nHigh, both included.
  std::uint32_t Between(std::uint32_t nLow, std::uint32_t nHigh) {
    if (nHigh <= nLow) return nLow;
    return nLow + static_cast<std::uint32_t>(Next() % (std::uint64_t{nHigh} - nLow + 1));
  }

  bool Percent(std::uint32_t nPercent) { return Between(1, 100) <= nPercent; }

  // An index into weights, each chosen in proportion to its weight.
  std::size_t Weighted(const std::vector<std::uint32_t>& aWeights) {
    std::uint32_t nTotal = 0;
    for (const std::uint32_t n : aWeights)
      nTotal += n;
    std::uint32_t nPick = Between(1, nTotal);
    for (std::size_t i = 0; i < aWeights.size(); ++i) {
      if (nPick <= aWeights[i]) return i;
      nPick -= aWeights[i];
    }
    return aWeights.size() - 1;
  }

private:
  // splitmix64's finaliser.
  static std::uint64_t Mix(std::uint64_t n) {
    n = (n ^ (n >> 30)) * 0xBF58476D1CE4E5B9ULL;
    n = (n ^ (n >> 27)) * 0x94D049BB133111EBULL;
    return n ^ (n >> 31);
  }

  std::uint64_t FnState;
};
