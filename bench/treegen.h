// The folder tree the scan benchmarks walk, and the small helpers they share: options, timing,
// medians. Header only; both benchmarks include it.
#pragma once

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace benchtree {

struct Options {
    int folders = 20000;
    int filesPerFolder = 10;
    int runs = 5;
    std::string dir; // reuse (or create and keep) the tree here; empty: a fresh one, removed after
};

inline Options ParseOptions(int argc, char** argv) {
    Options o;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string key = argv[i];
        if (key == "--folders") o.folders = std::atoi(argv[i + 1]);
        else if (key == "--files") o.filesPerFolder = std::atoi(argv[i + 1]);
        else if (key == "--runs") o.runs = std::max(1, std::atoi(argv[i + 1]));
        else if (key == "--dir") o.dir = argv[i + 1];
        else {
            std::fprintf(stderr, "unknown option %s\n", key.c_str());
            std::exit(2);
        }
    }
    return o;
}

inline uint64_t SplitMix(uint64_t& state) {
    uint64_t z = (state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

// `folders` folders: a hundred at the top, the rest spread evenly below them, and
// `filesPerFolder` files in each, with mixed names (dotfiles, spaces, .zip among them) and
// sparse sizes spread log-uniformly up to 256 MiB. Seeded, so every run builds the same tree.
// A marker file makes a kept tree reusable by the next run. With `zip` given, the files named
// *.zip hold those bytes (a real archive) instead of a sparse length.
inline void Generate(const std::string& root, int folders, int filesPerFolder,
                     const std::string& zip = {}) {
    const std::string marker = root + "/.bench-tree-" + std::to_string(folders) + "-" +
                               std::to_string(filesPerFolder) + (zip.empty() ? "" : "-zips");
    if (std::filesystem::exists(marker)) return;
    std::filesystem::create_directories(root);
    static const char* const kPatterns[] = {"IMG_%05u.jpg", "report %u.txt", "song-%u.mp3",
                                            "archive%u.zip", ".hidden%u", "data_%u.bin",
                                            "Setup%u.exe", "notes%u.md"};
    uint64_t seed = 42;
    const int top = std::min(folders, 100);
    char name[64];
    for (int f = 0; f < folders; ++f) {
        std::string folder = root + "/top" + std::to_string(f % top);
        if (f >= top) folder += "/sub" + std::to_string(f);
        ::mkdir(folder.c_str(), 0755);
        for (int i = 0; i < filesPerFolder; ++i) {
            const uint64_t r = SplitMix(seed);
            std::snprintf(name, sizeof name, kPatterns[r % 8], unsigned(f * filesPerFolder + i));
            const int fd = ::open((folder + "/" + name).c_str(), O_CREAT | O_WRONLY | O_TRUNC, 0644);
            if (fd < 0) continue;
            const int bits = int((r >> 8) % 28);
            if (!zip.empty() && r % 8 == 3) {
                if (::write(fd, zip.data(), zip.size()) != ssize_t(zip.size())) {}
            } else if (::ftruncate(fd, off_t((r >> 16) & ((uint64_t(1) << bits) - 1))) != 0) {}
            ::close(fd);
        }
    }
    ::close(::open(marker.c_str(), O_CREAT | O_WRONLY, 0644));
}

// The tree for one benchmark run: generated under $TMPDIR unless a folder was given; says what
// it holds and how long it took to make.
class Tree {
public:
    explicit Tree(const Options& o) : owned_(o.dir.empty()) {
        std::printf("tree: %d folders x %d files\n", o.folders, o.filesPerFolder);
        const auto started = std::chrono::steady_clock::now();
        if (owned_) {
            const char* tmp = std::getenv("TMPDIR");
            std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/shelvix-scan-bench-XXXXXX";
            if (!::mkdtemp(pattern.data())) {
                std::perror("mkdtemp");
                std::exit(1);
            }
            root_ = pattern;
        } else {
            root_ = o.dir;
        }
        Generate(root_, o.folders, o.filesPerFolder);
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - started;
        std::printf("tree ready in %.1f s at %s\n", took.count(), root_.c_str());
    }
    ~Tree() {
        std::error_code ec;
        if (owned_) std::filesystem::remove_all(root_, ec);
    }
    const std::string& Root() const { return root_; }

private:
    bool owned_;
    std::string root_;
};

using Clock = std::chrono::steady_clock;
inline double Seconds(Clock::time_point from) {
    return std::chrono::duration<double>(Clock::now() - from).count();
}

// Processor time of this process (own) or of its waited-for children, user plus system.
inline double CpuSeconds(bool children) {
    rusage u{};
    ::getrusage(children ? RUSAGE_CHILDREN : RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

inline double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// Wall and processor seconds of `find` listing the tree with size, time, type and path: the
// same facts the scan takes from every entry.
struct Times {
    double wall, cpu;
};
inline Times TimeFind(const std::string& root) {
    const std::string command = "find '" + root + "' -printf '%s %T@ %y %p\\n' >/dev/null";
    const double cpu0 = CpuSeconds(true);
    const auto t0 = Clock::now();
    if (std::system(command.c_str()) != 0) std::fprintf(stderr, "find failed\n");
    return {Seconds(t0), CpuSeconds(true) - cpu0};
}

} // namespace benchtree
