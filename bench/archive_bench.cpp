// Listing archives in a scan against `bsdtar -tf` on the same files, one after another, cache
// warm, the median of alternating runs:
//   (a) a folder of compressed tars (gzip, bzip2, xz, zstd, lz4 in turn): the format has no
//       directory, so both sides decompress everything;
//   (b) one large ISO image of many files: only its directory may be read, and the bytes our
//       listing reads are shown beside the image's size.
#include "catalogue/mediaclasses.h"
#include "scan/mediascan.h"

#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
double Seconds(Clock::time_point t0) { return std::chrono::duration<double>(Clock::now() - t0).count(); }
double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

struct Options {
    int tars = 10, tarMiB = 40, isoMiB = 2048, isoFiles = 20000, runs = 3;
    std::string dir;
};

Options Parse(int argc, char** argv) {
    Options o;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string a = argv[i];
        int* value = a == "--tars" ? &o.tars : a == "--tar-mib" ? &o.tarMiB : a == "--iso-mib" ? &o.isoMiB
                     : a == "--iso-files" ? &o.isoFiles : a == "--runs" ? &o.runs : nullptr;
        if (value) *value = std::atoi(argv[i + 1]);
        else if (a == "--dir") o.dir = argv[i + 1];
        else {
            std::printf("usage: %s [--tars N] [--tar-mib M] [--iso-mib M] [--iso-files N] [--runs R] [--dir D]\n", argv[0]);
            std::exit(2);
        }
    }
    if (o.dir.empty()) o.dir = std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "/tmp";
    return o;
}

void Run(const std::string& command) {
    if (std::system(command.c_str()) != 0) {
        std::fprintf(stderr, "failed: %s\n", command.c_str());
        std::exit(1);
    }
}

// Bytes this process has read from files so far.
long long BytesRead() {
    std::ifstream io("/proc/self/io");
    std::string key;
    long long value = 0;
    while (io >> key >> value)
        if (key == "rchar:") return value;
    return 0;
}

struct Scan {
    double seconds;
    long long entries, bytesRead;
};

// As the program scans: each archive read in a child process. `inProcess` reads them here, so
// that this process's read count covers them.
Scan ScanFolder(const std::string& folder, bool inProcess = false) {
    CMedienListe catalogue;
    CMedium medium(&catalogue);
    TMediaScan scan(medium);
    scan.ExamineZip = true;
    scan.IsolateArchives = !inProcess;
    const long long read0 = BytesRead();
    const auto t0 = Clock::now();
    scan.ScanFolder(folder, nullptr);
    return {Seconds(t0), int64_t(medium.FileCount) + medium.FolderCount, BytesRead() - read0};
}

double Bsdtar(const std::vector<std::string>& archives) {
    const auto t0 = Clock::now();
    for (const std::string& archive : archives) Run("bsdtar -tf '" + archive + "' >/dev/null");
    return Seconds(t0);
}

void Compare(const char* what, const std::string& folder, const std::vector<std::string>& archives,
             int runs, long long size, const char* target) {
    ScanFolder(folder);
    Bsdtar(archives); // both with a warm cache
    std::vector<double> ours, theirs;
    Scan last{};
    for (int run = 0; run < runs; ++run) {
        last = ScanFolder(folder);
        ours.push_back(last.seconds);
        theirs.push_back(Bsdtar(archives));
    }
    std::printf("%s: %lld entries, %lld bytes of archives, %lld bytes read by the scan\n", what,
                last.entries, size, ScanFolder(folder, true).bytesRead);
    std::printf("  scan %.3f s, bsdtar -tf %.3f s (medians), ratio %.2f (target %s)\n", Median(ours),
                Median(theirs), Median(ours) / Median(theirs), target);
}

long long FileSize(const std::string& path) {
    std::ifstream file(path, std::ios::binary | std::ios::ate);
    return file ? static_cast<long long>(file.tellg()) : 0;
}

} // namespace

int main(int argc, char** argv) {
    const Options o = Parse(argc, argv);
    char pattern[] = "/archive_bench.XXXXXX";
    std::string root = o.dir + pattern;
    if (!::mkdtemp(root.data())) return 1;
    const std::string tars = root + "/tars", iso = root + "/iso", src = root + "/src";
    Run("mkdir -p '" + tars + "' '" + iso + "' '" + src + "/t' '" + src + "/i'");

    // Text-like members that compress as source trees do: 200 files a tar, repeated words.
    Run("cd '" + src + "/t' && for i in $(seq 1 200); do mkdir -p d$((i % 10)); "
        "yes \"line $i of a file in a source tree\" | head -c " + std::to_string(o.tarMiB * 1024 * 1024 / 200) +
        " > d$((i % 10))/f$i.txt; done");
    const char* compressions[] = {"gz:-z", "bz2:-j", "xz:-J", "zst:--zstd", "lz4:-Ilz4"};
    std::vector<std::string> tarFiles;
    long long tarBytes = 0;
    for (int i = 0; i < o.tars; ++i) {
        const std::string c = compressions[i % 5];
        const std::string name = tars + "/a" + std::to_string(i) + ".tar." + c.substr(0, c.find(':'));
        Run("tar -C '" + src + "/t' " + c.substr(c.find(':') + 1) + " -cf '" + name + "' .");
        tarFiles.push_back(name);
        tarBytes += FileSize(name);
    }
    // The image's files hold zeros, read fast by genisoimage; their number makes the directory.
    const long long fileBytes = (long long)o.isoMiB * 1024 * 1024 / o.isoFiles;
    Run("cd '" + src + "/i' && for d in $(seq 1 100); do mkdir d$d; done && i=0; while [ $i -lt " +
        std::to_string(o.isoFiles) + " ]; do echo d$((i % 100 + 1))/file-with-a-long-name-$i.bin; i=$((i+1)); done"
        " | xargs truncate -s " + std::to_string(fileBytes));
    const std::string image = iso + "/big.iso";
    Run("genisoimage -quiet -J -R -o '" + image + "' '" + src + "/i'");
    Run("rm -rf '" + src + "'");

    Compare("(a) compressed tars", tars, tarFiles, o.runs, tarBytes, "<= 1.1");
    Compare("(b) ISO image", iso, {image}, o.runs, FileSize(image), "directory only");
    std::printf("command: %s --tars %d --tar-mib %d --iso-mib %d --iso-files %d --runs %d --dir %s\n",
                argv[0], o.tars, o.tarMiB, o.isoMiB, o.isoFiles, o.runs, o.dir.c_str());
    Run("rm -rf '" + root + "'");
    return 0;
}
