#include "app/ufrmQuickFind.h"

#include "app/ufrmShelvix.h"
#include "widgets/previewiconview.h"
#include "catalogue/contentloading.h"
#include "catalogue/mediaclasses.h"
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
            QApplication::clipboard()->setText(FoundLocationText(*row));
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
    FReadJob.Stop();
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
    FQuery = TQuickFindQuery::Compile(EditFind->text().toLocal8Bit().toStdString());
    FModel->Fill(&FResults); // the one reset of the run; rows come in batches after it
    FPositions.clear();
    if (FQuery) {
        std::vector<CMedium*> media;
        const CMedienListe& catalogue = FMain->Catalogue();
        for (int i = 0; i < catalogue.Count(); ++i) {
            CMedium* medium = catalogue.GetMedium(i);
            FPositions[medium] = i;
            if (Searchable(medium)) media.push_back(medium);
        }
        RunOn(std::move(media));
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

void TfrmQuickFind::RunOn(std::vector<CMedium*> media) {
    std::stable_sort(media.begin(), media.end(),
                     [this](const CMedium* a, const CMedium* b) { return PositionOf(a) < PositionOf(b); });
    FSearched.insert(media.begin(), media.end());
    const uint64_t generation = FGeneration;
    auto query = std::make_shared<const TQuickFindQuery>(*FQuery);
    FFinding = true;
    // Start waits for the run asked to stop before, which ends within a few thousand entries:
    // the workers are then free.
    FFindJob.Start([this, generation, query, media = std::move(media)](const std::atomic<bool>& stop) {
        auto batch = std::make_shared<TSearchResults>();
        QElapsedTimer sinceSent;
        const auto send = [&](bool last) {
            QMetaObject::invokeMethod(
                this, [this, generation, batch, last] { TakeRows(generation, batch, last); },
                Qt::QueuedConnection);
            batch = std::make_shared<TSearchResults>();
            sinceSent.start();
        };
        const bool whole = RunQuickFind(FWorkers, media, *query, stop, [&](TSearchResults& rows) {
            batch->insert(batch->end(), rows.begin(), rows.end());
            if (!batch->empty() && (!sinceSent.isValid() || sinceSent.elapsed() >= kBatchMs))
                send(false);
        });
        if (whole) send(true);
    });
}

void TfrmQuickFind::TakeRows(uint64_t generation, const std::shared_ptr<TSearchResults>& rows,
                             bool last) {
    if (generation != FGeneration) return;
    Place(*rows);
    if (FShowOnRows && (!rows->empty() || last)) {
        FShowOnRows = false;
        ShowList(true);
    }
    if (last) {
        FFinding = false;
        // Media read while this run went on are searched after it.
        if (!FWaiting.empty()) RunOn(std::exchange(FWaiting, {}));
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
    if (!FFinding) RunOn(std::exchange(FWaiting, {}));
}

void TfrmQuickFind::ForgetMedia() {
    ++FGeneration;
    FDebounce.stop();
    StopFinding(true);
    StopReading();
    FWaiting.clear();
    FSearched.clear();
    FPositions.clear();
    FResults.clear();
    FModel->Fill(&FResults);
    FForgotten = true;
    UpdateStatus();
}

void TfrmQuickFind::StopReading() {
    ++FReadGeneration;
    FReadJob.Stop();
    FHeld.clear();
    FHoldTimer.stop();
    FReading = FReadAgain = false;
    UpdateStatus();
}

void TfrmQuickFind::CatalogueChanged() {
    ReadContents();
    if (std::exchange(FForgotten, false) && !EditFind->text().isEmpty()) FDebounce.start(DebounceMs);
}

void TfrmQuickFind::ReadContents() {
    if (FReading) {
        FReadAgain = true; // media added meanwhile are read when this reading ends
        return;
    }
    if (FMain->Busy()) { // a load or save reads and writes the data file now
        QTimer::singleShot(200, this, &TfrmQuickFind::ReadContents);
        return;
    }
    const CMedienListe& catalogue = FMain->Catalogue();
    auto contents = std::make_shared<std::vector<TDetachedContent>>();
    for (int i = 0; i < catalogue.Count(); ++i) {
        CMedium* medium = catalogue.GetMedium(i);
        if (!medium->ContentLoaded && medium->DataOffset >= 0)
            contents->push_back({medium, medium->DataOffset, medium->ContentLength, nullptr,
                                 medium->Additions});
    }
    if (contents->empty() || catalogue.DataFileName.empty()) return UpdateStatus();
    FReading = true;
    FReadJobEnded = FReadAgain = false;
    FReadTotal = int(contents->size());
    FReadDone = 0;
    FReadStamp = catalogue.DataFileAge;
    const uint64_t generation = ++FReadGeneration;
    FReadJob.Start([this, generation, contents, file = catalogue.DataFileName,
                    stamp = catalogue.DataFileAge](const std::atomic<bool>& stop) {
        ReadContentsDetached(std::move(*contents), file, stamp, stop, [&](TDetachedContent& content) {
            auto one = std::make_shared<TDetachedContent>(std::move(content));
            QMetaObject::invokeMethod(
                this, [this, generation, one] { TakeContent(generation, one); }, Qt::QueuedConnection);
        });
        if (stop) return;
        QMetaObject::invokeMethod(this, [this, generation] {
            if (generation != FReadGeneration) return;
            FReadJobEnded = true;
            AdoptHeld();
        }, Qt::QueuedConnection);
    });
    UpdateStatus();
}

void TfrmQuickFind::TakeContent(uint64_t generation, const std::shared_ptr<TDetachedContent>& content) {
    if (generation != FReadGeneration) return;
    FHeld.push_back(content);
    AdoptHeld();
}

void TfrmQuickFind::AdoptHeld() {
    if (!MayTouchCatalogue()) {
        // A load, a save or a modal window's work may be using the media right now.
        if (!FHoldTimer.isActive()) FHoldTimer.start(100);
        return;
    }
    const CMedienListe& catalogue = FMain->Catalogue();
    for (const auto& content : std::exchange(FHeld, {})) {
        CMedium* medium = content->medium;
        ++FReadDone;
        // What was read is the medium's only while its block is the one read: a save writes
        // the blocks anew, and whoever loaded the medium meanwhile has the newer tree.
        if (content->loaded && !medium->ContentLoaded && catalogue.DataFileAge == FReadStamp &&
            medium->DataOffset == content->dataOffset && medium->ContentLength == content->contentLength)
            medium->AdoptContent(*content->loaded);
        SearchLater(medium);
    }
    if (FReadJobEnded) {
        FReading = false;
        if (FReadAgain) ReadContents();
    }
    UpdateStatus();
}

void TfrmQuickFind::UpdateStatus() {
    QStringList parts;
    if (!EditFind->text().isEmpty())
        parts << QLocale(QLocale::English).toString(qlonglong(FResults.size())) + QStringLiteral(" found");
    if (FReading)
        parts << QStringLiteral("Reading contents: %1 of %2 media").arg(FReadDone).arg(FReadTotal);
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

void TfrmQuickFind::ShowFound() {
    QModelIndex current = VTFound->currentIndex();
    if (!current.isValid()) current = FModel->index(0, 0);
    const TSearchRow* row = FModel->RowAt(current);
    if (!row) return;
    CMedium* medium = row->medium;
    CFile* entry = row->entry;
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
QString FoundLocationText(const TSearchRow& row) {
    const QString medium = QString::fromLocal8Bit(row.medium->Name.c_str());
    if (!row.entry) return medium;
    return medium + QStringLiteral(": /") + QString::fromLocal8Bit(EntryPathText(*row.entry).c_str());
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
