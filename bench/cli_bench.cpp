// The command line tool on a catalogue of 1,000,000 entries in 16 media, each row against a
// baseline timed in the same run:
//  - `shelvix-cli add` of a small folder (load, scan, save) against copying the catalogue's two
//    files with fsync: the least a save that keeps the user's old pair until the new one is
//    complete could cost;
//  - `shelvix-cli search CAT '*abc*'` against `bzip2 -dc` of the data file;
//  - the same small add to the catalogue as a version without block sums wrote it (every block
//    is read through libbz2 once and gets its sum) against `bzip2 -dc` of the data file;
//  - `shelvix-cli add` of a 62,500-file tree into a new catalogue against `bzip2 -1` of that
//    medium's uncompressed block.
//   cli_bench [--entries N] [--media M] [--runs R] [--cli PATH]
// SHELVIX_THREADS, when set, reaches the tool.
#include "benchutil.h"
#include "cataloguegen.h"
#include "treegen.h"
#include "catalogue/IO_BZIP.h"
#include "catalogue/mediaclasses.h"
#include "catalogue/workers.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

using benchutil::Median;
using benchutil::Now;

namespace {

bool CopyWithSync(const std::string& from, const std::string& to) {
    const int in = ::open(from.c_str(), O_RDONLY);
    const int out = ::open(to.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    bool ok = in >= 0 && out >= 0;
    std::vector<char> buffer(1 << 20);
    while (ok) {
        const ssize_t got = ::read(in, buffer.data(), buffer.size());
        if (got <= 0) {
            ok = got == 0;
            break;
        }
        ok = ::write(out, buffer.data(), size_t(got)) == got;
    }
    ok = ok && ::fsync(out) == 0;
    if (in >= 0) ::close(in);
    if (out >= 0) ::close(out);
    return ok;
}

// User and system time, in ms, of RUSAGE_CHILDREN or RUSAGE_SELF.
double CpuMs(int who) {
    rusage usage{};
    ::getrusage(who, &usage);
    return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1000.0 +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1000.0;
}

// The median wall time of a shell command, run `runs` times; `before` runs untimed before each.
// Exit status 1 passes too: a search that finds nothing says so with it. `cpu` receives the
// median of the command's user + system time, which a busy machine does not stretch.
double TimeCommand(const std::string& command, int runs, const std::string& before = {},
                   double* cpu = nullptr) {
    std::vector<double> times, cpus;
    for (int run = 0; run < runs; ++run) {
        if (!before.empty() && std::system(before.c_str()) != 0) std::exit(1);
        const double startCpu = CpuMs(RUSAGE_CHILDREN);
        const double start = Now();
        const int status = std::system(command.c_str());
        if (!WIFEXITED(status) || WEXITSTATUS(status) > 1) {
            std::fprintf(stderr, "failed: %s\n", command.c_str());
            std::exit(1);
        }
        times.push_back(Now() - start);
        cpus.push_back(CpuMs(RUSAGE_CHILDREN) - startCpu);
    }
    if (cpu) *cpu = Median(cpus);
    return Median(times);
}

std::string Quoted(const std::string& text) { return "'" + text + "'"; }

std::string ReadFile(const std::string& path) {
    std::string bytes;
    if (FILE* f = std::fopen(path.c_str(), "rb")) {
        char buffer[4096];
        for (size_t got; (got = std::fread(buffer, 1, sizeof buffer, f)) > 0;) bytes.append(buffer, got);
        std::fclose(f);
    }
    return bytes;
}

} // namespace

int main(int argc, char** argv) {
    int64_t entries = 1000000;
    int media = 16, runs = 5;
    std::string cli = std::filesystem::path(argv[0]).parent_path().string() + "/../src/shelvix-cli";
    for (int i = 1; i + 1 < argc; i += 2) {
        if (!std::strcmp(argv[i], "--entries")) entries = std::atoll(argv[i + 1]);
        else if (!std::strcmp(argv[i], "--media")) media = std::atoi(argv[i + 1]);
        else if (!std::strcmp(argv[i], "--runs")) runs = std::atoi(argv[i + 1]);
        else if (!std::strcmp(argv[i], "--cli")) cli = argv[i + 1];
    }
    char pattern[] = "/tmp/shelvix-addbench-XXXXXX";
    if (!::mkdtemp(pattern)) return 1;
    const std::string dir = pattern, index = dir + "/Big.SXF", data = dir + "/Big.SXD";
    {
        CMedienListe catalogue;
        benchcatalogue::BuildCatalogue(catalogue, media, entries);
        if (!catalogue.Save(index)) return 1;
    }
    const std::string folder = dir + "/small";
    std::filesystem::create_directories(folder + "/sub");
    for (int i = 0; i < 20; ++i) {
        FILE* f = std::fopen((folder + "/sub/f" + std::to_string(i) + ".txt").c_str(), "w");
        if (f) std::fclose(f);
    }
    std::vector<double> copies, adds;
    for (int run = 0; run < runs; ++run) {
        double start = Now();
        if (!CopyWithSync(index, dir + "/Copy.SXF") || !CopyWithSync(data, dir + "/Copy.SXD"))
            return 1;
        copies.push_back(Now() - start);
        const std::string command = "'" + cli + "' add '" + index + "' '" + folder +
                                    "' --name 'Run " + std::to_string(run) + "' >/dev/null 2>&1";
        start = Now();
        const int status = std::system(command.c_str());
        if (!WIFEXITED(status) || WEXITSTATUS(status) > 1) {
            std::fprintf(stderr, "failed: %s\n", command.c_str());
            return 1;
        }
        adds.push_back(Now() - start);
    }
    const double copy = Median(copies), add = Median(adds);
    std::printf("catalogue: %lld entries in %d media, data file %lld bytes\n",
                static_cast<long long>(entries), media,
                static_cast<long long>(std::filesystem::file_size(data)));
    std::printf("copy both files with fsync: %.1f ms (median of %d)\n", copy, runs);
    std::printf("shelvix-cli add small folder: %.1f ms (median of %d)\n", add, runs);
    std::printf("ratio add / copy: %.2fx (target <= 3)\n\n", add / copy);

    const double unpack = TimeCommand("bzip2 -dc " + Quoted(data) + " >/dev/null", runs);
    const double search =
        TimeCommand(Quoted(cli) + " search " + Quoted(index) + " '*abc*' >/dev/null", runs);
    std::printf("bzip2 -dc of the data file: %.1f ms\n", unpack);
    std::printf("shelvix-cli search '*abc*': %.1f ms\n", search);
    std::printf("ratio search / bzip2 -dc: %.2fx (target <= 0.75)\n\n", search / unpack);

    // The index without its medium additions, beside a copy of the data file, before every run.
    const std::string old = dir + "/Old.SXF";
    {
        auto content = LoadCompressedFile(index);
        if (!content) return 1;
        const std::string text = content->ToString();
        TMemoryStream plain;
        plain.Write(text.data(), text.rfind("SXMA"));
        if (!SaveCompressedFile(plain, dir + "/Plain.SXF")) return 1;
    }
    const double firstSum = TimeCommand(
        Quoted(cli) + " add " + Quoted(old) + " " + Quoted(folder) + " --name Old >/dev/null 2>&1", runs,
        "cp " + Quoted(dir + "/Plain.SXF") + " " + Quoted(old) + " && cp " + Quoted(data) + " " +
            Quoted(dir + "/Old.SXD"));
    std::printf("shelvix-cli add small folder, first save with block sums: %.1f ms\n", firstSum);
    std::printf("ratio first summing add / bzip2 -dc: %.2fx (info)\n\n", firstSum / unpack);

    benchtree::Generate(dir + "/tree", 6250, 10);
    const std::string fresh = dir + "/Tree.SXF";
    const double scanAndSave = TimeCommand(
        Quoted(cli) + " add " + Quoted(fresh) + " " + Quoted(dir + "/tree") + " --name Tree >/dev/null",
        runs, "rm -f " + Quoted(fresh) + " " + Quoted(dir + "/Tree.SXD"));
    // The medium's block as the data file holds it, uncompressed, for bzip2 to compress.
    CMedienListe tree;
    if (!tree.Load(fresh) || tree.Count() != 1 || !tree.GetMedium(0)->LoadContent(tree.DataFileName))
        return 1;
    {
        TMemoryStream block;
        auto out = TFileStream::Open(dir + "/block.bin", TFileStream::Mode::CreateOrTruncate);
        if (!tree.GetMedium(0)->WriteContentRecords(block) || !out ||
            out->Write(block.Data(), size_t(block.Size())) != size_t(block.Size()))
            return 1;
        std::printf("tree: 62,500 files in 6,250 folders, block %lld bytes\n",
                    static_cast<long long>(block.Size()));
    }
    const double compress =
        TimeCommand("bzip2 -1 -c " + Quoted(dir + "/block.bin") + " >" + Quoted(dir + "/block.bz2"), runs);
    std::printf("bzip2 -1 of the block: %.1f ms\n", compress);
    std::printf("shelvix-cli add of the tree to a new catalogue: %.1f ms\n", scanAndSave);
    std::printf("ratio add / bzip2 -1: %.2fx (target <= 1.2)\n", scanAndSave / compress);
    // The same without opening the files named *.zip, for what the archive look costs.
    const double plain = TimeCommand(Quoted(cli) + " add " + Quoted(fresh) + " " +
                                         Quoted(dir + "/tree") + " --name Tree --no-archives >/dev/null",
                                     runs, "rm -f " + Quoted(fresh) + " " + Quoted(dir + "/Tree.SXD"));
    std::printf("the same with --no-archives: %.1f ms, %.2fx (info)\n", plain, plain / compress);
    const double find = TimeCommand("find " + Quoted(dir + "/tree") + " -printf '%s %T@ %p\\n' >/dev/null", runs);
    std::printf("find -printf over the tree: %.1f ms, %.2fx (info: the walk alone)\n\n", find, find / compress);

    // The same tree with one file in eight a small real ZIP (made by the zip tool), against
    // find listing path, size and date of every entry.
    const std::string zips = dir + "/zips";
    if (std::system(("mkdir -p " + Quoted(dir + "/m") + " && cd " + Quoted(dir + "/m") +
                     " && printf 'some text\\n' >a.txt && printf 'more\\n' >b.txt && zip -q ../one.zip a.txt b.txt")
                        .c_str()) != 0)
        return 1;
    benchtree::Generate(zips, 6250, 10, ReadFile(dir + "/one.zip"));
    const std::string addZips = Quoted(cli) + " add " + Quoted(fresh) + " " + Quoted(zips) + " --name Zips";
    const std::string clean = "rm -f " + Quoted(fresh) + " " + Quoted(dir + "/Tree.SXD");
    double listingCpu = 0, withCpu = 0, withoutCpu = 0;
    const double listing =
        TimeCommand("find " + Quoted(zips) + " -printf '%p %s %T@\\n' >/dev/null", runs, {}, &listingCpu);
    const double withArchives = TimeCommand(addZips + " >/dev/null", runs, clean, &withCpu);
    const double without = TimeCommand(addZips + " --no-archives >/dev/null", runs, clean, &withoutCpu);
    std::printf("tree with 7,800 real ZIPs: find -printf '%%p %%s %%T@': %.1f ms (cpu %.1f ms)\n",
                listing, listingCpu);
    std::printf("shelvix-cli add: %.1f ms, %.2fx (target <= 1.3); cpu %.1f ms, %.2fx\n", withArchives,
                withArchives / listing, withCpu, withCpu / listingCpu);
    std::printf("shelvix-cli add --no-archives: %.1f ms, %.2fx (target <= 1.2); cpu %.1f ms, %.2fx\n",
                without, without / listing, withoutCpu, withoutCpu / listingCpu);
    // What two cores cannot beat: the walk's own work (find's CPU time) and libbz2's for the
    // medium's block, shared out perfectly over the cores, against find's time.
    const auto floorOf = [&](const std::string& options) {
        if (std::system((clean + " && " + addZips + options + " >/dev/null").c_str()) != 0) std::exit(1);
        CMedienListe added;
        TMemoryStream block, packed;
        if (!added.Load(fresh) || added.Count() != 1 || !added.GetMedium(0)->LoadContent(added.DataFileName) ||
            !added.GetMedium(0)->WriteContentRecords(block))
            std::exit(1);
        std::vector<double> cpus;
        for (int run = 0; run < runs; ++run) {
            const double start = CpuMs(RUSAGE_SELF);
            packed.Rewrite();
            if (!CompressToFile(block, packed)) std::exit(1);
            cpus.push_back(CpuMs(RUSAGE_SELF) - start);
        }
        const double bzip = Median(cpus), cores = WorkerThreads();
        std::printf("  block %lld bytes, libbz2 %.1f ms cpu; floor on %.0f cores (find cpu + libbz2 cpu) / "
                    "cores: %.1f ms, %.2fx\n",
                    static_cast<long long>(block.Size()), bzip, cores, (listingCpu + bzip) / cores,
                    (listingCpu + bzip) / cores / listing);
    };
    std::printf("with archives:\n");
    floorOf("");
    std::printf("with --no-archives:\n");
    floorOf(" --no-archives");
    std::printf("load average at the end: ");
    std::fflush(stdout);
    if (std::system("cut -d' ' -f1-3 /proc/loadavg") != 0) std::printf("?\n");
    std::filesystem::remove_all(dir);
    return 0;
}
