// The name index's header, the sum over its tables, and where the cache keeps it.
#include "search/nameindex_layout.h"

#include <algorithm>
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

namespace nameindex {

std::string EncodeHeader(const THeader& h) {
    std::string out;
    PutFixed32(out, kMagic);
    PutFixed32(out, kVersion);
    PutFixed(out, h.dataSize);
    PutFixed(out, h.dataSum);
    PutFixed32(out, h.media);
    PutFixed32(out, h.blocks);
    PutFixed(out, h.entries);
    PutFixed32(out, h.trigrams);
    PutFixed32(out, h.blockEntries);
    for (uint64_t v : {h.mediaTable, h.blockTable, h.trigramTable, h.fileSize, h.tablesSum, uint64_t(0)})
        PutFixed(out, v);
    return out;
}

std::optional<THeader> DecodeHeader(std::string_view b) {
    if (b.size() < kHeaderSize || GetFixed(b.data(), 4) != kMagic || GetFixed(b.data() + 4, 4) != kVersion)
        return std::nullopt;
    THeader h;
    const char* p = b.data();
    h.dataSize = GetFixed(p + 8, 8);
    h.dataSum = GetFixed(p + 16, 8);
    h.media = uint32_t(GetFixed(p + 24, 4));
    h.blocks = uint32_t(GetFixed(p + 28, 4));
    h.entries = GetFixed(p + 32, 8);
    h.trigrams = uint32_t(GetFixed(p + 40, 4));
    h.blockEntries = uint32_t(GetFixed(p + 44, 4));
    h.mediaTable = GetFixed(p + 48, 8);
    h.blockTable = GetFixed(p + 56, 8);
    h.trigramTable = GetFixed(p + 64, 8);
    h.fileSize = GetFixed(p + 72, 8);
    h.tablesSum = GetFixed(p + 80, 8);
    return h;
}

uint64_t TablesSum(std::string_view header, std::string_view media, std::string_view blocks,
                   std::string_view trigrams) {
    TBlockSummer sum;
    std::string head(header.substr(0, kHeaderSize));
    std::fill(head.begin() + 80, head.begin() + 88, '\0');
    sum.Add(head.data(), head.size());
    for (std::string_view part : {media, blocks, trigrams}) sum.Add(part.data(), part.size());
    return sum.Sum();
}

std::string CachedNameIndexName(const std::string& indexFileName) {
    const char* xdg = std::getenv("XDG_CACHE_HOME");
    const char* home = std::getenv("HOME");
    std::string folder = xdg && *xdg == '/' ? xdg : std::string(home ? home : "") + "/.cache";
    std::string full = indexFileName;
    if (full.empty() || full[0] != '/') {
        char* cwd = ::getcwd(nullptr, 0);
        full = std::string(cwd ? cwd : "") + "/" + full;
        std::free(cwd);
    }
    std::string flat;
    for (char c : full) flat += c == '/' ? std::string("%") : c == '%' ? std::string("%%") : std::string(1, c);
    return folder + "/shelvix/" + flat + ".SXI";
}

void MakeCacheFolder(const std::string& fileName) {
    const std::string folder = fileName.substr(0, fileName.rfind('/'));
    const std::string parent = folder.substr(0, folder.rfind('/'));
    ::mkdir(parent.c_str(), 0700);
    ::mkdir(folder.c_str(), 0700);
}

} // namespace nameindex
