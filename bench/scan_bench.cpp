// The directory walk against `find` on the same tree: 200,000 files in 20,000 folders by
// default, cache warm, the median of several alternating runs.
#include "treegen.h"

#include "catalogue/mediaclasses.h"
#include "scan/mediascan.h"

#include <cstdio>

using namespace benchtree;

int main(int argc, char** argv) {
    const Options options = ParseOptions(argc, argv);
    Tree tree(options);

    CMedienListe catalogue;
    int64_t entries = 0;
    const auto scanOnce = [&](double& cpu) {
        CMedium medium(&catalogue);
        TMediaScan scan(medium);
        const double cpu0 = CpuSeconds(false);
        const auto t0 = Clock::now();
        scan.ScanFolder(tree.Root(), nullptr);
        const double wall = Seconds(t0);
        cpu = CpuSeconds(false) - cpu0;
        entries = int64_t(medium.FileCount) + medium.FolderCount;
        return wall;
    };

    double cpu = 0;
    scanOnce(cpu); // warms the caches for both
    TimeFind(tree.Root());
    std::vector<double> ours, oursCpu, finds, findsCpu;
    for (int run = 0; run < options.runs; ++run) {
        ours.push_back(scanOnce(cpu));
        oursCpu.push_back(cpu);
        const Times f = TimeFind(tree.Root());
        finds.push_back(f.wall);
        findsCpu.push_back(f.cpu);
    }
    const double scanWall = Median(ours), findWall = Median(finds);
    const double scanBest = *std::min_element(ours.begin(), ours.end());
    const double findBest = *std::min_element(finds.begin(), finds.end());
    std::printf("entries catalogued: %lld\n", static_cast<long long>(entries));
    std::printf("%-28s %12s %12s %12s\n", "", "wall median", "wall best", "cpu median");
    std::printf("%-28s %12.3f %12.3f %12.3f\n", "scan (TMediaScan)", scanWall, scanBest, Median(oursCpu));
    std::printf("%-28s %12.3f %12.3f %12.3f\n", "find -printf size,time,type", findWall, findBest,
                Median(findsCpu));
    std::printf("ratio scan / find: %.2f wall median, %.2f wall best, %.2f cpu (target <= 1.3)\n",
                scanWall / findWall, scanBest / findBest, Median(oursCpu) / Median(findsCpu));
    std::printf("command: %s --folders %d --files %d --runs %d%s%s\n", argv[0], options.folders,
                options.filesPerFolder, options.runs, options.dir.empty() ? "" : " --dir ",
                options.dir.c_str());
    return 0;
}
