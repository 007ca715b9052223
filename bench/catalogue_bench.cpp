// Catalogue benchmark: saving, opening (index only) and loading every content block of a large
// synthetic catalogue, each against the system's bzip2 on exactly the same uncompressed bytes,
// plus the resident memory that loaded entries cost. See bench/README.md.
#include "cataloguegen.h"

#include "benchutil.h"
#include "catalogue/IO_BZIP.h"
#include "catalogue/entrywalk.h"
#include "catalogue/contentloading.h"
#include "catalogue/mediaclasses.h"

#include <bzlib.h>
#include <fcntl.h>
#include <malloc.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using benchcatalogue::BuildCatalogue;

bool cpuClock = false; // --cpu: CPU time of this process or of the child instead of wall time

double Now() {
    timespec t{};
    clock_gettime(cpuClock ? CLOCK_PROCESS_CPUTIME_ID : CLOCK_MONOTONIC, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

[[noreturn]] void Fail(const std::string& what) {
    std::fprintf(stderr, "catalogue_bench: %s\n", what.c_str());
    std::exit(1);
}

int64_t ResidentBytes() {
    std::ifstream statm("/proc/self/statm");
    int64_t pages = 0, resident = 0;
    if (!(statm >> pages >> resident)) Fail("cannot read /proc/self/statm");
    return resident * sysconf(_SC_PAGESIZE);
}

void WriteWhole(const std::string& path, const char* data, size_t size) {
    std::ofstream out(path, std::ios::binary);
    if (!out.write(data, static_cast<std::streamsize>(size)).flush()) Fail("cannot write " + path);
}

double Ms(timeval t) {
    return static_cast<double>(t.tv_sec) * 1e3 + t.tv_usec / 1e3;
}

// Minor page faults and system time (ms) of one step: this process's or the last child's.
struct Cost {
    long faults = 0;
    double system = 0;
};
Cost Since(const rusage& a, const rusage& b) {
    return {b.ru_minflt - a.ru_minflt, Ms(b.ru_stime) - Ms(a.ru_stime)};
}
Cost lastChild;

// Runs argv with stdout sent to `out`; answers the wall time in ms.
double RunTimed(const std::vector<std::string>& args, const std::string& out) {
    std::vector<char*> argv(args.size() + 1, nullptr);
    std::transform(args.begin(), args.end(), argv.begin(),
                   [](auto& a) { return (char*)a.c_str(); });
    const double start = Now();
    const pid_t pid = fork();
    if (pid < 0) Fail("fork failed");
    if (pid == 0) {
        const int fd = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (fd < 0 || dup2(fd, 1) < 0) _exit(126);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    if (wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        Fail("command failed: " + args[0] + " " + args[1]);
    lastChild = Since(rusage{}, usage);
    return cpuClock ? Ms(usage.ru_utime) + Ms(usage.ru_stime) : Now() - start;
}

struct Walked {
    long long entries = 0, nameBytes = 0, large = 0;
};

Walked Walk(const CMedienListe& list) {
    Walked w;
    for (int i = 0; i < list.Count(); ++i)
        WalkEntries(list.GetMedium(i)->Entries(), [&w](const CFile* e) {
            ++w.entries;
            w.nameBytes += static_cast<long long>(e->Name().size());
            w.large += e->Size > INT32_MAX;
            return false;
        });
    return w;
}

struct Options {
    long long entries = 1000000, media = 200, runs = 3;
};

Options Parse(int argc, char** argv) {
    benchutil::SizeOptions read{1000000, 200, 3};
    benchutil::ParseSizeOptions(argc, argv, read, "--cpu",
                                "usage: catalogue_bench [--entries N (1000000)] [--media M (200)]"
                                " [--runs R (3)] [--cpu]");
    cpuClock = read.flag;
    const Options o{read.entries, read.media, read.runs};
    if (o.media < 1 || o.entries < o.media || o.runs < 1 || o.entries > INT32_MAX)
        Fail("need 1 <= media <= entries and runs >= 1");
    return o;
}

struct TempDir {
    fs::path path;
    TempDir() {
        const char* base = std::getenv("TMPDIR");
        std::string pattern = std::string(base && *base ? base : "/tmp") + "/shelvix-bench-XXXXXX";
        if (!mkdtemp(pattern.data())) Fail("cannot create a temporary folder");
        path = pattern;
    }
    ~TempDir() { fs::remove_all(path, ignored); }
    std::error_code ignored;
    std::string operator/(const std::string& name) const { return (path / name).string(); }
};

std::string Join(const std::vector<double>& v) {
    std::string s;
    char n[32];
    for (double x : v)
        s += (std::snprintf(n, sizeof n, "%s%.1f", s.empty() ? "" : "/", x), n);
    return s;
}

// One figure: medians of our runs and the baseline's, their ratio, the target and every run.
void Row(const char* figure, const std::vector<double>& ours, const std::vector<double>& base,
         const char* unit, double target = 0, bool ratioTarget = true) {
    const double ratio = Median(base) > 0 ? Median(ours) / Median(base) : 0;
    const bool ok = ratioTarget ? ratio <= target : Median(ours) <= target;
    char limit[32] = "-";
    if (target > 0)
        std::snprintf(limit, sizeof limit, ratioTarget ? "ratio <= %.2f" : "<= %.0f %s", target,
                      unit);
    const char* verdict = target <= 0 ? "info" : ok ? "ok" : "MISSED";
    std::printf("%-42s %9.1f %-2s %9.1f %-2s %7.3f  %-14s %-6s %s vs %s\n", figure, Median(ours),
                unit, Median(base), unit, ratio, limit, verdict, Join(ours).c_str(),
                Join(base).c_str());
}

struct Samples {
    std::vector<double> save, zip, zipStreams, open, openLib, content, unzip, unzipStreams, memory;
    int64_t plainBytes = 0, indexBytes = 0;
    Walked built;
    Cost contentCost, unzipCost;      // of the last run
    std::vector<std::string> streams; // the per-medium baseline files, then the index's
};

// The baseline input: every medium's content block exactly as Save wrote it, then the index.
void WriteBaselineInput(const CMedienListe& source, const TempDir& dir, Samples& s) {
    std::string whole;
    for (int i = 0; i < source.Count(); ++i) {
        TMemoryStream block;
        CMedium* m = source.GetMedium(i);
        if (!m->WriteContentRecords(block) || block.Size() != m->ContentLength)
            Fail("content block differs from the saved one");
        s.streams.push_back(dir / ("block-" + std::to_string(i)));
        WriteWhole(s.streams.back(), block.Data(), static_cast<size_t>(block.Size()));
        whole.append(block.Data(), static_cast<size_t>(block.Size()));
    }
    auto index = LoadCompressedFile(dir / "bench.sxf");
    if (!index) Fail("cannot decompress the saved index");
    s.indexBytes = index->Size();
    s.streams.push_back(dir / "block-index");
    WriteWhole(s.streams.back(), index->Data(), static_cast<size_t>(s.indexBytes));
    whole.append(index->Data(), static_cast<size_t>(s.indexBytes));
    s.plainBytes = static_cast<int64_t>(whole.size());
    WriteWhole(dir / "whole.bin", whole.data(), whole.size());
}

void TimeSaves(CMedienListe& source, const TempDir& dir, int runs, Samples& s) {
    for (int run = 0; run < runs; ++run) {
        // Every medium counts as changed, so each run compresses everything: a save of an
        // unchanged catalogue only copies blocks.
        for (int i = 0; i < source.Count(); ++i) source.GetMedium(i)->Stored = false;
        const double start = Now();
        if (!source.Save(dir / "bench.sxf")) Fail("Save failed");
        s.save.push_back(Now() - start);
        if (run == 0) WriteBaselineInput(source, dir, s);
        s.zip.push_back(
            RunTimed({"bzip2", "-1", "-k", "-c", dir / "whole.bin"}, dir / "whole.bz2"));
        std::vector<std::string> args{"bzip2", "-1", "-k", "-c"};
        args.insert(args.end(), s.streams.begin(), s.streams.end());
        s.zipStreams.push_back(RunTimed(args, dir / "streams.bz2"));
    }
}

void TimeOpen(const std::string& indexName, long long media, Samples& s) {
    {
        CMedienListe list;
        const double start = Now();
        if (!list.Load(indexName) || list.Count() != media) Fail("Load failed");
        s.open.push_back(Now() - start);
    }
    // The floor for opening: read the compressed index and decompress it in one call.
    const double start = Now();
    std::ifstream in(indexName, std::ios::binary);
    std::string packed{std::istreambuf_iterator<char>(in), {}}, plain(s.indexBytes, '\0');
    unsigned length = static_cast<unsigned>(plain.size());
    if (BZ2_bzBuffToBuffDecompress(plain.data(), &length, packed.data(),
                                   static_cast<unsigned>(packed.size()), 0, 0) != BZ_OK)
        Fail("libbz2 could not decompress the index");
    s.openLib.push_back(Now() - start);
}

void TimeContent(const std::string& indexName, Samples& s) {
    CMedienListe list;
    if (!list.Load(indexName)) Fail("Load failed");
    malloc_trim(0);
    const int64_t before = ResidentBytes();
    rusage a{}, b{};
    getrusage(RUSAGE_SELF, &a);
    const double start = Now();
    LoadContentsInOrder(list, [](CMedium&, bool loaded) {
        if (!loaded) Fail("LoadContent failed");
        return true;
    });
    s.content.push_back(Now() - start);
    getrusage(RUSAGE_SELF, &b);
    s.contentCost = Since(a, b);
    const int64_t after = ResidentBytes();
    const Walked loaded = Walk(list);
    if (loaded.entries != s.built.entries || loaded.nameBytes != s.built.nameBytes ||
        loaded.large != s.built.large)
        Fail("the loaded catalogue differs from the saved one");
    const double n = static_cast<double>(loaded.entries);
    s.memory.push_back(static_cast<double>(after - before - loaded.nameBytes) / n);
}

void Report(const Options& o, const TempDir& dir, const Samples& s) {
    const double n = static_cast<double>(s.built.entries);
    const auto size = [&](const std::string& name) { return fs::file_size(dir / name) / 1e6; };
    std::printf(
        "Shelvix catalogue benchmark: %lld entries on %lld media, %lld name bytes, %lld sizes"
        " >= 2 GiB\nuncompressed %.2f MB (index %.1f KB); compressed: ours %.2f MB, bzip2"
        " -1 one file %.2f MB, stream per medium %.2f MB\nmedian of %lld runs, %s time\n\n",
        s.built.entries, o.media, s.built.nameBytes, s.built.large, s.plainBytes / 1e6,
        s.indexBytes / 1e3, size("bench.sxf") + size("bench.SXD"), size("whole.bz2"),
        size("streams.bz2"), o.runs, cpuClock ? "CPU" : "wall");
    std::printf("%-42s %12s %12s %7s  %-14s %-6s %s\n", "figure (median)", "ours", "baseline",
                "ratio", "target", "result", "runs: ours vs baseline");
    const double record = static_cast<double>(s.plainBytes - s.indexBytes - s.built.nameBytes) / n;
    Row("(a) save vs bzip2 -1, one file", s.save, s.zip, "ms", 0.65);
    Row("(a) save vs bzip2 -1, stream per medium", s.save, s.zipStreams, "ms");
    Row("(b) index-only open vs libbz2 on the index", s.open, s.openLib, "ms", 50, false);
    Row("(c) content load vs bzip2 -d, one file", s.content, s.unzip, "ms", 0.65);
    Row("(c) content load vs bzip2 -d, per medium", s.content, s.unzipStreams, "ms");
    // The worst run counts: later runs may reuse memory the earlier ones' threads left behind,
    // which makes them look cheaper than a first load is.
    const double worst = *std::max_element(s.memory.begin(), s.memory.end());
    Row("(d) RSS B/entry beyond names vs record (worst)", {worst}, {record}, "B", 96, false);
    std::printf(
        "(c) last run: %ld minor page faults, %.0f ms system time; bzip2 -d: %ld, %.0f ms\n",
        s.contentCost.faults, s.contentCost.system, s.unzipCost.faults, s.unzipCost.system);
    const fs::path self = fs::read_symlink("/proc/self/exe");
    const fs::path build = self.parent_path().parent_path();
    const fs::path root = fs::path(__FILE__).parent_path().parent_path();
    std::printf("\nreproduce:\n  cmake -S %s -B %s -G Ninja -DCMAKE_BUILD_TYPE=Release"
                " -DSHELVIX_BUILD_GUI=OFF -DSHELVIX_BUILD_TESTS=OFF && ninja -C %s catalogue_bench"
                " && %s --entries %lld --media %lld --runs %lld%s\n",
                root.c_str(), build.c_str(), build.c_str(), self.c_str(), o.entries, o.media,
                o.runs, cpuClock ? " --cpu" : "");
}

} // namespace

int main(int argc, char** argv) {
    const Options o = Parse(argc, argv);
    static TempDir dir; // static: removed by std::exit too, which Fail calls
    const std::string indexName = dir / "bench.sxf"; // Save derives bench.SXD from it
    Samples s;
    {
        CMedienListe source;
        BuildCatalogue(source, o.media, o.entries);
        s.built = Walk(source);
        TimeSaves(source, dir, o.runs, s);
    }
    for (int run = 0; run < o.runs; ++run) {
        TimeOpen(indexName, o.media, s);
        TimeContent(indexName, s);
        s.unzip.push_back(RunTimed({"bzip2", "-d", "-c", dir / "whole.bz2"}, "/dev/null"));
        s.unzipCost = lastChild;
        s.unzipStreams.push_back(RunTimed({"bzip2", "-d", "-c", dir / "streams.bz2"}, "/dev/null"));
    }
    Report(o, dir, s);
    return 0;
}
