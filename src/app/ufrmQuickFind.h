// The main window's find field: while it holds text, the files, folders and archive members
// whose names hold the words typed are listed in the explorer's place, found on the workers as
// the user types. What is read when, and which media are within the find's reach, the find
// service answers (search/findservice.h); the window asks it and shows.
#pragma once

#include "catalogue/workers.h"
#include "search/findservice.h"
#include "search/quickfind.h"

#include <QObject>
#include <QString>
#include <QTimer>

#include <cstdint>
#include <memory>
#include <optional>
#include <unordered_map>
#include <unordered_set>
#include <vector>

class QCheckBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPoint;
class QTreeView;
class TfrmShelvix;
class TSearchResultsModel;

struct TSearchRow;
class TIndexedRows;
// What "Copy location" copies: the medium, then the entry's path ("USB red 64G: /photos/a.jpg");
// an indexed row's path comes from `indexed`.
QString FoundLocationText(const TSearchRow& row, const TIndexedRows* indexed = nullptr);

class TfrmQuickFind : public QObject {
    Q_OBJECT
public:
    // Puts the field and its check box at the right of the main window's button bar, the list
    // beside the explorer (hidden) and the count into the status line.
    explicit TfrmQuickFind(TfrmShelvix* main);
    ~TfrmQuickFind() override;

    QLineEdit* EditFind;        // placeholder "Find"
    QCheckBox* CheckBoxRemoved; // "Include removed media", off
    QTreeView* VTFound;         // the search results' columns, in the explorer's place
    QMenu* PopupFound;          // the list's context menu: Show, Copy location
    QLabel* StatusFind;         // "12,345 found", "Reading contents: 37 of 200 media"
    // The pause after the last key before a run starts.
    int DebounceMs = 100;

    const TSearchResults& Results() const { return FResults; }
    const TIndexedRows& IndexedRows() const { return FIndexedRows; }
    TSearchResultsModel& Model() { return *FModel; }
    // A run is going on or waits for the pause after a key.
    bool Finding() const { return FFinding || FDebounce.isActive(); }
    // Contents are being read, or wait to be taken over.
    bool Reading() const { return FService.Reading(); }
    TFindService& Service() { return FService; }

    // Stops finding and reading, waits for both and empties the list: whoever frees media or
    // replaces the catalogue calls it first.
    void ForgetMedia();
    // Stops the reading and waits for it (a save reads the contents itself); the next
    // CatalogueChanged reads on.
    void StopReading();
    // The catalogue or its media changed: the find service looks for the index or reads what
    // the find needs, and a list emptied by ForgetMedia is found again.
    void CatalogueChanged();
    // Enter or a double click: the row's medium and entry are selected in the main window, as
    // Show of the search does, and the explorer comes back.
    void ShowFound();
    // The entry a row stands for when its tree is in memory: its own, or the one an index row
    // names in a loaded medium; none when only the index holds it (nothing is read for this).
    CFile* LoadedEntryOf(const TSearchRow& row) const;
    // The list in the explorer's place, or the explorer back.
    void ShowList(bool shown);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void TextChanged();
    void StartRun();
    void RunOn(TFindService::TFindPlan plan);
    void RunLater(); // the media waiting, once the run going on has ended
    // Rows found, with the index's rows they name by their place among `indexed`.
    struct TFoundBatch {
        TSearchResults rows;
        std::vector<TIndexedRow> indexed;
    };
    void TakeRows(uint64_t generation, const std::shared_ptr<TFoundBatch>& batch, bool last);
    void IndexFailed(uint64_t generation);
    void Refresh();
    void AdoptHeld();
    void SearchLater(CMedium* medium);
    // Puts rows into the list where their media stand in the catalogue: media read after the
    // run began may stand before media already listed.
    void Place(const TSearchResults& rows);
    int PositionOf(const CMedium* medium) const; // in the catalogue when the run began; last if new
    bool Searchable(const CMedium* medium) const; // in memory, and present unless removed ones count
    void FocusField(QWidget* from);
    void ContextPopup(const QPoint& at);
    void UpdateStatus();
    // No modal window and no load or save is running: the catalogue's media may be looked at
    // and changed. (A modal window's own work may load contents on its threads.)
    bool MayTouchCatalogue() const;

    TfrmShelvix* FMain;
    TSearchResultsModel* FModel;
    TSearchResults FResults;
    TIndexedRows FIndexedRows; // what the list's indexed rows show
    QTimer FDebounce;
    QWidget* FLastView = nullptr;

    // The workers every run uses, one run at a time. They are started once: workers started
    // for each run cost more than their start, since the scheduler may put two new threads
    // on one core for the first milliseconds, just when the first rows are being found.
    TOrderedWork FWorkers{WorkerThreads(), size_t(WorkerThreads()) * 2};
    // The run going on. A key only asks it to stop and never waits for it; the next run, after
    // the pause, waits for it to end.
    TBackgroundJob FFindJob;
    void StopFinding(bool wait);
    uint64_t FGeneration = 0; // rows of an older run are dropped when they arrive
    std::optional<TQuickFindQuery> FQuery;
    std::unordered_set<const CMedium*> FSearched; // by this query, or waiting for it
    std::unordered_map<const CMedium*, int> FPositions;
    std::vector<CMedium*> FWaiting;               // read since the run began
    bool FFinding = false;
    bool FForgotten = false;
    bool FShowOnRows = false; // the list replaces the explorer once the run has rows

    // Its reading tells the window, from its own thread, that contents wait to be taken over.
    TFindService FService{[this] {
        QMetaObject::invokeMethod(this, [this] { AdoptHeld(); }, Qt::QueuedConnection);
    }};
    QTimer FHoldTimer; // contents read while the catalogue was busy wait for it
};
