// Views benchmark, on the offscreen platform with real QTreeViews:
//  1. opening a medium of 1,000,000 entries in the explorer: FillExplorer until the first rows
//     are laid out and painted (target 100 ms);
//  2. sorting a media tree of 10,000 media by column 0 and by column 1 with a view attached,
//     until the view has laid out and painted the new order (target 200 ms).
// Baselines in the same run: (1) the same view over the cheapest possible flat model of as many
// root rows, which is what Qt's tree view itself costs (it lays out every root row), and the
// same view reset to an empty medium; (2) a QStandardItemModel of the same 10,000 rows sorted
// by the same view, Qt's own general-purpose answer to the same task.
#include "widgets/imagelists.h"
#include "benchutil.h"
#include "viewbench.h"
#include "widgets/mediaviewmodels.h"

#include <QApplication>
#include <QStandardItemModel>
#include <QTreeView>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <string>
#include <vector>

namespace {

constexpr int kEntries = 1000000;
constexpr int kMedia = 10000;
constexpr int kRuns = 7;

// CPU time of the process: on a busy machine wall time also counts other programs' turns.
double CpuNow() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

struct Times {
    std::vector<double> wall, cpu;
};

using benchutil::Median;
using benchutil::Now;
using benchutil::Rng;

CFile* Add(CMedium& m, CFile* parent, const std::string& name, int32_t kind, int64_t size) {
    CFile* e = CFile::Create(&m, parent);
    e->SetName(name);
    e->Kind = kind;
    e->Size = size;
    e->Date = 45000.25 + static_cast<double>(size % 1000);
    if (parent) parent->AddChild(e);
    else m.AddEntry(e);
    return e;
}

// A flat root of files stored before the folders (so the folders-first order has to be made),
// then folders nested three levels deep holding the rest.
int FillLargeMedium(CMedium& m) {
    int count = 0;
    constexpr int kNested = 50 * (1 + 10 * (1 + 100));
    for (int i = 0; i < kEntries - kNested; ++i, ++count)
        Add(m, nullptr, "file" + std::to_string(i) + ".dat", kindFile, i * 37LL);
    for (int f = 0; f < 50; ++f, ++count) {
        CFile* folder = Add(m, nullptr, "folder" + std::to_string(f), kindFolder, 0);
        for (int s = 0; s < 10; ++s, ++count) {
            CFile* sub = Add(m, folder, "sub" + std::to_string(s), kindFolder, 0);
            for (int i = 0; i < 100; ++i, ++count)
                Add(m, sub, "member" + std::to_string(i), i % 10 ? kindFile : kindArchive, i);
        }
    }
    m.ContentLoaded = true;
    return count;
}

// Runs `change` and waits until the view has laid out its rows and painted them.
void TimeUntilPainted(QTreeView& view, const std::function<void()>& change, Times* times = nullptr) {
    const double start = Now();
    const double cpuStart = CpuNow();
    change();
    (void)view.visualRect(view.model()->index(0, 0)); // runs the pending layout
    view.viewport()->repaint();
    QCoreApplication::processEvents();
    if (times) {
        times->wall.push_back(Now() - start);
        times->cpu.push_back(CpuNow() - cpuStart);
    }
}

QTreeView* MakeView() {
    auto* view = new QTreeView;
    view->setUniformRowHeights(true);
    view->resize(800, 600);
    return view;
}

void Report(const char* what, const Times& times, const char* target) {
    std::printf("  %-58s wall median %6.1f ms, min %6.1f ms; cpu median %6.1f ms%s%s\n", what,
                Median(times.wall), *std::min_element(times.wall.begin(), times.wall.end()),
                Median(times.cpu), *target ? "; target " : "", target);
}

void BenchExplorer() {
    CMedienListe cat;
    CMedium* medium = cat.AddMedium(std::make_unique<CMedium>(&cat));
    CMedium* empty = cat.AddMedium(std::make_unique<CMedium>(&cat));
    const double built = Now();
    const int count = FillLargeMedium(*medium);
    std::printf("explorer: medium of %d entries built in %.0f ms\n", count, Now() - built);

    const TImageList icons = MakeImageListFolders();
    TExplorerModel model(&icons);
    QTreeView* view = MakeView();
    view->setModel(&model);
    view->show();
    QCoreApplication::processEvents();
    Times open, openEmpty;
    for (int run = 0; run < kRuns; ++run) {
        TimeUntilPainted(*view, [&] { model.FillExplorer(empty); }, &openEmpty);
        TimeUntilPainted(*view, [&] { model.FillExplorer(medium); }, &open);
    }
    const QString first = model.index(0, 0).data().toString();
    delete view;

    FlatModel flat(kEntries - 50, 4);
    QTreeView* flatView = MakeView();
    flatView->setModel(&flat);
    flatView->show();
    QCoreApplication::processEvents();
    Times flatOpen;
    for (int run = 0; run < kRuns; ++run) TimeUntilPainted(*flatView, [&] { flat.Reset(); }, &flatOpen);
    delete flatView;

    std::printf("explorer: open a medium (FillExplorer to first rows painted), first row \"%s\"\n",
                qPrintable(first));
    Report("TExplorerModel, 1,000,000 entries", open, "100 ms");
    Report("baseline: same view, trivial flat model, as many root rows", flatOpen, "");
    Report("baseline: same view, empty medium", openEmpty, "");
}

void BenchMediaSort() {
    CMedienListe cat;
    Rng rng{20240229};
    for (int i = 0; i < 20; ++i) cat.Categories.push_back("Category " + std::to_string(i));
    QStandardItemModel standard(0, 2);
    for (int i = 0; i < kMedia; ++i) {
        CMedium* m = cat.AddMedium(std::make_unique<CMedium>(&cat));
        for (int c = 0; c < 10; ++c) {
            const char base = rng.Next() % 2 ? 'a' : 'A';
            m->Name += static_cast<char>(base + rng.Next() % 26);
        }
        m->Category = static_cast<int32_t>(rng.Next() % 22) - 1; // some without a category
        m->DriveType = static_cast<uint32_t>(rng.Next() % 7);
        standard.appendRow({new QStandardItem(QString::fromStdString(m->Name)),
                            new QStandardItem(QString::fromStdString(m->CategoryName()))});
    }

    const TImageList icons = MakeImageListDrives();
    TMediaTreeModel model(&icons);
    model.FillMediaTree(&cat);
    QTreeView* view = MakeView();
    view->setModel(&model);
    view->show();
    QCoreApplication::processEvents();
    Times byName, byCategory;
    for (int run = 0; run < kRuns; ++run) {
        TimeUntilPainted(*view, [&] { model.SortBy(0, Qt::AscendingOrder); }, &byName);
        TimeUntilPainted(*view, [&] { model.SortBy(1, Qt::DescendingOrder); }, &byCategory);
        TimeUntilPainted(*view, [&] { model.SortBy(-1, Qt::AscendingOrder); });
    }
    delete view;

    QTreeView* standardView = MakeView();
    standardView->setModel(&standard);
    standardView->show();
    QCoreApplication::processEvents();
    Times standardSort;
    for (int run = 0; run < kRuns; ++run) {
        TimeUntilPainted(*standardView, [&] { standard.sort(0, Qt::AscendingOrder); }, &standardSort);
        TimeUntilPainted(*standardView, [&] { standard.sort(1, Qt::DescendingOrder); });
    }
    delete standardView;

    std::printf("media tree: sort %d media with a view attached, until painted\n", kMedia);
    Report("TMediaTreeModel::SortBy(0, ascending)", byName, "200 ms");
    Report("TMediaTreeModel::SortBy(1, descending)", byCategory, "200 ms");
    Report("baseline: QStandardItemModel::sort(0), same view", standardSort, "");
}

} // namespace

int main(int argc, char** argv) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    BenchExplorer();
    BenchMediaSort();
    return 0;
}
