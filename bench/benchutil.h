// Small helpers the benchmarks share: a millisecond clock, medians and a seeded generator.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace benchutil {

inline double Now() {
    using namespace std::chrono;
    return duration<double, std::milli>(steady_clock::now().time_since_epoch()).count();
}

inline double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// splitmix64: small, fast and the same sequence on every platform.
struct Rng {
    uint64_t state;
    uint64_t Next() {
        uint64_t z = (state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    size_t Below(size_t n) { return static_cast<size_t>(Next() % n); }
};

// The size options most benchmarks take, and one switch of the benchmark's own.
struct SizeOptions {
    long long entries, media, runs;
    bool flag = false;
};

// Reads "--entries N", "--media M", "--runs R" and the switch `flagName` into `o`; anything else
// prints `usage` and ends the program (status 0 for --help).
inline void ParseSizeOptions(int argc, char** argv, SizeOptions& o, const char* flagName,
                             const char* usage) {
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        long long* value = a == "--entries" ? &o.entries
                           : a == "--media" ? &o.media
                           : a == "--runs"  ? &o.runs
                                            : nullptr;
        if (a == flagName) {
            o.flag = true;
        } else if (!value || i + 1 >= argc) {
            std::printf("%s\n", usage);
            std::exit(a == "--help" ? 0 : 2);
        } else {
            *value = std::atoll(argv[++i]);
        }
    }
}

} // namespace benchutil
