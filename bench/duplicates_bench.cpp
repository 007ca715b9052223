// Finding duplicates against loading what they are found in: the grouping of every entry of a
// catalogue (walk, keys, sort, groups) may take at most twice the time the contents take to
// load from the data file.
//
//   duplicates_bench [--entries N (5000000)] [--media M (200)] [--runs R (3)] [--distinct]
//
// The catalogue is cataloguegen.h's. By default its second half of media is the first half
// again (the same seed), so that every file has a copy and the grouping has as much to do as
// it ever will; --distinct keeps all media different (random names and sizes: few copies).
#include "benchutil.h"
#include "cataloguegen.h"

#include "catalogue/mediaclasses.h"
#include "search/duplicates.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

using benchutil::Median;
using benchutil::Now;

namespace {

struct Options {
    long long entries = 5000000, media = 200, runs = 3;
    bool distinct = false;
};

Options Parse(int argc, char** argv) {
    benchutil::SizeOptions read{5000000, 200, 3};
    benchutil::ParseSizeOptions(argc, argv, read, "--distinct",
                                "usage: duplicates_bench [--entries N (5000000)] [--media M (200)] "
                                "[--runs R (3)] [--distinct]");
    const Options o{read.entries, read.media, read.runs, read.flag};
    if (o.entries < 2 || o.media < 2 || o.runs < 1) std::exit(2);
    return o;
}

void Save(const Options& o, const std::string& file) {
    CMedienListe list;
    if (o.distinct) {
        benchcatalogue::BuildCatalogue(list, int(o.media), o.entries);
    } else {
        benchcatalogue::BuildCatalogue(list, int(o.media / 2), o.entries / 2);
        CMedienListe again;
        benchcatalogue::BuildCatalogue(again, int(o.media - o.media / 2), o.entries - o.entries / 2);
        while (again.Count() > 0) {
            std::unique_ptr<CMedium> medium = again.ExtractMedium(0);
            medium->Name += " (copy)";
            list.AddMedium(std::move(medium))->SetOwner(&list);
        }
    }
    if (!list.Save(file)) benchcatalogue::GeneratorFailed("cannot save " + file);
}

} // namespace

int main(int argc, char** argv) {
    const Options o = Parse(argc, argv);
    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("duplicates_bench." + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    const std::string file = (dir / "bench.SXF").string();
    Save(o, file);

    std::vector<double> loads, groupings;
    size_t groups = 0, copies = 0;
    for (long long run = 0; run < o.runs; ++run) {
        CMedienListe list;
        double start = Now();
        if (!list.Load(file)) benchcatalogue::GeneratorFailed("cannot load " + file);
        for (int i = 0; i < list.Count(); ++i)
            if (!list.GetMedium(i)->LoadContent(list.DataFileName))
                benchcatalogue::GeneratorFailed("cannot load a content");
        loads.push_back(Now() - start);

        start = Now();
        TDuplicates found;
        TDuplicateRun(list, TDuplicateOptions{}).Execute(found);
        groupings.push_back(Now() - start);
        groups = found.Groups.size();
        copies = found.Entries.size();
    }
    std::filesystem::remove_all(dir);

    const double ratio = Median(groupings) / Median(loads);
    std::printf("entries %lld, media %lld, %s: %zu groups, %zu files in them\n", o.entries,
                o.media, o.distinct ? "all media distinct" : "half the media copies", groups,
                copies);
    std::printf("%-36s %9.1f ms\n%-36s %9.1f ms\n", "load (index and every content)",
                Median(loads), "find duplicates (walk and group)", Median(groupings));
    std::printf("ratio %.3f  target <= 2.00  %s\n", ratio, ratio <= 2.0 ? "ok" : "MISSED");
    return ratio <= 2.0 ? 0 : 1;
}
