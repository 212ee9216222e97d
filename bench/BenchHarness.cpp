#include "BenchHarness.h"

#include <cstdio>
#include <cstring>
#include <map>

namespace bench {

double NowSeconds() {
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

void InterleavedRounds::Keep(const std::string& routine, const std::string& implementation, long long bytes,
                             double nsPerCall) {
    const std::string key = routine + "/" + implementation + "/" + std::to_string(bytes);
    auto [it, added] = best_.emplace(key, order_.size());
    if (added)
        order_.push_back({routine, implementation, bytes, nsPerCall});
    else if (nsPerCall < order_[it->second].nsPerCall)
        order_[it->second].nsPerCall = nsPerCall;
}

Report InterleavedRounds::Report() const {
    bench::Report report;
    for (const Result& r : order_) report.Add(r.routine, r.implementation, r.bytes, r.nsPerCall);
    return report;
}

void Report::Add(const std::string& routine, const std::string& implementation, long long bytes, double nsPerCall) {
    results_.push_back({routine, implementation, bytes, nsPerCall});
}

void Report::PrintTable() const {
    std::vector<std::string> routines;
    for (const Result& r : results_)
        if (routines.empty() || routines.back() != r.routine) routines.push_back(r.routine);
    for (const std::string& routine : routines) {
        std::vector<std::string> columns;
        std::map<long long, std::map<std::string, double>> rows;
        for (const Result& r : results_) {
            if (r.routine != routine) continue;
            bool known = false;
            for (const auto& c : columns) known = known || c == r.implementation;
            if (!known) columns.push_back(r.implementation);
            rows[r.bytes][r.implementation] = r.nsPerCall;
        }
        std::printf("\n%s (ns per call)\n%10s", routine.c_str(), "bytes");
        for (const auto& c : columns) std::printf(" %14s", c.c_str());
        std::printf("\n");
        for (const auto& [bytes, values] : rows) {
            std::printf("%10lld", bytes);
            for (const auto& c : columns) {
                auto it = values.find(c);
                if (it == values.end())
                    std::printf(" %14s", "-");
                else
                    std::printf(" %14.2f", it->second);
            }
            std::printf("\n");
        }
    }
    std::fflush(stdout);
}

bool Report::WriteCsv(const std::string& path) const {
    FILE* f = std::fopen(path.c_str(), "w");
    if (!f) return false;
    std::fprintf(f, "routine,implementation,bytes,ns_per_call\n");
    for (const Result& r : results_)
        std::fprintf(f, "%s,%s,%lld,%.3f\n", r.routine.c_str(), r.implementation.c_str(), r.bytes, r.nsPerCall);
    std::fclose(f);
    return true;
}

bool ParseOptions(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--csv") == 0 && i + 1 < argc) {
            options.csvPath = argv[++i];
        } else if (std::strcmp(argv[i], "--quick") == 0) {
            options.quick = true;
        } else {
            std::fprintf(stderr, "usage: %s [--csv FILE] [--quick]\n", argv[0]);
            return false;
        }
    }
    return true;
}

}  // namespace bench
