// Search results benchmark, on the offscreen platform with a real QTreeView: showing 100,000
// result rows (one model reset until the first rows are laid out and painted) and sorting them
// by each sortable column with a header click's work (SortBy until painted). Target 200 ms each.
// Baselines in the same run: the same view over the cheapest possible flat model of as many rows
// (what Qt's view itself costs to show them), and a QStandardItemModel holding the same result
// texts sorted by the same view (Qt's own general-purpose answer to sorting them).
#include "widgets/imagelists.h"
#include "benchutil.h"
#include "viewbench.h"
#include "catalogue/mediaclasses.h"
#include "search/ufrmSearch_results.h"

#include <QApplication>
#include <QHeaderView>
#include <QStandardItemModel>
#include <QTreeView>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

namespace {

constexpr int kRows = 100000;
constexpr int kRuns = 7;

using benchutil::Median;
using benchutil::Now;

// 100 media; in each, folders two levels deep holding files, archives and folders. One row in
// fifty is a medium's own row.
void FillResults(CMedienListe& cat, TSearchResults& rows) {
    uint64_t state = 20240607;
    const auto next = [&state] {
        state = state * 6364136223846793005ull + 1442695040888963407ull;
        return state >> 33;
    };
    for (int i = 0; i < 100; ++i) {
        CMedium& m = *cat.AddMedium(std::make_unique<CMedium>(&cat));
        m.Name = "Disc " + std::to_string(next() % 100000);
        m.DriveType = static_cast<uint32_t>(i % 7);
        m.Present = i % 10 != 0;
        m.ContentLoaded = true;
        for (int f = 0; f < 10; ++f) {
            CFile* top = CFile::Create(&m, nullptr);
            top->SetName("Folder " + std::to_string(next() % 1000));
            top->Kind = kindFolder;
            m.AddEntry(top);
            for (int s = 0; s < 10; ++s) {
                CFile* sub = CFile::Create(&m, top);
                sub->SetName("sub" + std::to_string(next() % 1000));
                sub->Kind = kindFolder;
                top->AddChild(sub);
                for (int k = 0; k < 10 && rows.size() < size_t(kRows); ++k) {
                    CFile* e = CFile::Create(&m, sub);
                    e->SetName("result " + std::to_string(next() % 1000000) + ".dat");
                    e->Kind = k == 9 ? kindArchive : kindFile;
                    e->Size = static_cast<int64_t>(next() % 100000000);
                    e->Date = 36526.0 + static_cast<double>(next() % 9000) + 0.25;
                    sub->AddChild(e);
                    rows.push_back(rows.size() % 50 == 0
                                       ? TSearchRow{&m, nullptr, TMatchedField::MediumName}
                                       : TSearchRow{&m, e, TMatchedField::EntryName});
                }
            }
        }
    }
}

double TimeUntilPainted(QTreeView& view, const std::function<void()>& change) {
    const double start = Now();
    change();
    (void)view.visualRect(view.model()->index(0, 0)); // runs the pending layout
    view.viewport()->repaint();
    QCoreApplication::processEvents();
    return Now() - start;
}

QTreeView* MakeView(QAbstractItemModel* model) {
    auto* view = new QTreeView;
    view->setUniformRowHeights(true);
    view->setRootIsDecorated(false);
    view->resize(1000, 600);
    view->setModel(model);
    view->show();
    QCoreApplication::processEvents();
    return view;
}

void Report(const char* what, const std::vector<double>& times, double baseline, const char* target) {
    std::printf("  %-44s median %7.1f ms  min %7.1f ms", what, Median(times),
                *std::min_element(times.begin(), times.end()));
    if (baseline > 0) std::printf("  %5.2fx baseline", Median(times) / baseline);
    if (*target) std::printf("  target %s", target);
    std::printf("\n");
}

} // namespace

int main(int argc, char** argv) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);

    CMedienListe cat;
    TSearchResults rows;
    FillResults(cat, rows);
    const TImageList drives = MakeImageListDrives();
    const TImageList folders = MakeImageListFolders();

    FlatModel flat(kRows, TSearchResultsModel::kColumns);
    QTreeView* flatView = MakeView(&flat);
    std::vector<double> flatShow;
    for (int run = 0; run < kRuns; ++run) flatShow.push_back(TimeUntilPainted(*flatView, [&] { flat.Reset(); }));
    delete flatView;

    QStandardItemModel standard(0, 2);
    for (const TSearchRow& row : rows)
        standard.appendRow({new QStandardItem(QString::fromStdString(row.medium->Name)),
                            new QStandardItem(QString::fromLocal8Bit(row.Text().data(),
                                                                     qsizetype(row.Text().size())))});
    QTreeView* standardView = MakeView(&standard);
    std::vector<double> standardSort;
    for (int run = 0; run < kRuns; ++run) {
        standardSort.push_back(TimeUntilPainted(*standardView, [&] { standard.sort(1, Qt::AscendingOrder); }));
        TimeUntilPainted(*standardView, [&] { standard.sort(0, Qt::DescendingOrder); });
    }
    delete standardView;

    TSearchResultsModel model(&drives);
    model.SetFolderImages(&folders);
    QTreeView* view = MakeView(&model);
    std::vector<double> show;
    for (int run = 0; run < kRuns; ++run) {
        TimeUntilPainted(*view, [&] { model.Clear(); });
        show.push_back(TimeUntilPainted(*view, [&] { model.Fill(&rows); }));
    }
    const struct {
        int column;
        const char* name;
    } columns[] = {{1, "Media"}, {3, "Result"}, {4, "Size"}, {5, "Date"}, {6, "Location"}};
    std::vector<std::vector<double>> sorts(std::size(columns));
    for (int run = 0; run < kRuns; ++run) {
        for (size_t c = 0; c < std::size(columns); ++c) {
            const Qt::SortOrder order = run % 2 ? Qt::DescendingOrder : Qt::AscendingOrder;
            sorts[c].push_back(TimeUntilPainted(*view, [&] { model.SortBy(columns[c].column, order); }));
        }
        TimeUntilPainted(*view, [&] { model.SortBy(-1, Qt::AscendingOrder); });
    }
    delete view;

    std::printf("search results: %d rows, offscreen view 1000x600\n", kRows);
    Report("show (Fill until painted)", show, Median(flatShow), "200 ms");
    Report("baseline: same view, trivial flat model", flatShow, 0, "");
    for (size_t c = 0; c < std::size(columns); ++c) {
        const std::string what = std::string("sort by \"") + columns[c].name + "\" until painted";
        Report(what.c_str(), sorts[c], Median(standardSort), "200 ms");
    }
    Report("baseline: QStandardItemModel::sort(Result)", standardSort, 0, "");
    std::printf("reproduce: QT_QPA_PLATFORM=offscreen %s\n", argv[0]);
    return 0;
}
