// The one owner of what finding a name needs below the windows: which media's contents are in
// memory and which are being read in the background, the reading itself, and the loading of
// the one medium a found row leads to. A window asks it and shows what it answers; it never
// decides itself what is read when.
#pragma once

#include "catalogue/contentloading.h"
#include "catalogue/foundentry.h"
#include "catalogue/streams.h"
#include "catalogue/workers.h"
#include "search/searchrequest.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_set>
#include <vector>

class CFile;
class CMedienListe;
class CMedium;
class TQuickFindQuery;

// An open name index as finding uses it. Never changes once open: any thread may read it.
class TNameIndexAnswers {
public:
    virtual ~TNameIndexAnswers() = default;
    // The media it holds, each named by the place of its block in the data file.
    virtual int MediumCount() const = 0;
    virtual int32_t MediumBlock(int medium) const = 0;
    // The entries of the media `wanted` (by the index's place) that answer `query`, media in
    // the index's order and entries in walk order, each with the place of its medium. False
    // when the index turns out damaged: the rows given are then not the answer.
    virtual bool Find(const TQuickFindQuery& query, const std::vector<bool>& wanted, const std::atomic<bool>& stop,
                      const std::function<void(int medium, TIndexedRow& row)>& found) const = 0;
};

// How name indexes are opened and made, wherever they are kept.
struct TIndexBackend {
    // The index belonging to the data file the catalogue was read with and to its media as
    // read; none when none does.
    std::function<std::shared_ptr<const TNameIndexAnswers>(const CMedienListe& catalogue)> open;
    // Makes the index of the pair whose index file is `pairFile` from its trees as saved, on a
    // thread of low priority; false when it could not (the pair cannot be read, no place takes it).
    std::function<bool(const std::string& pairFile, const std::atomic<bool>& stop)> build;
};

class TFindService {
public:
    enum class TContentState { NotLoaded, Reading, Loaded };
    struct TProgress {
        int done = 0, total = 0;
    };

    // `ready` is called on the reading's thread whenever read contents wait for Adopt, and when
    // the reading has ended; whoever serves the catalogue's thread then calls Adopt there.
    explicit TFindService(std::function<void()> ready = {});
    ~TFindService();
    TFindService(const TFindService&) = delete;
    TFindService& operator=(const TFindService&) = delete;

    // How indexes are opened and made; without one no index is used. Set before serving.
    void SetIndexBackend(TIndexBackend backend) { backend_ = std::move(backend); }

    // The catalogue served (none: nullptr). The reading and the index making of the former one
    // are stopped and waited for first, so that its media may be freed once this returns. The
    // first Refresh opens the index belonging to its data file; when none belongs, one is made
    // in the background and opened by a later Adopt.
    void Serve(CMedienListe* catalogue);
    CMedienListe* Catalogue() const { return catalogue_; }

    // The catalogue or its media changed (opened, saved, media added): the index belonging to
    // its data file is looked for again when the file changed; while none answers, the trees
    // not in memory are read for the find (ReadContents).
    void Refresh();
    // Reads, on workers of low priority, every content of the catalogue not in memory. A
    // reading going on reads the media added meanwhile once it has ended.
    void ReadContents();
    // Stops the reading and the index making, waits for both and drops what they made and
    // nobody took over (a save reads and writes the pair itself; the next Refresh goes on).
    void StopReading();
    // On the catalogue's thread, while nobody else uses its media: the contents read are taken
    // over by their media when the blocks are still theirs, and an index made meanwhile is
    // opened when it belongs to the data file.
    struct TAdopted {
        std::vector<CMedium*> media; // whose content came in, in the order read
        bool indexOpened = false;    // the finds asked from now on answer from it
    };
    TAdopted Adopt();

    // The index that answers for the served catalogue's data file; none while none belongs.
    std::shared_ptr<const TNameIndexAnswers> Index() const { return index_; }
    // The index turned out damaged: the trees answer, read in the background, while it is made
    // anew.
    void DropIndex();
    // An index is being made in the background.
    bool MakingIndex() const;

    // What a find looks at, taken on the catalogue's thread: the media the index answers for
    // (those whose tree was not changed since the data file was written), and the trees in
    // memory of the others; removed media only when asked for.
    struct TFindPlan {
        std::shared_ptr<const TNameIndexAnswers> index;
        std::vector<CMedium*> indexed; // per index medium, the catalogue's medium; none: not asked
        std::vector<CMedium*> contents;
    };
    TFindPlan Plan(bool includeRemoved) const;
    // The index's rows for the plan, on any thread, while the planned media live, a medium's
    // rows at a time: each row of `rows` names its entry by its place in `indexed`. Ends early
    // when `stop` is set; false when the index turned out damaged.
    static bool FindIndexed(const TFindPlan& plan, const TQuickFindQuery& query, const std::atomic<bool>& stop,
                            const std::function<void(TSearchResults& rows, std::vector<TIndexedRow>& indexed)>& found);

    // A reading runs or its contents wait for Adopt.
    bool Reading() const;
    TProgress ReadProgress() const;
    TContentState StateOf(const CMedium& medium) const;

    // Brings the one medium's content in now, on the calling thread (Show, Enter): true when it
    // is in memory.
    bool Load(CMedium& medium);

private:
    void ReadEnded(uint64_t generation);
    void StopContents();
    void OpenIndex();
    void MakeIndex();

    std::function<void()> ready_;
    TIndexBackend backend_;
    CMedienListe* catalogue_ = nullptr;
    TBackgroundJob job_;
    TBackgroundJob making_;
    std::shared_ptr<const TNameIndexAnswers> index_;
    FileStamp indexStamp_; // the data file the index was looked for
    bool looked_ = false;

    mutable std::mutex mutex_; // guards what follows: the reading's thread hands over through it
    uint64_t generation_ = 0;
    std::vector<std::shared_ptr<TDetachedContent>> held_;
    std::unordered_set<const CMedium*> reading_;
    FileStamp stamp_;
    bool running_ = false, ended_ = false, again_ = false;
    TProgress progress_;
    uint64_t makingGeneration_ = 0;
    bool makingIndex_ = false;
    bool madeIndex_ = false; // made and waiting to be opened
};

// The entry a depth-first walk of the medium's tree (parents before children, in stored order)
// meets as its `number`th, counted from 0; none past the last.
CFile* EntryByNumber(const CMedium& medium, uint64_t number);
