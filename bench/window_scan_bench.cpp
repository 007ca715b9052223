// The same walk through the scan window (offscreen, shown modally, labels and event pumping
// included) against the bare engine on the same tree.
#include "treegen.h"

#include "app/modalresult.h"
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
    std::printf("tree: %d folders x %d files\n", options.folders, options.filesPerFolder);
    const auto built = Clock::now();
    Tree tree(options);
    std::printf("tree ready in %.1f s at %s\n", Seconds(built), tree.Root().c_str());

    CMedienListe catalogue;
    TfrmMediaRead window;
    const auto bare = [&] {
        CMedium medium(&catalogue);
        TMediaScan scan(medium);
        const auto t0 = Clock::now();
        scan.ScanFolder(tree.Root(), nullptr);
        return Seconds(t0);
    };
    // From exec() to its return: showing the window, the walk with its labels and pumping, and
    // closing. The timer is set to fire at once so that its usual 100 ms wait is not counted.
    int result = 0;
    const auto windowed = [&] {
        CMedium medium(&catalogue);
        window.PrepareScan(&medium, tree.Root(), false, false);
        window.Timer->setInterval(0);
        const auto t0 = Clock::now();
        result = window.exec();
        return Seconds(t0);
    };

    bare();
    windowed();
    std::vector<double> bares, windows;
    for (int run = 0; run < options.runs; ++run) {
        bares.push_back(bare());
        windows.push_back(windowed());
        if (std::getenv("BENCH_VERBOSE")) std::printf("run %d: %.3f %.3f\n", run, bares.back(), windows.back());
    }
    const double b = Median(bares), w = Median(windows);
    std::printf("window result: %d (1 = OK)\n", result);
    std::printf("%-32s %10s\n", "", "wall s");
    std::printf("%-32s %10.3f\n", "bare engine (TMediaScan)", b);
    std::printf("%-32s %10.3f\n", "scan window, offscreen", w);
    std::printf("ratio window / engine: %.3f (target <= 1.1)\n", w / b);
    std::printf("command: %s --folders %d --files %d --runs %d%s%s\n", argv[0], options.folders,
                options.filesPerFolder, options.runs, options.dir.empty() ? "" : " --dir ",
                options.dir.c_str());
    return result == mrOk ? 0 : 1;
}
