// Shared pieces of the fuzz targets: a check that stops the run with a message, and a scratch
// folder that lives as long as the fuzzing process.
#pragma once

#include "catalogue/IO_BZIP.h"
#include "catalogue/mediaclasses.h"
#include "support/testfiles.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#define FUZZ_CHECK(condition)                                                                      \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition);     \
            std::abort();                                                                          \
        }                                                                                          \
    } while (0)

namespace fuzz {

inline const TempDir& Scratch() {
    static const TempDir dir;
    return dir;
}

// Files are removed before they are written anew: truncating a file in place makes ext4 flush
// it to the disk on close, which would slow every run down to the disk's pace.
inline void WriteBytes(const std::string& path, const uint8_t* data, size_t size) {
    std::remove(path.c_str());
    WriteWholeFile(path, std::string(reinterpret_cast<const char*>(data), size));
}

// Compresses `size` bytes into the file, as the catalogue writes its files.
inline void WriteCompressed(const std::string& path, const uint8_t* data, size_t size) {
    TMemoryStream content;
    content.Write(data, size);
    std::remove(path.c_str());
    auto file = TFileStream::Open(path, TFileStream::Mode::CreateOrTruncate);
    FUZZ_CHECK(file && CompressToFile(content, *file));
}

// Number of entries below a list, parents before children; also checks that every entry points
// back at its parent and its medium.
inline size_t CheckedTreeSize(const CMedium& medium) {
    size_t total = 0;
    struct Frame {
        const EntryList* list;
        const CFile* parent;
    };
    std::vector<Frame> stack{{&medium.Entries(), nullptr}};
    while (!stack.empty()) {
        const Frame frame = stack.back();
        stack.pop_back();
        for (const CFile* e : *frame.list) {
            FUZZ_CHECK(e && e->Parent == frame.parent && e->Medium == &medium);
            // No name read from a block may lead out of its folder.
            FUZZ_CHECK(AcceptableEntryName(e->Name()));
            ++total;
            if (e->ChildCount() > 0) stack.push_back({&e->Children(), e});
        }
    }
    return total;
}

} // namespace fuzz
