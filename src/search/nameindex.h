// The name index beside a catalogue (NAME.SXI, docs/catalogue-format.md "The name index"):
// every entry's name with what a find row shows, in blocks found through the trigrams of the
// a-to-z-folded names, so a word costs what its matches cost and no medium's content is read.
// It is a cache of one data file: it names that file, and one that names another, or whose
// bytes do not add up to its sums, is never used.
#pragma once

#include "catalogue/mediumadditions.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class CMedienListe;
class CMedium;
class TQuickFindQuery;
class TStream;

// One entry as a find row shows it.
struct TNameIndexRow {
    int32_t medium = 0;  // its medium's place in the catalogue
    int64_t number = 0;  // its place in the medium's depth-first walk, from 0
    std::string_view name;
    std::string path;    // the enclosing folders and its own name, joined by "/"
    int32_t kind = 0;
    int64_t size = 0;
    double date = 0;
    int32_t category = -1;
    std::string_view details; // packed pairs (entrydetails.h), empty for none
};

// Writes the index of every medium's tree in `catalogue`, for the data file `data` whose
// blocks start where the media's DataOffset says. False when the stream fails.
bool WriteNameIndex(const CMedienListe& catalogue, const TDataIdentity& data, TStream& out);

// WriteNameIndex in two halves, so that a save can write the groups while it writes the data:
// WriteGroups reads only the trees (which must not change until it returns), Finish needs the
// data file's identity and the media's final DataOffset.
class TNameIndexWriting {
public:
    explicit TNameIndexWriting(TStream& out);
    ~TNameIndexWriting();
    TNameIndexWriting(const TNameIndexWriting&) = delete;
    TNameIndexWriting& operator=(const TNameIndexWriting&) = delete;
    void WriteGroups(const CMedienListe& catalogue);
    // The groups of one medium, the media in catalogue order: its tree may go once this returns.
    void WriteMedium(const CMedium& medium);
    // False when the stream failed (in either half).
    bool Finish(const CMedienListe& catalogue, const TDataIdentity& data);

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// Where the index of the catalogue `indexFileName` lives: beside it when its folder takes new
// files, otherwise under $XDG_CACHE_HOME/shelvix/ (~/.cache), named from its full path.
std::string NameIndexPlace(const std::string& indexFileName);
// The place an existing index is read from: beside the catalogue when one is there, else the
// cache's.
std::string NameIndexToRead(const std::string& indexFileName);

// Writes the index of a catalogue opened from `catalogue.FileName` whose trees are all in
// memory (a medium without content counts as empty), for the data file its index file names;
// put in place whole or not at all. False when a tree is missing, the pair names no data
// file, or the index cannot be written. For a background task: it reads only the trees.
bool BuildNameIndex(const CMedienListe& catalogue);
// The same from the pair `pairFile` alone, its media read a few at a time and let go once
// written, so that it holds a few trees, not the catalogue's. Gives up, leaving what is in
// place, when a medium cannot be read or `stop` is set (looked at after every medium).
bool RebuildNameIndex(const std::string& pairFile, const std::atomic<bool>& stop);

class TNameIndex {
public:
    // The index in `path` when it belongs to the data file `data` and to media whose blocks
    // start at `mediumOffsets` (in catalogue order), and its tables add up; none otherwise.
    static std::unique_ptr<TNameIndex> Open(const std::string& path, const TDataIdentity& data,
                                            const std::vector<int32_t>& mediumOffsets);
    // The same over bytes in memory (kept by the index).
    static std::unique_ptr<TNameIndex> FromBytes(std::string bytes, const TDataIdentity& data,
                                                 const std::vector<int32_t>& mediumOffsets);
    // The data file the index in `bytes` names, unchecked; unknown when it has no header.
    static TDataIdentity NamedData(std::string_view bytes);
    ~TNameIndex();
    TNameIndex(const TNameIndex&) = delete;
    TNameIndex& operator=(const TNameIndex&) = delete;

    int64_t EntryCount() const;
    // Calls row() for every entry of the media `wanted` (by place; shorter means the rest are
    // not wanted) that answers `query`, media in catalogue order, entries in walk order, as
    // the find over the trees does. False when a block turns out damaged: the rows given are
    // then not the answer and the caller asks the trees instead.
    bool Find(const TQuickFindQuery& query, const std::vector<bool>& wanted,
              const std::function<void(const TNameIndexRow&)>& row) const;
    // Every entry in order, as Find gives them.
    bool ForEach(const std::function<void(const TNameIndexRow&)>& row) const;

    struct Impl;

private:
    explicit TNameIndex(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> impl_;
};
