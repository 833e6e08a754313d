// What the benchmarks share: each operation runs in several rounds, the
// rounds of all operations interleaved so that both sides of a ratio see the
// same load, and the best time per iteration of each operation is kept; a
// failed result check marks the whole run as failed.
#pragma once

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <limits>
#include <map>
#include <string>
#include <vector>

#include <unistd.h>

namespace bench {

inline bool& failed() {
    static bool value = false;
    return value;
}

// A result check failed: the run goes on, reports it and exits with 1.
inline void Fail(benchmark::State& state, const std::string& message) {
    std::fprintf(stderr, "CHECK FAILED: %s\n", message.c_str());
    failed() = true;
    state.SkipWithError(message.c_str());
}

struct Best {
    double real = std::numeric_limits<double>::infinity();
    double cpu = std::numeric_limits<double>::infinity();
    bool Known() const { return real != std::numeric_limits<double>::infinity(); }
};

// Keeps, for each operation, the best time per iteration over its rounds.
// An operation's rounds are named "<operation>#<round>".
class BestTimeReporter : public benchmark::ConsoleReporter {
public:
    BestTimeReporter() : ConsoleReporter(isatty(1) ? OO_ColorTabular : OO_Tabular) {}
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.run_type != Run::RT_Iteration || run.iterations <= 0 || run.error_occurred)
                continue;
            std::string name = run.run_name.function_name;
            name = name.substr(0, name.find('#'));
            Best& best = best_[name];
            const double n = static_cast<double>(run.iterations);
            best.real = std::min(best.real, run.real_accumulated_time / n);
            best.cpu = std::min(best.cpu, run.cpu_accumulated_time / n);
        }
        ConsoleReporter::ReportRuns(runs);
    }
    Best Of(const std::string& name) const {
        auto it = best_.find(name);
        return it == best_.end() ? Best{} : it->second;
    }
    // "<what>: <ratio> (real time), <ratio> (CPU time)", or why there is none.
    void PrintRatio(const std::string& what, const std::string& ours,
                    const std::string& theirs) const {
        Best a = Of(ours), b = Of(theirs);
        if (!a.Known() || !b.Known()) {
            std::printf("%s: no ratio (a side did not run)\n", what.c_str());
            return;
        }
        std::printf("%s: %.2f (real time, best %.1f ms / %.1f ms), %.2f (CPU time)\n", what.c_str(),
                    a.real / b.real, a.real * 1e3, b.real * 1e3, a.cpu / b.cpu);
    }

private:
    std::map<std::string, Best> best_;
};

// Registers `rounds` rounds of each operation, interleaved: round 1 of every
// operation, then round 2, and so on.
struct Operation {
    std::string name;
    std::function<void(benchmark::State&)> run;
    int iterations = 1;
};
inline void RegisterRounds(const std::vector<Operation>& operations, int rounds) {
    for (int round = 1; round <= rounds; ++round)
        for (const Operation& op : operations)
            benchmark::RegisterBenchmark((op.name + "#" + std::to_string(round)).c_str(), op.run)
                ->Iterations(op.iterations)
                ->Unit(benchmark::kMillisecond)
                ->UseRealTime();
}

// Takes "--rounds=N" out of the arguments (default `fallback`).
inline int TakeRounds(int& argc, char** argv, int fallback) {
    int rounds = fallback;
    int out = 1;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg.rfind("--rounds=", 0) == 0)
            rounds = std::max(1, std::atoi(arg.c_str() + 9));
        else
            argv[out++] = argv[i];
    }
    argc = out;
    return rounds;
}

} // namespace bench
