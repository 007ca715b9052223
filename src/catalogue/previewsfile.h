// The previews file beside a catalogue's pair (NAME.SXP, docs/catalogue-format.md, "Previews"):
// a header naming the data file it was saved with, the pictures back to back, and an index of
// them by medium and entry number. An open reads the header and the index; a picture is one
// read of its own bytes, checked against its sum.
#pragma once

#include "entrypreviews.h"
#include "mediumadditions.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class CMedienListe;
class TStream;

constexpr size_t kPreviewsHeaderBytes = 56;
// An index larger than this is not one this program wrote (some million pictures).
constexpr uint32_t kPreviewsIndexLimit = 64u << 20;

struct TPreviewsIndex {
    TDataIdentity data; // the data file saved together with it
    uint64_t indexSum = 0; // XXH3-64 of the index file's content (after decompression)
    int64_t indexOffset = 0;
    uint32_t indexLength = 0;
    std::vector<std::vector<TStoredPreview>> media; // in catalogue order, ascending numbers
};

// The sum the header ends with: of its first 48 bytes and of the index.
uint64_t PreviewsHeaderSum(std::string_view header, std::string_view index);
// The header's fields; false when it is no previews header of this version.
bool ParsePreviewsHeader(std::string_view header, TPreviewsIndex& read);
// The index that the header announced (the header's sum covers both); false when it is not whole.
bool ParsePreviewsIndex(std::string_view header, std::string_view index, TPreviewsIndex& read);
// Both from a whole file's bytes.
bool ParsePreviewsBytes(std::string_view file, TPreviewsIndex& read);

// Writes a previews file: the pictures as they are added, then the index and the header.
class TPreviewsWriter {
public:
    explicit TPreviewsWriter(TStream& file);
    void BeginMedium();
    // Numbers ascend within a medium.
    bool Add(int32_t number, std::string_view jpeg);
    // `indexSum`: of the index file's content, as written with it.
    bool Finish(const TDataIdentity& data, uint64_t indexSum);
    const std::vector<std::vector<TStoredPreview>>& Media() const { return media_; }
    size_t MediumCount(size_t medium) const { return media_[medium].size(); }

private:
    TStream& file_;
    bool ok_ = true;
    int64_t at_ = int64_t(kPreviewsHeaderBytes);
    std::vector<std::vector<TStoredPreview>> media_;
};

// Copies the previews `catalogue` holds for its medium `position` to `writer`: the stored ones
// whose bytes are still whole, and those set since.
void WriteMediumPreviews(const CMedienListe& catalogue, int position, TPreviewsWriter& writer);
// Whether any medium of `catalogue` holds a preview.
bool CatalogueHasPreviews(const CMedienListe& catalogue);

// Whether the file's header and index are whole (its pictures are checked as they are read).
bool PreviewsFileWhole(const std::string& fileName);
// Copies a file's bytes to `copy`; false when it cannot be read or `copy` written.
bool CopyWholeFile(const std::string& fileName, TStream& copy);

// Gives the media of a catalogue just read their stored previews from `fileName`, which must have
// been saved with the data file `data` and the index content of sum `indexSum`. Returns a text for the user when previews were expected
// (a medium's additions count them) and the file is missing, damaged or of another save; the
// catalogue then has none. Empty when all is well.
std::string AttachPreviewsFile(CMedienListe& catalogue, const std::string& fileName, const TDataIdentity& data,
                               uint64_t indexSum);
// After a save: the media take their pictures from the file just put in place.
void ReattachPreviews(CMedienListe& catalogue, const std::string& fileName,
                      const std::vector<std::vector<TStoredPreview>>& media);
