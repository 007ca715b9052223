// What a search looks for and where, the list of its results, and the two match operations that
// decide whether a medium or an entry is a result.
#pragma once

#include "catalogue/mediaclasses.h"
#include "search/mask.h"

#include <cstdint>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The field a result row was found by. The row keeps a reference to its object and names the
// field, so that its text is read from the object when shown and nothing is copied.
enum class TMatchedField : uint8_t { MediumName, MediumLabel, MediumNotice, EntryName };

struct TSearchRow {
    static constexpr uint32_t kNotIndexed = UINT32_MAX;

    CMedium* medium = nullptr; // the medium found, or the medium of the entry found
    CFile* entry = nullptr;    // the entry found; none for a medium's rows and for indexed ones
    TMatchedField field = TMatchedField::EntryName;
    // An entry the name index found, by its row there, while its medium's tree is not in memory.
    uint32_t indexRow = kNotIndexed;

    // The found text; empty for an indexed row, whose list names it (TIndexedRows).
    std::string_view Text() const;
};

// Rows in the order they were found; the list refers to catalogue objects and owns none.
using TSearchResults = std::vector<TSearchRow>;

struct TSearchRequest {
    CMedienListe* Catalogue = nullptr;
    std::string MaskText; // as typed: not trimmed, nothing added
    bool MatchNames = false;
    bool MatchLabels = false;
    bool MatchFiles = false;
    bool MatchFolders = false;
    bool MatchNotices = false;
    bool SizeFilter = false;
    bool DateFilter = false;
    bool CaseSensitive = false;
    int32_t Category = -1; // -1: any category
    // Sizes are 64-bit: the bounds are byte counts of any size, so "from 3 GB" finds the
    // entries of 3 GiB and more.
    int64_t SizeFrom = 0;
    int64_t SizeTo = std::numeric_limits<int64_t>::max();
    double DateFrom = 0; // day counts, local time
    double DateTo = 0;
    TSearchResults* Results = nullptr;
    // "Details contain": an entry passes only when one of its details matches this mask (made
    // with the request's CaseSensitive), as a name matches the search's mask. None: not asked.
    // Like size and date, it does not apply to media.
    std::shared_ptr<const TMask> DetailsMask;

    bool MatchesEntries() const { return MatchFiles || MatchFolders; }
};

// Appends the medium's rows (name, label, notice, each when asked for and matched); true when
// at least one was appended. Size, date and kind do not apply to media.
bool MatchMedium(CMedium& medium, const TMask& mask, const TSearchRequest& request);
// Whether one of the entry's details (its value) matches `mask`.
bool DetailsMatch(const CFile& entry, const TMask& mask, bool caseSensitive);
// Appends the entry's row when it passes the category, size, date and kind tests and its name
// matches; true when it did. Inline: a search calls it for every entry.
inline bool MatchEntry(CFile& entry, const TMask& mask, const TSearchRequest& request) {
    if (request.Category >= 0 && request.Category != entry.Category) return false;
    if (request.SizeFilter && (entry.Size < request.SizeFrom || entry.Size > request.SizeTo))
        return false;
    if (request.DateFilter && (entry.Date < request.DateFrom || entry.Date > request.DateTo))
        return false;
    if (request.DetailsMask && !DetailsMatch(entry, *request.DetailsMask, request.CaseSensitive))
        return false;
    const bool kindPasses = ((entry.Kind & 2) != 0 && request.MatchFolders) ||
                            ((entry.Kind & 1) != 0 && request.MatchFiles);
    if (!kindPasses || !mask.Matches(entry.Name(), request.CaseSensitive)) return false;
    request.Results->push_back({entry.Medium, &entry, TMatchedField::EntryName});
    return true;
}

// A size field of the dialog: leading spaces, an optional sign and decimal digits, or a
// hexadecimal number after "$" or "0x" without a sign; nothing may follow. None when the text
// is no such number or does not fit 64 bits.
std::optional<int64_t> ParseSizeNumber(std::string_view text);
// The number times the unit's bytes (1, 1024, 1048576, 1073741824); none when it overflows.
std::optional<int64_t> ScaleSize(int64_t number, int64_t unitBytes);

