// Backup copies of a catalogue's two files, taken before a save replaces them, and the test
// whether two names reach the same catalogue file.
#pragma once

#include "streams.h"

#include <string>

// Home.SXF gives Home.SXF.bak.
std::string IndexBackupName(const std::string& indexFileName);
// Home.SXF gives Home.sxd.bak: the index name with its extension changed, then ".bak".
std::string DataBackupName(const std::string& indexFileName);

// Home.SXF gives Home.sxp.bak, as the data file's copy is named.
std::string PreviewsBackupName(const std::string& indexFileName);

// Copies the index file and the data file that belong to a catalogue to their backup names, one
// generation: each copy replaces the previous one. Both copies are written completely under
// temporary names first, so a copy that fails leaves the previous pair of copies as it was.
// False when either file cannot be read or a copy cannot be written.
bool MakeBackupCopies(const std::string& indexFileName, const std::string& dataFileName);

// Copies a catalogue's index and data file to `indexCopy` and `dataCopy`, checking them as the
// bytes pass: the index must read as an index, each block the index keeps a sum for must have
// it, and the whole data file the size and sum the index names. With stamps, the files must
// still be those; `damagedBlock` gets the offset of the first block that fails its sum. False,
// with the reason noted, for a pair that is not sound: a copy of a rotted
// file must never replace a good one.
bool CopyPairChecked(const std::string& indexFileName, const std::string& dataFileName,
                     const FileStamp* indexStamp, const FileStamp* dataStamp, TStream& indexCopy,
                     TStream& dataCopy, int64_t* damagedBlock = nullptr);

// True when both names are the same text, or name the same existing file by different paths
// (a link, "./", a second mount of the folder).
bool SameCatalogueFile(const std::string& a, const std::string& b);
