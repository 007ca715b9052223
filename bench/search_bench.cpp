// Search benchmark: a loaded catalogue of 5,000,000 entries searched with Files and Folders
// checked, for four masks; in the same run, `grep -c -i` over a text file of the same names (one
// per line), which is the baseline for the substring mask *abc*.
//
// Options: --entries N (5,000,000), --media M (100), --runs R (5; every figure is the median).
#include "benchutil.h"
#include "catalogue/mediaclasses.h"
#include "search/searchrun.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <ctime>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

extern char** environ;

namespace {

using benchutil::Median;
using benchutil::Now;
using Random = benchutil::Rng;

// CPU time of this process: on a shared machine wall time also counts other programs' turns.
double CpuNow() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

struct Timing {
    double wall = 0, cpu = 0;
};

// Names of 2 to 4 parts from words, numbers and short letter runs, with an extension for files:
// "Holiday_2019 abc-17.jpg", "IMG_0042.JPG", "notes.txt". Letter runs make "abc" (in any case)
// turn up in a few names in a hundred, as a real substring search would meet it.
std::string MakeName(Random& r, bool folder) {
    static const char* const kWords[] = {"Holiday", "IMG", "report", "Music", "backup", "notes",
                                         "Photos", "setup", "data", "Project", "draft", "final",
                                         "scan", "Video", "track", "invoice", "readme", "src"};
    static const char* const kExtensions[] = {".jpg", ".JPG", ".txt", ".mp3", ".zip", ".pdf",
                                              ".tar.gz", ".iso", ".doc", ".tmp", ".text", ".c"};
    static const char* const kSeparators[] = {" ", "_", "-", "."};
    std::string name;
    const size_t parts = 2 + r.Below(3);
    for (size_t p = 0; p < parts; ++p) {
        if (p) name += kSeparators[r.Below(4)];
        switch (r.Below(4)) {
        case 0: name += std::to_string(r.Below(100000)); break;
        case 1:
            for (size_t k = 3 + r.Below(3); k > 0; --k)
                name += static_cast<char>((r.Below(2) ? 'a' : 'A') + r.Below(6));
            break;
        default: name += kWords[r.Below(std::size(kWords))]; break;
        }
    }
    if (!folder) name += kExtensions[r.Below(std::size(kExtensions))];
    return name;
}

// Each medium: a tree 3 to 6 folders deep, about one entry in ten a folder. Every name is also
// appended to `names`, one per line.
int64_t FillCatalogue(CMedienListe& cat, int64_t entries, int media, std::string& names) {
    Random r{20240607};
    int64_t made = 0;
    for (int i = 0; i < media; ++i) {
        CMedium& m = *cat.AddMedium(std::make_unique<CMedium>(&cat));
        m.Name = "Disc " + std::to_string(i);
        m.ContentLoaded = true;
        const int64_t share = entries / media + (i < entries % media ? 1 : 0);
        std::vector<CFile*> path; // the folder the walk is in, and its parents
        for (int64_t k = 0; k < share; ++k, ++made) {
            const bool folder = r.Below(10) == 0;
            CFile* parent = path.empty() ? nullptr : path.back();
            CFile* e = CFile::Create(&m, parent);
            const std::string name = MakeName(r, folder);
            e->SetName(name);
            e->Kind = folder ? kindFolder : kindFile;
            e->Size = folder ? 0 : static_cast<int64_t>(r.Below(1u << 24));
            e->Date = 36526.0 + static_cast<double>(r.Below(9000)) + 0.5;
            if (parent) parent->AddChild(e);
            else m.AddEntry(e);
            names += name;
            names += '\n';
            if (folder && path.size() < 3 + r.Below(4)) path.push_back(e);
            else if (!path.empty() && r.Below(40) == 0) path.pop_back();
        }
    }
    return made;
}

// Runs grep over the file: wall time from spawn to exit, and the child's user + system time.
// `count` gets what it printed.
Timing TimeGrep(const std::string& pattern, const std::string& file, long& count) {
    const std::string out = file + ".count";
    std::vector<std::string> args = {"grep", "-c", "-i", pattern, file};
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    pid_t pid = 0;
    const double start = Now();
    if (posix_spawnp(&pid, "grep", &actions, nullptr, argv.data(), environ) != 0) {
        std::fprintf(stderr, "cannot run grep\n");
        std::exit(1);
    }
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    Timing timing;
    timing.wall = Now() - start;
    const auto ms = [](const timeval& t) { return t.tv_sec * 1e3 + t.tv_usec / 1e3; };
    timing.cpu = ms(usage.ru_utime) + ms(usage.ru_stime);
    posix_spawn_file_actions_destroy(&actions);
    count = -1;
    if (FILE* f = std::fopen(out.c_str(), "r")) {
        if (std::fscanf(f, "%ld", &count) != 1) count = -1;
        std::fclose(f);
    }
    std::remove(out.c_str());
    return timing;
}

} // namespace

int main(int argc, char** argv) {
    int64_t entries = 5000000;
    int media = 100, runs = 5;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (!std::strcmp(argv[i], "--entries")) entries = std::atoll(argv[i + 1]);
        else if (!std::strcmp(argv[i], "--media")) media = std::max(1, std::atoi(argv[i + 1]));
        else if (!std::strcmp(argv[i], "--runs")) runs = std::max(1, std::atoi(argv[i + 1]));
        else {
            std::fprintf(stderr, "unknown option %s\n", argv[i]);
            return 2;
        }
    }
    // grep and the mask both fold the ASCII letters only, compare bytes otherwise.
    ::setenv("LC_ALL", "C", 1);

    CMedienListe cat;
    std::string names;
    const double built = Now();
    const int64_t made = FillCatalogue(cat, entries, media, names);
    const char* tmp = std::getenv("TMPDIR");
    const std::string file = std::string(tmp && *tmp ? tmp : "/tmp") + "/search_bench_names." +
                             std::to_string(::getpid()) + ".txt";
    if (FILE* f = std::fopen(file.c_str(), "w")) {
        std::fwrite(names.data(), 1, names.size(), f);
        std::fclose(f);
    }
    std::printf("catalogue: %lld entries in %d media built in %.0f ms; names file %.1f MB\n",
                static_cast<long long>(made), media, Now() - built, names.size() / 1048576.0);
    names = std::string();

    std::vector<double> grepWall, grepCpu;
    long grepCount = 0;
    TimeGrep("abc", file, grepCount); // once to have the file in the page cache
    for (int run = 0; run < runs; ++run) {
        const Timing t = TimeGrep("abc", file, grepCount);
        grepWall.push_back(t.wall);
        grepCpu.push_back(t.cpu);
    }
    std::remove(file.c_str());
    const double grepMs = Median(grepWall), grepCpuMs = Median(grepCpu);

    std::printf("\n%-10s %10s %10s %12s %10s %10s %9s %9s\n", "mask", "wall ms", "cpu ms",
                "entries/s", "ns/entry", "results", "wall/grep", "cpu/grep");
    const double total = static_cast<double>(made + media);
    for (const char* mask : {"*abc*", "abc", "*.t?t", "[0-9]*"}) {
        std::vector<double> wall, cpu;
        size_t found = 0;
        for (int run = 0; run < runs; ++run) {
            TSearchResults results;
            TSearchRequest request;
            request.Catalogue = &cat;
            request.MaskText = mask;
            request.MatchFiles = request.MatchFolders = true;
            request.Results = &results;
            TSearchRun search(request);
            const double start = Now(), cpuStart = CpuNow();
            search.Execute();
            wall.push_back(Now() - start);
            cpu.push_back(CpuNow() - cpuStart);
            found = results.size();
        }
        const double ms = Median(wall), cpuMs = Median(cpu);
        // Entries per second and ns per entry from the CPU time, which the machine's other load
        // does not inflate.
        std::printf("%-10s %10.1f %10.1f %12.3g %10.1f %10zu", mask, ms, cpuMs,
                    total / (cpuMs / 1000.0), cpuMs * 1e6 / total, found);
        if (!std::strcmp(mask, "*abc*")) std::printf(" %8.2fx %8.2fx", ms / grepMs, cpuMs / grepCpuMs);
        std::printf("\n");
        if (!std::strcmp(mask, "*abc*") && static_cast<long>(found) != grepCount)
            std::printf("  (grep counted %ld lines)\n", grepCount);
    }
    std::printf("%-10s %10.1f %10.1f %12.3g %10.1f %10ld   baseline\n", "grep -c -i", grepMs,
                grepCpuMs, static_cast<double>(made) / (grepCpuMs / 1000.0),
                grepCpuMs * 1e6 / static_cast<double>(made), grepCount);
    std::printf("\ntargets: *abc* <= 0.8x grep by wall time (two cores); every mask <= 50 ns/entry of CPU\n");
    std::printf("reproduce: %s --entries %lld --media %d --runs %d\n", argv[0],
                static_cast<long long>(entries), media, runs);
    return 0;
}
