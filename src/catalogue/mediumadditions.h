// What a medium keeps beyond the thirteen header fields: a tagged trailer after the last medium
// header in the index file (docs/catalogue-format.md, "Medium additions"). A reader of the plain
// layout stops after the headers and never reaches it; this one reads it when it is whole and
// passes over it when it is not. Each field has an id; ids it does not know are skipped, so later
// versions may add fields without breaking this one.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

class CMedienListe;
class TMemoryStream;

struct TMediumAdditions {
    // The compressed block in the data file the medium was read from or last written to: its
    // exact length in bytes and the XXH3-64 of those bytes. BlockSummed is false for media of
    // files written before blocks carried sums, until their next save.
    bool BlockSummed = false;
    int64_t BlockBytes = 0;
    uint64_t BlockSum = 0;

    // What Add and Update learnt of the file system when they read the medium. Media read before
    // these were kept have none of it: sizes -1, time 0, folder empty.
    int64_t Capacity = -1; // bytes
    int64_t FreeSpace = -1; // bytes free for the user
    double ReadTime = 0;    // day count in local time, as entry dates
    std::string Folder;     // the folder read, from the root of its file system ("/", "/photos")
    bool HasSpace() const { return Capacity >= 0 && FreeSpace >= 0; }
    // How many pictures the previews file beside the pair holds for the medium: an open that
    // finds fewer, or no file, says the previews are lost.
    int32_t PreviewCount = 0;
};

// Field ids in the trailer. New fields take new ids; an id is never reused.
enum TAdditionField : int32_t {
    afBlockSum = 1, // Int64 block length, then the 8 bytes of the block's XXH3-64
    afSpace = 2,    // Int64 capacity, Int64 free space, Double time read (UTC day count)
    afFolder = 3,   // String: the folder read, from the root of its file system
    afPreviews = 4, // Int32: the medium's pictures in the previews file
};

// Appends the trailer for the media of `catalogue` to the index content, after the headers;
// nothing when no medium has anything to add.
void WriteMediumAdditions(TMemoryStream& index, const CMedienListe& catalogue);
// Reads the trailer from the index content's current position (right after the last header)
// into the media of `catalogue`. Nothing is changed when there is none or it is not whole.
void ReadMediumAdditions(TMemoryStream& index, CMedienListe& catalogue);

// The data file an index belongs to: its exact size and the XXH3-64 of all its bytes. Written
// after the medium additions as a trailer of its own, so that an index always names its data
// file: a save stopped between its renames is finished only onto that file, and an open
// refuses a data file of another size.
struct TDataIdentity {
    bool known = false;
    int64_t size = 0;
    uint64_t sum = 0;
};
void WriteDataIdentity(TMemoryStream& index, const TDataIdentity& identity);
// From the position right after the medium additions (or the headers, when there are none).
TDataIdentity ReadDataIdentity(TMemoryStream& index);

// XXH3-64 of `size` bytes, and the same sum built piece by piece.
uint64_t BlockSumOf(const void* bytes, size_t size);
class TBlockSummer {
public:
    TBlockSummer();
    ~TBlockSummer();
    TBlockSummer(const TBlockSummer&) = delete;
    TBlockSummer& operator=(const TBlockSummer&) = delete;
    void Reset();
    void Add(const void* bytes, size_t size);
    uint64_t Sum() const;

private:
    void* state_;
};

// The XXH3-128 of bytes given piece by piece, as its low and high halves: equal to the sum of
// all the pieces at once.
class TWideSummer {
public:
    TWideSummer();
    ~TWideSummer();
    TWideSummer(const TWideSummer&) = delete;
    TWideSummer& operator=(const TWideSummer&) = delete;
    void Add(const void* bytes, size_t size);
    std::array<uint64_t, 2> Sum() const;

private:
    void* state_;
};
