// The save that writes the name index against the same save without it, in one run:
//   nameindex_save_bench [entries (1000000)] [media (100)] [rounds (5)] [folder (/tmp)]
// The catalogue is generated in memory once; the two saves alternate over the same pair, each
// timed whole (the save writes the index's groups on a thread beside the data, so only a save
// without it is a fair baseline). Two kinds of save: every medium written afresh, and one
// medium changed (the others' blocks are copied from the data file in place, while the index
// is written whole). Reported: the medians and their ratio (target <= 1.15x).
#include "benchutil.h"
#include "cataloguegen.h"

#include "catalogue/mediaclasses.h"
#include "catalogue/savepair.h"

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

using benchutil::Median;
using benchutil::Now;

int main(int argc, char** argv) {
    const int64_t entries = argc > 1 ? std::atoll(argv[1]) : 1000000;
    const int media = argc > 2 ? std::atoi(argv[2]) : 100;
    const int rounds = argc > 3 ? std::atoi(argv[3]) : 5;
    const std::string dir = (argc > 4 ? std::string(argv[4]) : std::string("/tmp")) + "/shelvix-save-bench";
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    const std::string index = dir + "/Cat.SXF";
    CMedienListe cat;
    benchcatalogue::BuildCatalogue(cat, media, entries);
    if (!cat.Save(index)) return 1;
    for (const bool whole : {true, false}) {
        std::vector<double> with, without;
        for (int round = 0; round < rounds; ++round) {
            for (const bool names : {round % 2 == 0, round % 2 != 0}) {
                for (int m = 0; m < cat.Count(); ++m)
                    if (whole || m == round % cat.Count()) cat.GetMedium(m)->Stored = false;
                cat.SaveNameIndex = names;
                const double start = Now();
                if (!cat.Save(index)) {
                    std::fprintf(stderr, "the save failed\n");
                    return 1;
                }
                (names ? with : without).push_back(Now() - start);
                if (names != std::filesystem::exists(NameIndexFileName(index))) {
                    std::fprintf(stderr, "the name index was %s\n", names ? "not written" : "left in place");
                    return 1;
                }
                std::filesystem::remove(NameIndexFileName(index));
            }
        }
        const double a = Median(with), b = Median(without);
        std::printf("%lld entries in %d media, %s, %d rounds: save with the name index %.0f ms, without %.0f ms: "
                    "%.3fx (target <= 1.15x)\n",
                    static_cast<long long>(entries), media, whole ? "every medium written" : "one medium changed",
                    rounds, a, b, a / b);
    }
    std::filesystem::remove_all(dir);
    return 0;
}
