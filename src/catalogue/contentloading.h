// Reading many media's contents at once: workers decompress and build the trees of the media
// a few places ahead while the calling thread uses each medium in catalogue order.
#pragma once

#include "mediumadditions.h"
#include "streams.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class CMedienListe;
class CMedium;

// Brings the contents of `media` in from `dataFileName` (those already in memory are not read
// again) and hands each medium, in the given order, to `use` on the calling thread with whether
// its content is in memory. `use` answers false to stop: the media not yet handed over may or
// may not have been loaded. Each medium must stay untouched by others until it is handed over.
void LoadContentsInOrder(const std::vector<CMedium*>& media, const std::string& dataFileName,
                         const std::function<bool(CMedium&, bool loaded)>& use);
// Every medium of the catalogue, from its own data file.
void LoadContentsInOrder(CMedienListe& catalogue,
                         const std::function<bool(CMedium&, bool loaded)>& use);

// Puts the calling thread, and the threads it starts from now on, behind the threads doing
// what the user waits for.
void LowerThisThreadsPriority();

// A medium's block as its owner knew it when the reading began, and the content a worker read
// from it into a medium of its own, whose entries already name `medium` as theirs: the owner
// takes it over with AdoptContent when the block is still the medium's.
struct TDetachedContent {
    CMedium* medium = nullptr;
    int32_t dataOffset = -1;
    int32_t contentLength = 0;
    std::unique_ptr<CMedium> loaded; // none when the block could not be read
    TMediumAdditions additions;      // the block's sum, checked as it is read
};

// Reads the blocks of `contents` from `dataFileName`, which must still be `expected` (the file
// the catalogue was read with: a tree from another file is never handed over), on workers of low priority, a few at a
// time, and hands each to `read` on the calling thread in the given order. The media
// themselves are never touched (nor dereferenced), so their owner goes on using them, and may
// free them once this returns. Ends early, handing over nothing more, when `stop` is set.
void ReadContentsDetached(std::vector<TDetachedContent> contents, const std::string& dataFileName,
                          const FileStamp& expected, const std::atomic<bool>& stop,
                          const std::function<void(TDetachedContent&)>& read);
