// The name index against plocate on the same paths, in one run:
//   nameindex_bench [folder (/work/bench-data)] [entries (10000000)] [media (1000)]
// The catalogue is generated once into <folder>/names-<entries>/ and kept. Reported: a word's
// find, and a find of two words, by a fresh shelvix-cli process (median of runs) against a
// fresh `plocate` asked the same (one pattern a word, the counts checked equal) over the same
// paths (built with plocate-build -l no --plaintext: the paths name no files here, which a
// visibility check would drop one by one; names only, -b, as the find matches names), the save with the index against the save's
// time without its writing (ratio), the index's bytes per million entries against plocate's,
// and the find's peak memory.
#include "benchutil.h"
#include "cataloguegen.h"

#include "catalogue/entrywalk.h"
#include "catalogue/mediaclasses.h"
#include "catalogue/savepair.h"
#include "reports/entrytext.h"
#include "search/nameindex.h"
#include "search/quickfind.h"

#include <cstdio>
#include <filesystem>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>

using benchutil::Median;
using benchutil::Now;

namespace {

double Run(const std::string& command, int runs) {
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        const double start = Now();
        const int status = std::system(command.c_str());
        if (!WIFEXITED(status) || WEXITSTATUS(status) > 1) {
            std::fprintf(stderr, "failed: %s\n", command.c_str());
            std::exit(1);
        }
        times.push_back(Now() - start);
    }
    return Median(times);
}

int64_t FileBytes(const std::string& path) {
    std::error_code error;
    const auto size = std::filesystem::file_size(path, error);
    return error ? -1 : int64_t(size);
}

} // namespace

int main(int argc, char** argv) {
    const std::string root = argc > 1 ? argv[1] : "/work/bench-data";
    const int64_t entries = argc > 2 ? std::atoll(argv[2]) : 10000000;
    const int media = argc > 3 ? std::atoi(argv[3]) : 1000;
    const std::string dir = root + "/names-" + std::to_string(entries);
    const std::string index = dir + "/Cat.SXF", paths = dir + "/paths.txt", db = dir + "/plocate-all.db";
    const std::string cli = std::filesystem::path(argv[0]).parent_path().string() + "/../src/shelvix-cli";
    std::filesystem::create_directories(dir);
    if (!std::filesystem::exists(index) || !std::filesystem::exists(db)) {
        CMedienListe cat;
        benchcatalogue::BuildCatalogue(cat, media, entries);
        double start = Now();
        if (!cat.Save(index)) return 1;
        const double save = Now() - start;
        // The index's own share of that save, written again alone.
        start = Now();
        {
            auto out = TFileStream::Open(dir + "/alone.SXI", TFileStream::Mode::CreateOrTruncate);
            if (!out || !WriteNameIndex(cat, DataIdentityOfIndexFile(index), *out)) return 1;
        }
        const double alone = Now() - start;
        std::filesystem::remove(dir + "/alone.SXI");
        // The save writes the index's groups beside the data, so taking the index's own time off
        // the save undercounts the save without it: the ratio is an upper bound.
        std::printf("save with the name index: %.0f ms, the index alone %.0f ms: at most %.3fx a save without it\n",
                    save, alone, save / (save - alone));
        FILE* list = std::fopen(paths.c_str(), "w");
        for (int m = 0; m < cat.Count(); ++m)
            WalkEntries(cat.GetMedium(m)->Entries(), [&](CFile* e) {
                std::fprintf(list, "/%s/%s\n", cat.GetMedium(m)->Name.c_str(), EntryPathText(*e).c_str());
                return false;
            });
        std::fclose(list);
        if (std::system(("plocate-build -l no --plaintext '" + paths + "' '" + db + "'").c_str()) != 0) return 1;
    }
    // A word of about a hundred matches: pieces of names, counted through the index itself.
    CMedienListe cat;
    if (!cat.Load(index)) return 1;
    std::vector<int32_t> offsets;
    for (int i = 0; i < cat.Count(); ++i) offsets.push_back(cat.GetMedium(i)->DataOffset);
    const auto names = TNameIndex::Open(NameIndexFileName(index), DataIdentityOfIndexFile(index), offsets);
    if (!names) {
        std::fprintf(stderr, "no name index beside %s\n", index.c_str());
        return 1;
    }
    // A word of about a hundred matches, and two words, each asked of both tools as the same
    // question: the find matches names holding every word, as plocate does with one pattern
    // per word (-b: names only, -i: any case). Counted through both, and refused when the
    // counts differ: a pattern with a space in it would ask plocate for far fewer names.
    const std::vector<bool> every(size_t(cat.Count()), true);
    const auto count = [&](const std::string& words) {
        int64_t rows = 0;
        names->Find(*TQuickFindQuery::Compile(words), every, [&](const TNameIndexRow&) { ++rows; });
        return rows;
    };
    const auto theirCount = [&](const std::string& patterns) {
        const std::string command = "plocate -d '" + db + "' -b -i " + patterns + " | wc -l";
        FILE* pipe = ::popen(command.c_str(), "r");
        long long lines = -1;
        if (!pipe || std::fscanf(pipe, "%lld", &lines) != 1) lines = -1;
        if (pipe) ::pclose(pipe);
        return int64_t(lines);
    };
    std::string word;
    for (const char* candidate : {"31415", "Berlin_12", "family_77", "notes-99", "4711"}) {
        const int64_t rows = count(candidate);
        std::printf("word '%s': %lld matches\n", candidate, static_cast<long long>(rows));
        if (rows >= 30 && rows <= 400) {
            word = candidate;
            break;
        }
    }
    if (word.empty()) word = "4711";
    const int runs = 7;
    for (const bool two : {false, true}) {
        // The find's words as one text, and as the shell's arguments for both tools.
        const std::string words = two ? std::string("Mix 1234") : word;
        const std::string quoted = two ? std::string("'Mix' '1234'") : "'" + word + "'";
        const int64_t ourRows = count(words);
        const int64_t theirRows = theirCount(quoted);
        if (ourRows != theirRows) {
            std::fprintf(stderr, "the tools answer differently for %s: %lld rows against %lld\n",
                         quoted.c_str(), static_cast<long long>(ourRows), static_cast<long long>(theirRows));
            return 1;
        }
        const double ours = Run("'" + cli + "' find '" + index + "' " + quoted + " >/dev/null", runs);
        const double theirs = Run("plocate -d '" + db + "' -b -i " + quoted + " >/dev/null", runs);
        std::printf("find %s (%lld rows each): shelvix-cli %.1f ms, plocate %.1f ms: %.2fx%s\n", quoted.c_str(),
                    static_cast<long long>(ourRows), ours, theirs, ours / theirs,
                    two ? "" : " (target <= 2x, <= 50 ms)");
    }
    const double perMillion = 1e6 / double(entries);
    std::printf("bytes per million entries: name index %.1f MB, plocate %.1f MB\n",
                double(FileBytes(NameIndexFileName(index))) * perMillion / 1e6,
                double(FileBytes(db)) * perMillion / 1e6);
    const std::string peak = "/usr/bin/time -f %M '" + cli + "' find '" + index + "' '" + word + "' 2>&1 >/dev/null | tail -1";
    std::printf("peak memory of the find (KB): ");
    std::fflush(stdout);
    return std::system(peak.c_str()) == 0 ? 0 : 1;
}
