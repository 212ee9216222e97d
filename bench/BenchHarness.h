// Side-by-side timing for the benchmark programs: every implementation of a
// routine is measured in the same run, the fastest of several repetitions is
// kept, and the results come out as a readable table and, with --csv FILE, as
// CSV with the columns routine,implementation,bytes,ns_per_call.
//
// Implementation names: a variant's own name (CompareStrC), "selected" (the
// one chosen for this processor), "host" (the emulated host's routine),
// "crt" (the C runtime), "reference" (a plain loop), "limit" (a bandwidth
// limit such as rep movsb).
#pragma once

#include <windows.h>

#include <map>
#include <string>
#include <vector>

namespace bench {

struct Result {
    std::string routine;
    std::string implementation;
    long long bytes;
    double nsPerCall;
};

// Keeps the compiler from dropping a computed value.
template <class T>
inline void KeepValue(const T& value) {
    __asm__ volatile("" : : "g"(value) : "memory");
}

double NowSeconds();

// Nanoseconds per call of f: calls it in batches until a batch takes at
// least minSeconds, repeats that `repetitions` times and keeps the fastest.
template <class F>
double NsPerCall(F&& f, double minSeconds = 0.01, int repetitions = 5) {
    long long batch = 1;
    for (;;) {
        double start = NowSeconds();
        for (long long i = 0; i < batch; ++i) f();
        double elapsed = NowSeconds() - start;
        if (elapsed >= minSeconds || batch >= (1LL << 40)) break;
        batch *= elapsed > 0 ? (minSeconds / elapsed > 8 ? 8 : 2) : 8;
    }
    double best = 1e300;
    for (int r = 0; r < repetitions; ++r) {
        double start = NowSeconds();
        for (long long i = 0; i < batch; ++i) f();
        double ns = (NowSeconds() - start) * 1e9 / static_cast<double>(batch);
        if (ns < best) best = ns;
    }
    return best;
}

class Report {
public:
    void Add(const std::string& routine, const std::string& implementation, long long bytes, double nsPerCall);
    // One table per routine: a row per size, a column per implementation.
    void PrintTable() const;
    bool WriteCsv(const std::string& path) const;
    const std::vector<Result>& Results() const { return results_; }

private:
    std::vector<Result> results_;
};

// Command line common to the benchmark programs: --csv FILE, --quick (fewer
// and shorter measurements, for a smoke run). Returns false on bad usage.
struct Options {
    std::string csvPath;
    bool quick = false;
};
bool ParseOptions(int argc, char** argv, Options& options);

// Measures every implementation in several interleaved rounds and keeps
// the fastest figure of each, so that a burst of load on the shared machine
// spoils one round of one column at most. The caller runs its measurements
// Rounds() times.
class InterleavedRounds {
public:
    explicit InterleavedRounds(const Options& options) : quick_(options.quick) {}
    int Rounds() const { return quick_ ? 1 : 3; }
    template <class F>
    void Measure(const std::string& routine, const std::string& implementation, long long bytes, F&& f) {
        Keep(routine, implementation, bytes, quick_ ? NsPerCall(f, 0.002, 2) : NsPerCall(f, 0.005, 3));
    }
    // A figure measured by the caller.
    void Keep(const std::string& routine, const std::string& implementation, long long bytes, double nsPerCall);
    class Report Report() const;

private:
    bool quick_;
    std::map<std::string, size_t> best_;
    std::vector<Result> order_;
};

}  // namespace bench
