#include "search/nameindexbackend.h"

#include "catalogue/mediaclasses.h"
#include "search/nameindex.h"

namespace {

class TOpenNameIndex : public TNameIndexAnswers {
public:
    TOpenNameIndex(std::unique_ptr<TNameIndex> index, std::vector<int32_t> blocks)
        : index_(std::move(index)), blocks_(std::move(blocks)) {}
    int MediumCount() const override { return int(blocks_.size()); }
    int32_t MediumBlock(int medium) const override { return blocks_[size_t(medium)]; }
    bool Find(const TQuickFindQuery& query, const std::vector<bool>& wanted, const std::atomic<bool>& stop,
              const std::function<void(int, TIndexedRow&)>& found) const override {
        return index_->Find(query, wanted, [&](const TNameIndexRow& from) {
            if (stop) return;
            TIndexedRow row;
            row.name = from.name;
            row.kind = from.kind;
            row.size = from.size;
            row.date = from.date;
            row.number = uint64_t(from.number);
            row.details = from.details;
            // The path ends with the entry's own name, which a folder's location keeps.
            const bool container = (from.kind & 2) != 0;
            const size_t slash = from.path.rfind('/');
            row.folder = container ? from.path : slash == std::string::npos ? std::string() : from.path.substr(0, slash);
            found(from.medium, row);
        });
    }

private:
    std::unique_ptr<TNameIndex> index_;
    std::vector<int32_t> blocks_;
};

} // namespace

TIndexBackend NameIndexBackend() {
    TIndexBackend backend;
    backend.open = [](const CMedienListe& catalogue) -> std::shared_ptr<const TNameIndexAnswers> {
        const std::string& pair = catalogue.PairFileName;
        // Another program's save since the catalogue was read: the index of the new pair is
        // not of the media in memory.
        if (pair.empty() || FileStamp::Of(catalogue.DataFileName) != catalogue.DataFileAge) return nullptr;
        const std::string place = NameIndexToRead(pair);
        const TDataIdentity data = DataIdentityOfIndexFile(pair);
        const auto open = [&](std::vector<int32_t> blocks) -> std::shared_ptr<const TNameIndexAnswers> {
            auto index = TNameIndex::Open(place, data, blocks);
            if (!index) return nullptr;
            return std::make_shared<TOpenNameIndex>(std::move(index), std::move(blocks));
        };
        std::vector<int32_t> blocks;
        for (int i = 0; i < catalogue.Count(); ++i) blocks.push_back(catalogue.GetMedium(i)->DataOffset);
        if (auto index = open(blocks)) return index;
        // Media added or deleted since the save: the index is of the media the pair holds, and
        // the service finds the others in their trees.
        CMedienListe saved;
        if (!saved.Load(pair)) return nullptr;
        blocks.clear();
        for (int i = 0; i < saved.Count(); ++i) blocks.push_back(saved.GetMedium(i)->DataOffset);
        return open(std::move(blocks));
    };
    backend.build = RebuildNameIndex;
    return backend;
}
