#include "app/ufrmQuickFind.h"

#include "app/ufrmShelvix.h"
#include "widgets/previewiconview.h"
#include "catalogue/mediaclasses.h"
#include "search/nameindexbackend.h"
#include "search/ufrmSearch_results.h"
#include "search/ufrmSearch.h"
#include "reports/entrytext.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QElapsedTimer>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QShortcut>
#include <QSplitter>
#include <QStackedWidget>
#include <QToolBar>
#include <QTreeView>

#include <algorithm>
#include <climits>
#include <iterator>

namespace {
// Rows found are handed to the window at most this often, the first ones at once.
constexpr qint64 kBatchMs = 40;
} // namespace

TfrmQuickFind::TfrmQuickFind(TfrmShelvix* main) : QObject(main), FMain(main) {
    setObjectName(QStringLiteral("frmQuickFind"));
    auto* spring = new QWidget(main->SpeedBar1);
    spring->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    main->SpeedBar1->addWidget(spring)->setObjectName(QStringLiteral("SpeedBar1Spring"));
    EditFind = new QLineEdit(main->SpeedBar1);
    EditFind->setObjectName(QStringLiteral("EditFind"));
    EditFind->setPlaceholderText(QStringLiteral("Find"));
    EditFind->setAccessibleName(QStringLiteral("Find"));
    EditFind->setAccessibleDescription(QStringLiteral("Lists the files and folders whose names hold the words typed"));
    EditFind->setFixedWidth(EditFind->fontMetrics().horizontalAdvance(QLatin1Char('x')) * 32);
    main->SpeedBar1->addWidget(EditFind)->setObjectName(QStringLiteral("SpeedBar1Find"));
    CheckBoxRemoved = new QCheckBox(QStringLiteral("Include &removed media"), main->SpeedBar1);
    CheckBoxRemoved->setObjectName(QStringLiteral("CheckBoxRemoved"));
    CheckBoxRemoved->setAccessibleDescription(QStringLiteral("The find field also lists what lies on removed media"));
    main->SpeedBar1->addWidget(CheckBoxRemoved)->setObjectName(QStringLiteral("SpeedBar1Removed"));

    FModel = new TSearchResultsModel(&main->ImageListDrives, this);
    FModel->SetFolderImages(&main->ImageListFolders);
    FModel->SetIndexedRows(&FIndexedRows);
    FService.SetIndexBackend(NameIndexBackend());
    VTFound = TfrmSearch::MakeResultsView(main->Splitter1, "VTFound");
    TfrmSearch::ShowResultsModel(VTFound, FModel, QStringLiteral("FindList"));
    // The name and where it lies come first, so both fit in the explorer's place; the medium
    // follows. The columns stay the model's own, so sorting and widths are the search's.
    {
        using M = TSearchResultsModel;
        const int shown[] = {M::colKindIcon, M::colResult, M::colLocation, M::colMediumIcon, M::colMedium,
                             M::colSize, M::colDate};
        QHeaderView* header = VTFound->header();
        for (int visual = 0; visual < int(std::size(shown)); ++visual)
            header->moveSection(header->visualIndex(shown[visual]), visual);
    }
    VTFound->setContextMenuPolicy(Qt::CustomContextMenu);
    PopupFound = new QMenu(VTFound);
    PopupFound->addAction(QStringLiteral("&Show"), this, &TfrmQuickFind::ShowFound);
    PopupFound->addAction(QStringLiteral("&Copy location"), this, [this] {
        if (const TSearchRow* row = FModel->RowAt(VTFound->currentIndex()))
            QApplication::clipboard()->setText(FoundLocationText(*row, &FIndexedRows));
    });
    VTFound->setAccessibleName(QStringLiteral("Found"));
    VTFound->setAccessibleDescription(QStringLiteral("The files and folders the find field found"));
    VTFound->hide();
    main->Splitter1->addWidget(VTFound);

    StatusFind = new QLabel(main->Panel1);
    StatusFind->setObjectName(QStringLiteral("StatusFind"));
    if (auto* row = qobject_cast<QHBoxLayout*>(main->Panel1->layout())) row->insertWidget(1, StatusFind);

    FDebounce.setSingleShot(true);
    FDebounce.setTimerType(Qt::PreciseTimer); // the pause is waited for: no 5 % more of it

    FHoldTimer.setSingleShot(true);
    connect(&FDebounce, &QTimer::timeout, this, &TfrmQuickFind::StartRun);
    connect(&FHoldTimer, &QTimer::timeout, this, &TfrmQuickFind::AdoptHeld);
    connect(EditFind, &QLineEdit::textChanged, this, &TfrmQuickFind::TextChanged);
    connect(CheckBoxRemoved, &QCheckBox::toggled, this, [this] {
        if (!EditFind->text().isEmpty()) StartRun();
    });
    connect(VTFound, &QAbstractItemView::doubleClicked, this, &TfrmQuickFind::ShowFound);
    connect(VTFound, &QWidget::customContextMenuRequested, this, &TfrmQuickFind::ContextPopup);
    connect(VTFound->header(), &QHeaderView::sectionClicked, this,
            [this](int column) { FModel->ClickColumn(column, VTFound->header()); });
    auto* find = new QShortcut(QKeySequence::Find, main);
    find->setObjectName(QStringLiteral("ShortcutFind"));
    connect(find, &QShortcut::activated, this, [this] { FocusField(QApplication::focusWidget()); });
    for (QWidget* watched : {static_cast<QWidget*>(main->VTMedien), static_cast<QWidget*>(main->VTExplorer),
                             static_cast<QWidget*>(VTFound), static_cast<QWidget*>(EditFind)})
        watched->installEventFilter(this);
}

TfrmQuickFind::~TfrmQuickFind() {
    StopFinding(true);
    FService.StopReading();
}

void TfrmQuickFind::StopFinding(bool wait) {
    if (wait) FFindJob.Stop();
    else FFindJob.RequestStop();
    FFinding = false;
}

bool TfrmQuickFind::MayTouchCatalogue() const {
    return !QApplication::activeModalWidget() && !FMain->Busy();
}

void TfrmQuickFind::TextChanged() {
    // Whatever runs was asked for by an older text.
    ++FGeneration;
    StopFinding(false);
    if (EditFind->text().isEmpty()) {
        FShowOnRows = false;
        FDebounce.stop();
        FQuery.reset();
        FResults.clear();
        FIndexedRows.Clear();
        FModel->Fill(&FResults);
        ShowList(false);
        UpdateStatus();
        return;
    }
    // The view in front stays until the run has rows to show (or has ended with none): no
    // empty list flashes up between two keys, and the rows are not kept waiting while the
    // window paints a list that has nothing in it yet.
    FShowOnRows = true;
    FDebounce.start(DebounceMs);
}

void TfrmQuickFind::StartRun() {
    if (!MayTouchCatalogue()) {
        FDebounce.start(DebounceMs);
        return;
    }
    ++FGeneration;
    StopFinding(false);
    FWaiting.clear();
    FSearched.clear();
    FResults.clear();
    FIndexedRows.Clear();
    FQuery = TQuickFindQuery::Compile(EditFind->text().toLocal8Bit().toStdString());
    FModel->Fill(&FResults); // the one reset of the run; rows come in batches after it
    FPositions.clear();
    if (FQuery) {
        const CMedienListe& catalogue = FMain->Catalogue();
        for (int i = 0; i < catalogue.Count(); ++i) FPositions[catalogue.GetMedium(i)] = i;
        RunOn(FService.Plan(CheckBoxRemoved->isChecked()));
    } else { // an empty list: no word, or a mask that says nothing
        if (std::exchange(FShowOnRows, false)) ShowList(true);
        UpdateStatus();
    }
    // With a run, the count of the last one stays until this run's first rows replace it, so
    // that it does not blink to 0 at every key.
}

bool TfrmQuickFind::Searchable(const CMedium* medium) const {
    return medium->ContentLoaded && (medium->Present || CheckBoxRemoved->isChecked());
}

int TfrmQuickFind::PositionOf(const CMedium* medium) const {
    const auto found = FPositions.find(medium);
    return found == FPositions.end() ? INT_MAX : found->second;
}

void TfrmQuickFind::RunOn(TFindService::TFindPlan plan) {
    std::vector<CMedium*>& media = plan.contents;
    std::stable_sort(media.begin(), media.end(),
                     [this](const CMedium* a, const CMedium* b) { return PositionOf(a) < PositionOf(b); });
    FSearched.insert(media.begin(), media.end());
    for (CMedium* medium : plan.indexed)
        if (medium) FSearched.insert(medium);
    const uint64_t generation = FGeneration;
    auto query = std::make_shared<const TQuickFindQuery>(*FQuery);
    FFinding = true;
    // Start waits for the run asked to stop before, which ends within a few thousand entries:
    // the workers are then free.
    FFindJob.Start([this, generation, query, plan = std::move(plan)](const std::atomic<bool>& stop) {
        auto batch = std::make_shared<TFoundBatch>();
        QElapsedTimer sinceSent;
        const auto send = [&](bool last) {
            QMetaObject::invokeMethod(
                this, [this, generation, batch, last] { TakeRows(generation, batch, last); },
                Qt::QueuedConnection);
            batch = std::make_shared<TFoundBatch>();
            sinceSent.start();
        };
        const auto sendSoon = [&] {
            if (!batch->rows.empty() && (!sinceSent.isValid() || sinceSent.elapsed() >= kBatchMs)) send(false);
        };
        // The index answers at once; the trees in memory of the media it does not hold follow.
        const bool indexWhole = TFindService::FindIndexed(
            plan, *query, stop, [&](TSearchResults& rows, std::vector<TIndexedRow>& indexed) {
                const uint32_t base = uint32_t(batch->indexed.size());
                for (TSearchRow& row : rows) row.indexRow += base;
                batch->rows.insert(batch->rows.end(), rows.begin(), rows.end());
                std::move(indexed.begin(), indexed.end(), std::back_inserter(batch->indexed));
                sendSoon();
            });
        if (!indexWhole) {
            QMetaObject::invokeMethod(this, [this, generation] { IndexFailed(generation); }, Qt::QueuedConnection);
            return;
        }
        const bool whole = RunQuickFind(FWorkers, plan.contents, *query, stop, [&](TSearchResults& rows) {
            batch->rows.insert(batch->rows.end(), rows.begin(), rows.end());
            sendSoon();
        });
        if (whole) send(true);
    });
}

void TfrmQuickFind::IndexFailed(uint64_t generation) {
    if (generation != FGeneration) return;
    FService.DropIndex(); // the trees answer while it is made anew
    FFinding = false;
    StartRun();
}

void TfrmQuickFind::TakeRows(uint64_t generation, const std::shared_ptr<TFoundBatch>& batch, bool last) {
    if (generation != FGeneration) return;
    TSearchResults& rows = batch->rows;
    for (TSearchRow& row : rows)
        if (row.indexRow != TSearchRow::kNotIndexed)
            row.indexRow = FIndexedRows.Add(std::move(batch->indexed[row.indexRow]));
    Place(rows);
    if (FShowOnRows && (!rows.empty() || last)) {
        FShowOnRows = false;
        ShowList(true);
    }
    if (last) {
        FFinding = false;
        // Media read while this run went on are searched after it.
        if (!FWaiting.empty()) RunLater();
    }
    UpdateStatus();
}

void TfrmQuickFind::Place(const TSearchResults& rows) {
    const auto before = [this](int position, const TSearchRow& row) { return position < PositionOf(row.medium); };
    for (size_t from = 0, to = 0; from < rows.size(); from = to) {
        // The rows of one medium, or all of them when they all come after the list's last.
        const int position = PositionOf(rows[from].medium);
        to = from + 1;
        if (FResults.empty() || position >= PositionOf(FResults.back().medium))
            to = rows.size();
        else
            while (to < rows.size() && rows[to].medium == rows[from].medium) ++to;
        const auto at = std::upper_bound(FResults.begin(), FResults.end(), position, before);
        const int first = int(at - FResults.begin());
        FResults.insert(at, rows.begin() + std::ptrdiff_t(from), rows.begin() + std::ptrdiff_t(to));
        FModel->Inserted(first, int(to - from));
    }
}

void TfrmQuickFind::SearchLater(CMedium* medium) {
    if (!FQuery || FSearched.count(medium) || !Searchable(medium)) return;
    FSearched.insert(medium);
    FWaiting.push_back(medium);
    if (!FFinding) RunLater();
}

void TfrmQuickFind::RunLater() {
    TFindService::TFindPlan later;
    later.contents = std::exchange(FWaiting, {});
    RunOn(std::move(later));
}

void TfrmQuickFind::ForgetMedia() {
    ++FGeneration;
    FDebounce.stop();
    StopFinding(true);
    FService.Serve(nullptr); // the media may go once this returns
    FHoldTimer.stop();
    FWaiting.clear();
    FSearched.clear();
    FPositions.clear();
    FResults.clear();
    FIndexedRows.Clear();
    FModel->Fill(&FResults);
    FForgotten = true;
    UpdateStatus();
}

void TfrmQuickFind::StopReading() {
    FService.StopReading();
    FHoldTimer.stop();
    UpdateStatus();
}

void TfrmQuickFind::CatalogueChanged() {
    Refresh();
    if (std::exchange(FForgotten, false) && !EditFind->text().isEmpty()) FDebounce.start(DebounceMs);
}

void TfrmQuickFind::Refresh() {
    if (FMain->Busy()) { // a load or save reads and writes the data file now
        QTimer::singleShot(200, this, &TfrmQuickFind::Refresh);
        return;
    }
    if (FService.Catalogue() != &FMain->Catalogue()) FService.Serve(&FMain->Catalogue());
    FService.Refresh();
    UpdateStatus();
}

void TfrmQuickFind::AdoptHeld() {
    if (!MayTouchCatalogue()) {
        // A load, a save or a modal window's work may be using the media right now.
        if (!FHoldTimer.isActive()) FHoldTimer.start(100);
        return;
    }
    const TFindService::TAdopted adopted = FService.Adopt();
    for (CMedium* medium : adopted.media) SearchLater(medium);
    // The index made meanwhile answers the same words, at once and for every medium.
    if (adopted.indexOpened && !EditFind->text().isEmpty()) StartRun();
    UpdateStatus();
}

void TfrmQuickFind::UpdateStatus() {
    QStringList parts;
    if (!EditFind->text().isEmpty())
        parts << QLocale(QLocale::English).toString(qlonglong(FResults.size())) + QStringLiteral(" found");
    if (FService.Reading()) {
        const TFindService::TProgress read = FService.ReadProgress();
        parts << QStringLiteral("Reading contents: %1 of %2 media").arg(read.done).arg(read.total);
    }
    if (FService.MakingIndex()) parts << QStringLiteral("Indexing names");
    StatusFind->setText(parts.join(QStringLiteral("; ")));
}

void TfrmQuickFind::ShowList(bool shown) {
    if (VTFound->isVisibleTo(FMain) == shown) return;
    // The list takes the explorer's place and width, and gives them back: the media tree
    // stays as it is, beside whichever of the two is shown.
    QSplitter* splitter = FMain->Splitter1;
    QList<int> sizes = splitter->sizes();
    const int explorer = splitter->indexOf(FMain->ExplorerPlace), list = splitter->indexOf(VTFound);
    std::swap(sizes[explorer], sizes[list]);
    FMain->ExplorerPlace->setVisible(!shown);
    VTFound->setVisible(shown);
    splitter->setSizes(sizes);
}

CFile* TfrmQuickFind::LoadedEntryOf(const TSearchRow& row) const {
    if (row.entry || row.indexRow == TSearchRow::kNotIndexed || !row.medium->ContentLoaded) return row.entry;
    return EntryByNumber(*row.medium, FIndexedRows.At(row.indexRow).number);
}

void TfrmQuickFind::ShowFound() {
    QModelIndex current = VTFound->currentIndex();
    if (!current.isValid()) current = FModel->index(0, 0);
    const TSearchRow* row = FModel->RowAt(current);
    if (!row) return;
    CMedium* medium = row->medium;
    CFile* entry = row->entry;
    if (!entry && row->indexRow != TSearchRow::kNotIndexed) {
        // Only the index holds the entry: its medium's tree comes in now, the one needed.
        const uint64_t number = FIndexedRows.At(row->indexRow).number;
        if (FService.Load(*medium)) entry = EntryByNumber(*medium, number);
    }
    FShowOnRows = false;
    ShowList(false);
    FMain->JumpTo(medium, entry);
    FMain->ExplorerView()->setFocus(Qt::OtherFocusReason);
}

void TfrmQuickFind::FocusField(QWidget* from) {
    if (from == FMain->VTMedien || from == FMain->VTExplorer || from == FMain->ExplorerView()) FLastView = from;
    EditFind->setFocus(Qt::ShortcutFocusReason);
    EditFind->selectAll();
}

// Where a found item is, whole: "USB red 64G: /photos/2019/img 001.jpg"; a medium's row gives
// the medium's name.
QString FoundLocationText(const TSearchRow& row, const TIndexedRows* indexed) {
    const QString medium = QString::fromLocal8Bit(row.medium->Name.c_str());
    std::string path;
    if (row.entry) path = EntryPathText(*row.entry);
    else if (indexed && row.indexRow != TSearchRow::kNotIndexed)
        path = FoundPathText(indexed->At(row.indexRow).Entry(), indexed->At(row.indexRow).folder);
    else
        return medium;
    return medium + QStringLiteral(": /") + QString::fromLocal8Bit(path.c_str());
}

void TfrmQuickFind::ContextPopup(const QPoint& at) {
    if (!FModel->RowAt(VTFound->currentIndex())) return;
    PopupFound->popup(VTFound->viewport()->mapToGlobal(at));
}

bool TfrmQuickFind::eventFilter(QObject* watched, QEvent* event) {
    // Back to the list after a Show; a run still looking for its first rows shows it itself.
    if (event->type() == QEvent::FocusIn && watched == EditFind && !EditFind->text().isEmpty() &&
        !FShowOnRows)
        ShowList(true);
    if (event->type() != QEvent::KeyPress) return false;
    const auto* key = static_cast<QKeyEvent*>(event);
    const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
    if (watched == EditFind || watched == VTFound) {
        if (key->key() == Qt::Key_Escape) {
            EditFind->clear();
            (FLastView ? FLastView : FMain->VTMedien)->setFocus(Qt::OtherFocusReason);
            return true;
        }
        if (enter) {
            ShowFound();
            return true;
        }
        if (watched == EditFind && key->key() == Qt::Key_Down && FModel->rowCount() > 0) {
            VTFound->setFocus(Qt::OtherFocusReason);
            // The first Down selects a row: the current one, or the first.
            if (!VTFound->selectionModel()->hasSelection()) {
                const QModelIndex current = VTFound->currentIndex();
                VTFound->selectionModel()->setCurrentIndex(
                    current.isValid() ? current : FModel->index(0, 0),
                    QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
            }
            return true;
        }
        return false;
    }
    if (key->text() == QLatin1String("/")) {
        FocusField(static_cast<QWidget*>(watched));
        return true;
    }
    return false;
}

#include "moc_ufrmQuickFind.cpp"
