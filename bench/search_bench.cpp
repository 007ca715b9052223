// Search benchmark: a loaded catalogue of 5,000,000 entries searched with Files and Folders
// checked, for four masks; in the same run, `grep -c -i` over a text file of the same names (one
// per line), which is the baseline for the substring mask *abc*.
//
// Options: --entries N (5,000,000), --media M (100), --runs R (5; every figure is the median).
#include "catalogue/mediaclasses.h"
#include "search/searchrun.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
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

double Now() {
    using namespace std::chrono;
    return duration<double, std::milli>(steady_clock::now().time_since_epoch()).count();
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

struct Random {
    uint64_t state;
    uint64_t Next() { // splitmix64: the same sequence on every platform
        uint64_t z = (state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    size_t Below(size_t n) { return static_cast<size_t>(Next() % n); }
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

// Runs grep over the file and returns its wall time; `count` gets what it printed.
double TimeGrep(const std::string& pattern, const std::string& file, long& count) {
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
    waitpid(pid, &status, 0);
    const double elapsed = Now() - start;
    posix_spawn_file_actions_destroy(&actions);
    count = -1;
    if (FILE* f = std::fopen(out.c_str(), "r")) {
        if (std::fscanf(f, "%ld", &count) != 1) count = -1;
        std::fclose(f);
    }
    std::remove(out.c_str());
    return elapsed;
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

    std::vector<double> grepTimes;
    long grepCount = 0;
    TimeGrep("abc", file, grepCount); // once to have the file in the page cache
    for (int run = 0; run < runs; ++run) grepTimes.push_back(TimeGrep("abc", file, grepCount));
    std::remove(file.c_str());
    const double grepMs = Median(grepTimes);

    std::printf("\n%-10s %12s %12s %10s %12s %10s\n", "mask", "median ms", "entries/s", "ns/entry",
                "results", "vs grep");
    for (const char* mask : {"*abc*", "abc", "*.t?t", "[0-9]*"}) {
        std::vector<double> times;
        size_t found = 0;
        for (int run = 0; run < runs; ++run) {
            TSearchResults results;
            TSearchRequest request;
            request.Catalogue = &cat;
            request.MaskText = mask;
            request.MatchFiles = request.MatchFolders = true;
            request.Results = &results;
            TSearchRun search(request);
            const double start = Now();
            search.Execute();
            times.push_back(Now() - start);
            found = results.size();
        }
        const double ms = Median(times);
        const double total = static_cast<double>(made + media);
        std::printf("%-10s %12.1f %12.3g %10.1f %12zu", mask, ms, total / (ms / 1000.0),
                    ms * 1e6 / total, found);
        if (!std::strcmp(mask, "*abc*")) std::printf(" %9.2fx", ms / grepMs);
        std::printf("\n");
        if (!std::strcmp(mask, "*abc*") && static_cast<long>(found) != grepCount)
            std::printf("  (grep counted %ld lines)\n", grepCount);
    }
    std::printf("%-10s %12.1f %12.3g %10.1f %12ld   baseline\n", "grep -c -i", grepMs,
                static_cast<double>(made) / (grepMs / 1000.0), grepMs * 1e6 / static_cast<double>(made),
                grepCount);
    std::printf("\ntargets: *abc* <= 1.5x grep; every mask <= 50 ns/entry\n");
    std::printf("reproduce: %s --entries %lld --media %d --runs %d\n", argv[0],
                static_cast<long long>(entries), media, runs);
    return 0;
}
