// Interleaved rounds for the side-by-side benchmarks: every row is registered once per round
// as "<row>/round:<n>", the rows of one round run back to back (in reverse order on odd
// rounds, so neither side always goes first), and the reporter keeps the time of every round
// so that a summary can compare the medians of the two sides. A change in the machine's load
// then hits both sides alike, and no figure is a best-of.
//
// The round count comes from the environment variable OZK_BENCH_ROUNDS (default 5, at
// least 1); scripts/bench sets it.
#pragma once

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include <unistd.h>

namespace ozkbench {

inline int Rounds() {
  const char* value = std::getenv("OZK_BENCH_ROUNDS");
  const int rounds = value ? std::atoi(value) : 5;
  return rounds > 0 ? rounds : 1;
}

inline double Median(std::vector<double> aValues) {
  if (aValues.empty()) return 0;
  std::sort(aValues.begin(), aValues.end());
  const size_t n = aValues.size();
  return n % 2 ? aValues[n / 2] : (aValues[n / 2 - 1] + aValues[n / 2]) / 2;
}

// Registers aRows once per round. aRegister registers one row under the given name and
// returns the benchmark so the caller can set its options.
template <typename TRow>
void RegisterRounds(const std::vector<TRow>& aRows,
                    const std::function<void(const TRow&, const std::string&)>& aRegister) {
  const int rounds = Rounds();
  for (int round = 0; round < rounds; ++round) {
    const std::string suffix = "/round:" + std::to_string(round);
    if (round % 2 == 0)
      for (auto it = aRows.begin(); it != aRows.end(); ++it) aRegister(*it, suffix);
    else
      for (auto it = aRows.rbegin(); it != aRows.rend(); ++it) aRegister(*it, suffix);
  }
}

// The usual console table, plus the time per iteration (seconds) of every round of every
// row, keyed by the row's name without its round (so the round must be the last part of the
// registered name before the options Google Benchmark appends).
class TRoundsReporter : public benchmark::ConsoleReporter {
 public:
  // Colours only on a terminal (a reporter of one's own does not see --benchmark_color).
  // aCPUTime keeps the process's CPU time instead of the real time: for single-threaded work
  // that does no I/O it is what the code costs, even while other work shares the machine.
  explicit TRoundsReporter(bool aCPUTime = false)
      : ConsoleReporter(::isatty(1) ? OO_Defaults : OO_Tabular), FCPUTime(aCPUTime) {}
  void ReportRuns(const std::vector<Run>& aRuns) override {
    ConsoleReporter::ReportRuns(aRuns);
    for (const Run& run : aRuns) {
      if (run.run_type != Run::RT_Iteration || run.error_occurred || run.iterations == 0) continue;
      std::string name = run.benchmark_name();
      const size_t at = name.find("/round:");
      if (at != std::string::npos) name.erase(at); // the round and any option suffixes
      const double seconds = FCPUTime ? run.cpu_accumulated_time : run.real_accumulated_time;
      FSeconds[name].push_back(seconds / static_cast<double>(run.iterations));
    }
  }
  // Prints one comparison: the median times of both rows, the ratio of their rates (ours /
  // peer, above 1: ours is faster) and the rounds behind it.
  void PrintRateRatio(const std::string& aLabel, const std::string& aOurs,
                      const std::string& aPeer) const {
    if (!Has(aOurs) || !Has(aPeer)) return;
    const double ours = MedianSeconds(aOurs), peer = MedianSeconds(aPeer);
    std::printf("%-40s ours %10.1f ms  peer %10.1f ms  rate ratio ours/peer %6.3f  rounds %d\n",
                aLabel.c_str(), ours * 1e3, peer * 1e3, peer / ours,
                std::min(Count(aOurs), Count(aPeer)));
  }
  bool Has(const std::string& aRow) const { return FSeconds.count(aRow) != 0; }
  double MedianSeconds(const std::string& aRow) const {
    auto it = FSeconds.find(aRow);
    return it == FSeconds.end() ? 0 : Median(it->second);
  }
  int Count(const std::string& aRow) const {
    auto it = FSeconds.find(aRow);
    return it == FSeconds.end() ? 0 : static_cast<int>(it->second.size());
  }

 private:
  bool FCPUTime;
  std::map<std::string, std::vector<double>> FSeconds;
};

} // namespace ozkbench
