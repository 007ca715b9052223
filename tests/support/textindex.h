// A name index kept as text, for tests of what uses indexes: the data file's stamp, beside the
// catalogue as "NAME.SXI"; its rows are read from the pair itself when it is opened. It answers
// as the find's own matching does, and counts how often it was made.
#pragma once

#include "catalogue/entrywalk.h"
#include "catalogue/mediaclasses.h"
#include "search/findservice.h"
#include "search/quickfind.h"
#include "support/testfiles.h"

#include <atomic>
#include <memory>
#include <string>
#include <vector>

class TextIndex : public TNameIndexAnswers {
public:
    std::vector<int32_t> blocks;
    std::vector<std::pair<int, TIndexedRow>> rows;

    int MediumCount() const override { return int(blocks.size()); }
    int32_t MediumBlock(int medium) const override { return blocks[size_t(medium)]; }
    bool Find(const TQuickFindQuery& query, const std::vector<bool>& wanted, const std::atomic<bool>&,
              const std::function<void(int, TIndexedRow&)>& found) const override {
        for (const auto& [medium, row] : rows) {
            if (!wanted[size_t(medium)] || !query.Matches(row.name)) continue;
            TIndexedRow copy = row;
            found(medium, copy);
        }
        return true;
    }
};

inline std::string StampText(const FileStamp& stamp) {
    return std::to_string(stamp.size) + " " + std::to_string(stamp.seconds) + " " + std::to_string(stamp.nanoseconds);
}

inline std::string TextIndexFileOf(const std::string& pair) { return pair.substr(0, pair.size() - 4) + ".SXI"; }

struct TextIndexBackend {
    int made = 0;
    bool failing = false; // no place takes it
    TIndexBackend Make() {
        TIndexBackend backend;
        backend.open = [](const CMedienListe& cat) -> std::shared_ptr<const TNameIndexAnswers> {
            const std::string path = TextIndexFileOf(cat.PairFileName);
            if (!FileExists(path) || ReadWholeFile(path) != StampText(cat.DataFileAge)) return nullptr;
            auto index = std::make_shared<TextIndex>();
            CMedienListe saved;
            if (!saved.Load(cat.PairFileName)) return nullptr;
            for (int m = 0; m < saved.Count(); ++m) {
                CMedium& medium = *saved.GetMedium(m);
                index->blocks.push_back(medium.DataOffset);
                if (!medium.LoadContent(saved.DataFileName)) return nullptr;
                uint64_t number = 0;
                WalkEntries(medium.Entries(), [&](CFile* entry) {
                    index->rows.push_back({m, {nullptr, std::string(entry->Name()), entry->FolderPath(), entry->Kind,
                                               entry->Size, entry->Date, number++}});
                    return false;
                });
            }
            return index;
        };
        backend.build = [this](const std::string& pair, const std::atomic<bool>&) {
            ++made;
            if (failing) return false;
            WriteWholeFile(TextIndexFileOf(pair), StampText(FileStamp::Of(DataFileNameOf(pair))));
            return true;
        };
        return backend;
    }
};
