// The same walk through the scan window (offscreen, shown modally, labels and event pumping
// included) against the bare engine on the same tree.
#include "treegen.h"

#include "widgets/modalresult.h"
#include "catalogue/mediaclasses.h"
#include "scan/mediascan.h"
#include "scan/ufrmMediaRead.h"

#include <QApplication>
#include <QTimer>

#include <cstdio>

using namespace benchtree;

int main(int argc, char** argv) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    int qtArgc = 1;
    QApplication app(qtArgc, argv);
    const Options options = ParseOptions(argc, argv);
    Tree tree(options);

    CMedienListe catalogue;
    TfrmMediaRead window;
    const auto bare = [&] {
        CMedium medium(&catalogue);
        TMediaScan scan(medium);
        const double cpu0 = CpuSeconds(false);
        const auto t0 = Clock::now();
        scan.ScanFolder(tree.Root(), nullptr);
        return Times{Seconds(t0), CpuSeconds(false) - cpu0};
    };
    // From exec() to its return: showing the window, the walk with its labels and pumping, and
    // closing. The timer is set to fire at once so that its usual 100 ms wait is not counted.
    int result = 0;
    const auto windowed = [&] {
        CMedium medium(&catalogue);
        window.PrepareScan(&medium, tree.Root(), false, false);
        window.Timer->setInterval(0);
        const double cpu0 = CpuSeconds(false);
        const auto t0 = Clock::now();
        result = window.exec();
        return Times{Seconds(t0), CpuSeconds(false) - cpu0};
    };

    bare();
    windowed();
    // Alternating runs; the machine's load moves wall times by a third from run to run, so the
    // fastest run and the processor time are shown beside the median.
    std::vector<double> bareWall, bareCpu, windowWall, windowCpu;
    for (int run = 0; run < options.runs; ++run) {
        const Times b = bare(), w = windowed();
        bareWall.push_back(b.wall);
        bareCpu.push_back(b.cpu);
        windowWall.push_back(w.wall);
        windowCpu.push_back(w.cpu);
    }
    const auto row = [](const char* what, const std::vector<double>& wall, const std::vector<double>& cpu) {
        std::printf("%-28s %12.3f %12.3f %12.3f\n", what, Median(wall),
                    *std::min_element(wall.begin(), wall.end()), Median(cpu));
    };
    std::printf("window result: %d (1 = OK)\n", result);
    std::printf("%-28s %12s %12s %12s\n", "", "wall median", "wall best", "cpu median");
    row("bare engine (TMediaScan)", bareWall, bareCpu);
    row("scan window, offscreen", windowWall, windowCpu);
    std::printf("ratio window / engine: %.3f wall median, %.3f wall best, %.3f cpu (target <= 1.1)\n",
                Median(windowWall) / Median(bareWall),
                *std::min_element(windowWall.begin(), windowWall.end()) /
                    *std::min_element(bareWall.begin(), bareWall.end()),
                Median(windowCpu) / Median(bareCpu));
    std::printf("command: %s --folders %d --files %d --runs %d%s%s\n", argv[0], options.folders,
                options.filesPerFolder, options.runs, options.dir.empty() ? "" : " --dir ",
                options.dir.c_str());
    return result == mrOk ? 0 : 1;
}
