// What follows the last entry record of a content block (docs/catalogue-format.md).
#pragma once

#include "contentrecords.h"
#include "entrydetails.h"

#include <string>
#include <vector>

// Everything after the last entry record: the sizes trailer, then the details trailer. The
// details trailer always comes behind a sizes trailer (an empty one when no size needs it),
// because a reader of the sizes trailer takes the Int after the records to be its tag.
template <typename S>
void WriteContentTrailers(S& stream, const std::vector<contentrecords::LargeSize>& large,
                          const EntryList& roots) {
    const std::string details = DetailsTrailer(roots);
    if (large.empty() && !details.empty()) {
        WriteInt(stream, contentrecords::kLargeSizeTag);
        WriteInt(stream, 0);
    }
    contentrecords::WriteLargeSizes(stream, large);
    if (!details.empty() && stream.Write(details.data(), details.size()) != details.size())
        throw EShelvixError("File Write Error: String");
}

