// Adding a small folder to a catalogue of 1,000,000 entries in 16 media with `shelvix-cli add`
// (load, scan, save), against copying the catalogue's two files with fsync: the least a save
// that keeps the user's old pair until the new one is complete could cost.
//   cli_add_bench [--entries N] [--media M] [--runs R] [--cli PATH]
#include "benchutil.h"
#include "cataloguegen.h"
#include "catalogue/mediaclasses.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <string>
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
        if (std::system(command.c_str()) != 0) {
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
    std::printf("ratio add / copy: %.2fx (target <= 3)\n", add / copy);
    std::filesystem::remove_all(dir);
    return 0;
}
