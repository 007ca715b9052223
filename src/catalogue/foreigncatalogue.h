// Reading a catalogue file of "Advanced disc catalog" (*.CAT) into a new catalogue. The file is
// read front to back with the field readers: a signature, categories, then media, each with a
// nested tree of folder levels. Nothing of the other program is needed.
#pragma once

#include "streams.h"

#include <memory>
#include <string>

class CMedienListe;

namespace foreigncatalogue {

constexpr const char* kSignature = "ADC.Catalog";
// Folder levels nested deeper than this are read past in step and left out (counted in the
// outcome): no real disc is that deep, and a hostile file must not run the reader's recursion
// off the stack.
constexpr int kMaxLevelDepth = 256;

enum class OpenStatus { Opened, CannotOpen, NotSupported };

// The open file, positioned behind the signature. The caller checks the status before it
// replaces anything, so that a file it cannot use leaves the open catalogue as it was.
struct OpenedFile {
    OpenStatus status = OpenStatus::CannotOpen;
    std::unique_ptr<TStream> stream;
};
OpenedFile Open(const std::string& fileName);

// True when the stream starts with the signature, exactly, letter case included; the stream is
// then behind it. A stream too short for it counts as a different format.
bool ReadSignature(TStream& stream);

struct Outcome {
    // Empty when the header and every medium record were read whole; else the read error's
    // message ("File Read Error: Int" and its kin). What was read before it stays.
    std::string error;
    // Folder levels that ended early at a read error (their entries read so far stay).
    int truncatedLevels = 0;
    // Entries read and left out: those nested deeper than kMaxLevelDepth, and those beneath an
    // entry whose name could not be taken.
    int64_t droppedEntries = 0;
};

// Reads everything behind the signature into `catalogue` (expected empty): categories appended
// to its list, media appended as present, unsaved media with their content in memory. Every
// medium counts as having its content, even one without entries, so that it saves as empty.
Outcome ReadBody(TStream& stream, CMedienListe& catalogue);

} // namespace foreigncatalogue
