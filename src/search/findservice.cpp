#include "search/findservice.h"

#include "catalogue/entrywalk.h"
#include "catalogue/mediaclasses.h"
#include "search/quickfind.h"

#include <unordered_map>
#include <utility>

TFindService::TFindService(std::function<void()> ready) : ready_(std::move(ready)) {}

TFindService::~TFindService() { StopReading(); }

void TFindService::Serve(CMedienListe* catalogue) {
    StopReading();
    index_.reset();
    catalogue_ = catalogue;
    looked_ = false;
}

void TFindService::Refresh() {
    if (!catalogue_) return;
    // A save writes a new data file, and the index belonging to it beside it.
    if (!looked_ || catalogue_->DataFileAge != indexStamp_) OpenIndex();
    if (!index_) ReadContents(); // the find answers from the trees until an index belongs
}

void TFindService::OpenIndex() {
    looked_ = true;
    index_.reset();
    indexStamp_ = catalogue_->DataFileAge;
    if (!backend_.open || catalogue_->PairFileName.empty()) return;
    index_ = backend_.open(*catalogue_);
    if (!index_) MakeIndex();
}

void TFindService::MakeIndex() {
    if (!backend_.build) return;
    uint64_t generation = 0;
    {
        std::lock_guard lock(mutex_);
        makingIndex_ = true;
        madeIndex_ = false;
        generation = makingGeneration_;
    }
    making_.Start([this, generation, build = backend_.build, pair = catalogue_->PairFileName](
                      const std::atomic<bool>& stop) {
        LowerThisThreadsPriority();
        const bool made = build(pair, stop);
        {
            std::lock_guard lock(mutex_);
            if (generation != makingGeneration_) return;
            makingIndex_ = false;
            madeIndex_ = made && !stop;
        }
        if (ready_) ready_();
    });
}

void TFindService::DropIndex() {
    if (!catalogue_ || !index_) return;
    index_.reset();
    ReadContents();
    MakeIndex();
}

bool TFindService::MakingIndex() const {
    std::lock_guard lock(mutex_);
    return makingIndex_;
}

void TFindService::ReadContents() {
    if (!catalogue_) return;
    auto contents = std::make_shared<std::vector<TDetachedContent>>();
    uint64_t generation = 0;
    {
        std::lock_guard lock(mutex_);
        if (running_) {
            again_ = true; // media added meanwhile are read when this reading ends
            return;
        }
        for (int i = 0; i < catalogue_->Count(); ++i) {
            CMedium* medium = catalogue_->GetMedium(i);
            if (!medium->ContentLoaded && medium->DataOffset >= 0 && !reading_.count(medium))
                contents->push_back({medium, medium->DataOffset, medium->ContentLength, nullptr,
                                    medium->Additions});
        }
        if (contents->empty() || catalogue_->DataFileName.empty()) return;
        for (const TDetachedContent& content : *contents) reading_.insert(content.medium);
        running_ = true;
        ended_ = again_ = false;
        progress_ = {0, int(contents->size())};
        stamp_ = catalogue_->DataFileAge;
        generation = generation_;
    }
    job_.Start([this, generation, contents, file = catalogue_->DataFileName,
                stamp = catalogue_->DataFileAge](const std::atomic<bool>& stop) {
        ReadContentsDetached(std::move(*contents), file, stamp, stop, [&](TDetachedContent& content) {
            {
                std::lock_guard lock(mutex_);
                if (generation != generation_) return;
                held_.push_back(std::make_shared<TDetachedContent>(std::move(content)));
            }
            if (ready_) ready_();
        });
        if (!stop) ReadEnded(generation);
    });
}

void TFindService::ReadEnded(uint64_t generation) {
    {
        std::lock_guard lock(mutex_);
        if (generation != generation_) return;
        ended_ = true;
    }
    if (ready_) ready_();
}

void TFindService::StopReading() {
    StopContents();
    making_.Stop();
    std::lock_guard lock(mutex_);
    ++makingGeneration_;
    makingIndex_ = madeIndex_ = false;
    looked_ = false; // the next Refresh looks for the index, or makes it, again
}

void TFindService::StopContents() {
    job_.Stop();
    std::lock_guard lock(mutex_);
    ++generation_;
    held_.clear();
    reading_.clear();
    running_ = ended_ = again_ = false;
    progress_ = {};
}

TFindService::TAdopted TFindService::Adopt() {
    std::vector<std::shared_ptr<TDetachedContent>> held;
    bool ended = false, again = false;
    bool made = false;
    {
        std::lock_guard lock(mutex_);
        made = std::exchange(madeIndex_, false);
        held = std::exchange(held_, {});
        progress_.done += int(held.size());
        for (const auto& content : held) reading_.erase(content->medium);
        if (running_ && ended_) {
            ended = true;
            again = again_;
            running_ = ended_ = again_ = false;
            reading_.clear(); // what failed to read is not being read any more
        }
    }
    TAdopted adopted;
    std::vector<CMedium*>& came = adopted.media;
    for (const auto& content : held) {
        CMedium* medium = content->medium;
        // What was read is the medium's only while its block is the one read: a save writes
        // the blocks anew, and whoever loaded the medium meanwhile has the newer tree.
        if (content->loaded && !medium->ContentLoaded && catalogue_ && catalogue_->DataFileAge == stamp_ &&
            medium->DataOffset == content->dataOffset && medium->ContentLength == content->contentLength) {
            medium->AdoptContent(*content->loaded);
            came.push_back(medium);
        }
    }
    if (made && catalogue_ && catalogue_->DataFileAge == indexStamp_ && (index_ = backend_.open(*catalogue_))) {
        adopted.indexOpened = true;
        StopContents(); // the index answers: no tree is read for the find any more
    } else if (ended && again) {
        ReadContents();
    }
    return adopted;
}

TFindService::TFindPlan TFindService::Plan(bool includeRemoved) const {
    TFindPlan plan;
    if (!catalogue_) return plan;
    const auto asked = [includeRemoved](const CMedium* medium) { return medium->Present || includeRemoved; };
    std::unordered_set<const CMedium*> answered;
    if (index_ && catalogue_->DataFileAge == indexStamp_) {
        std::unordered_map<int32_t, CMedium*> byBlock;
        for (int i = 0; i < catalogue_->Count(); ++i) {
            CMedium* medium = catalogue_->GetMedium(i);
            // A tree changed since the save is not what the index holds.
            if (medium->DataOffset >= 0 && !(medium->ContentLoaded && !medium->Stored))
                byBlock.emplace(medium->DataOffset, medium);
        }
        plan.index = index_;
        plan.indexed.resize(size_t(index_->MediumCount()));
        for (int i = 0; i < index_->MediumCount(); ++i) {
            const auto found = byBlock.find(index_->MediumBlock(i));
            if (found == byBlock.end()) continue;
            answered.insert(found->second);
            if (asked(found->second)) plan.indexed[size_t(i)] = found->second;
        }
    }
    for (int i = 0; i < catalogue_->Count(); ++i) {
        CMedium* medium = catalogue_->GetMedium(i);
        if (medium->ContentLoaded && !answered.count(medium) && asked(medium)) plan.contents.push_back(medium);
    }
    return plan;
}

bool TFindService::FindIndexed(const TFindPlan& plan, const TQuickFindQuery& query, const std::atomic<bool>& stop,
                               const std::function<void(TSearchResults&, std::vector<TIndexedRow>&)>& found) {
    if (!plan.index) return true;
    std::vector<bool> wanted(plan.indexed.size());
    for (size_t i = 0; i < wanted.size(); ++i) wanted[i] = plan.indexed[i] != nullptr;
    TSearchResults rows;
    std::vector<TIndexedRow> indexed;
    int current = -1;
    const auto send = [&] {
        if (rows.empty() || stop) return;
        found(rows, indexed);
        rows.clear();
        indexed.clear();
    };
    const bool whole = plan.index->Find(query, wanted, stop, [&](int medium, TIndexedRow& row) {
        if (medium < 0 || size_t(medium) >= plan.indexed.size() || !plan.indexed[size_t(medium)]) return;
        if (medium != current) send(); // one medium's rows at a time
        current = medium;
        row.medium = plan.indexed[size_t(medium)];
        rows.push_back({row.medium, nullptr, TMatchedField::EntryName, uint32_t(indexed.size())});
        indexed.push_back(std::move(row));
    });
    if (!whole) return false;
    send();
    return true;
}

bool TFindService::Reading() const {
    std::lock_guard lock(mutex_);
    return running_ || !held_.empty();
}

TFindService::TProgress TFindService::ReadProgress() const {
    std::lock_guard lock(mutex_);
    return progress_;
}

TFindService::TContentState TFindService::StateOf(const CMedium& medium) const {
    if (medium.ContentLoaded) return TContentState::Loaded;
    std::lock_guard lock(mutex_);
    return reading_.count(&medium) ? TContentState::Reading : TContentState::NotLoaded;
}

bool TFindService::Load(CMedium& medium) {
    if (medium.ContentLoaded) return true;
    if (!catalogue_ || catalogue_->DataFileName.empty()) return false;
    // The reading may hand over the same block later; Adopt then finds the medium loaded.
    return medium.LoadContent(catalogue_->DataFileName, &catalogue_->DataFileAge);
}

CFile* EntryByNumber(const CMedium& medium, uint64_t number) {
    CFile* found = nullptr;
    uint64_t seen = 0;
    WalkEntries(medium.Entries(), [&](CFile* entry) {
        if (seen++ != number) return false;
        found = entry;
        return true;
    });
    return found;
}

