// Shared by the scan tests: the shape of an entry tree as one line of text, a medium's counts,
// and a RAR archive in memory.
#pragma once

#include "catalogue/mediaclasses.h"
#include "scan/archivenesting.h"

#include <algorithm>
#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

// "a/[x.txt] b.txt z.zip*" is folder a holding x.txt, then the file b.txt, then an archive.
// `sorted` orders siblings by name, for trees read from the file system, which lists folders in
// no particular order.
inline std::string TreeShape(const EntryList& entries, bool sorted = false) {
    std::vector<std::string> parts;
    for (const CFile* e : entries) {
        std::string part(e->Name());
        part += e->Kind == kindFolder ? "/" : e->Kind == kindArchive ? "*" : "";
        if (e->ChildCount() > 0) part += "[" + TreeShape(e->Children(), sorted) + "]";
        parts.push_back(part);
    }
    if (sorted) std::sort(parts.begin(), parts.end());
    std::string text;
    for (const std::string& part : parts) text += (text.empty() ? "" : " ") + part;
    return text;
}

struct Counts {
    int32_t folders, files;
    int64_t total;
    bool operator==(const Counts&) const = default;
};
inline Counts CountsOf(const CMedium& m) { return {m.FolderCount, m.FileCount, m.TotalSize}; }
inline std::ostream& operator<<(std::ostream& out, const Counts& c) {
    return out << "{folders " << c.folders << ", files " << c.files << ", total " << c.total << "}";
}

struct Member {
    std::string path;
    uint32_t attributes = 0;
    int64_t size = 1;
    uint32_t dos = 0x50220000; // 2020-01-02 00:00:00
};

// Reports `members`, failing the read of header `failReadAt` or the skip of member `failSkipAt`.
class FakeRar : public IRarArchive {
public:
    explicit FakeRar(std::vector<Member> list) : members(std::move(list)) {}
    std::vector<Member> members;
    size_t failReadAt = SIZE_MAX, failSkipAt = SIZE_MAX;
    int ReadHeader(RarHeader& h) override {
        if (next_ >= members.size() || next_ == failReadAt) return 1;
        const Member& m = members[next_];
        h = {m.path, m.attributes, m.size, m.dos, {}};
        return 0;
    }
    int SkipMember() override { return next_++ == failSkipAt ? 22 : 0; }

private:
    size_t next_ = 0;
};
