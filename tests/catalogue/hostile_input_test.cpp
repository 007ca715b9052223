// Catalogue, content and category files built to hurt the readers: counts and lengths far beyond
// the bytes that follow, damaged or foreign compressed data, versions from the future, trees
// deeper than any call stack, and files that are no regular files at all. Every one must be
// refused (or read) promptly, without a crash and without reserving memory for what a count
// merely claims.
#include "catalogue/IO_BZIP.h"
#include "catalogue/mediaclasses.h"
#include "support/testfiles.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#if defined(__SANITIZE_ADDRESS__)
#define SHELVIX_UNDER_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define SHELVIX_UNDER_ASAN 1
#endif
#endif

namespace {

constexpr int32_t kTag = 0x34365853; // the large-size trailer's tag
constexpr int32_t kMax = INT32_MAX;
constexpr int64_t k5GB = 5000000000LL;

// Fields as the catalogue's own writers put them on a stream.
std::string Bytes(const std::function<void(TStream&)>& write) {
    TMemoryStream s;
    write(s);
    return s.ToString();
}
std::string I(int32_t v) {
    return Bytes([&](TStream& s) { WriteInt(s, v); });
}
std::string L(int64_t v) {
    return Bytes([&](TStream& s) { WriteInt64(s, v); });
}
std::string D(double v) {
    return Bytes([&](TStream& s) { WriteDouble(s, v); });
}
std::string S(const std::string& text) {
    return Bytes([&](TStream& s) { WriteString(s, text); });
}

// An entry record: version, category, date, name, size, kind, child count.
std::string Rec(int32_t version, const std::string& name, int32_t size, int32_t kind,
                int32_t children) {
    return I(version) + I(-1) + D(45000.5) + S(name) + I(size) + I(kind) + I(children);
}

std::string Header(int32_t version, int32_t offset = 0, int32_t length = 0) {
    CMedium m(nullptr);
    m.Version = version;
    m.Name = "disc";
    m.DataOffset = offset;
    m.ContentLength = length;
    return Bytes([&](TStream& s) { m.WriteHeader(s); });
}

std::string Compressed(const std::string& content) {
    TMemoryStream in, out;
    in.Write(content.data(), content.size());
    EXPECT_TRUE(CompressToFile(in, out));
    return out.ToString();
}

// Removes the file before writing it anew: a file truncated in place is flushed on close by
// ext4, which is slow on a busy disk.
void PutFile(const std::string& path, const std::string& bytes) {
    std::remove(path.c_str());
    WriteWholeFile(path, bytes);
}

// Runs `body` in a child process that is killed after `seconds` and, outside sanitizer builds,
// may map only `extraBytes` more than the test process has now. Answers "ok" when body returned
// true, otherwise how the child ended (an exception counts as a crash: nothing catches it).
std::string Isolated(const std::function<bool()>& body, size_t extraBytes = size_t(256) << 20,
                     unsigned seconds = 20) {
    long pages = 0;
    std::ifstream("/proc/self/statm") >> pages;
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::alarm(seconds);
#ifndef SHELVIX_UNDER_ASAN
        const rlim_t limit = static_cast<rlim_t>(pages) * ::sysconf(_SC_PAGESIZE) + extraBytes;
        const rlimit rl{limit, limit};
        ::setrlimit(RLIMIT_AS, &rl);
#endif
        int code = 2;
        try {
            code = body() ? 0 : 1;
        } catch (...) {
        }
        ::_exit(code);
    }
    int status = 0;
    if (pid < 0 || ::waitpid(pid, &status, 0) != pid) return "could not fork";
    if (WIFEXITED(status)) {
        const int code = WEXITSTATUS(status);
        return code == 0 ? "ok" : code == 1 ? "wrong result" : "threw an exception";
    }
    if (WIFSIGNALED(status) && WTERMSIG(status) == SIGALRM) return "hung";
    return "killed by signal " + std::to_string(WTERMSIG(status));
}

class Hostile : public ::testing::Test {
protected:
    TempDir dir_;
};

TEST_F(Hostile, ContentBlocksClaimingMoreThanTheyHold) {
    std::string nested = I(1);
    for (int i = 0; i < 40000; ++i)
        nested += Rec(1, "", 0, kindFolder, kMax);
    const struct {
        const char* what;
        std::string block;
    } cases[] = {
        {"2,000,000,000 entries in 40 bytes", I(2000000000) + Rec(1, "", 0, kindFile, 0) + I(0)},
        {"an entry with 2,000,000,000 children", I(1) + Rec(1, "a", 0, kindFolder, 2000000000)},
        {"a name of length -1", I(1) + I(1) + I(-1) + D(0) + I(-1) + I(0) + I(0) + I(0)},
        {"a name of length 2,000,000,000", I(1) + I(1) + I(-1) + D(0) + I(2000000000) + I(0)},
        {"a name of length 2^31-1", I(1) + I(1) + I(-1) + D(0) + I(kMax) + I(0)},
        {"a trailer of 2,000,000,000 sizes",
         I(1) + Rec(1, "big", kMax, kindFile, 0) + I(kTag) + I(2000000000) + I(0) + L(k5GB)},
        // Every record claims as many children as the rest of the block could hold: what is
        // set aside for them must not add up over the depth of the tree.
        {"40,000 nested folders, each claiming 2^31-1 children", nested},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Isolated([&] {
                      TMemoryStream s;
                      s.Write(c.block.data(), c.block.size());
                      s.Seek(0);
                      CMedium m(nullptr);
                      return !m.ReadContentRecords(s) && m.EntryCount() == 0;
                  }),
                  "ok")
            << c.what;
    }
}

TEST_F(Hostile, LargeSizeTrailers) {
    // Entry 0 has a saturated size field, entry 1 a plain one.
    const std::string block = I(2) + Rec(1, "big", kMax, kindFile, 0) + Rec(1, "s", 100, 1, 0);
    auto one = [](int32_t number, int64_t size) { return I(kTag) + I(1) + I(number) + L(size); };
    const struct {
        const char* what;
        std::string trailer;
        bool ok;
        int64_t firstSize;
    } cases[] = {
        {"names the saturated entry", one(0, k5GB), true, k5GB},
        {"no trailer", "", true, kMax},
        {"an empty trailer", I(kTag) + I(0), true, kMax},
        {"bytes that are no trailer", I(7) + I(1), true, kMax},
        {"names an entry whose size is not saturated", one(1, k5GB), false, 0},
        {"names an entry past the last", one(2, k5GB), false, 0},
        {"names entry -1", one(-1, k5GB), false, 0},
        {"a size that fits the field", one(0, 100), false, 0},
        {"a size of exactly 2^31-1", one(0, kMax), false, 0},
        {"a negative size", one(0, -k5GB), false, 0},
        {"a tag without a count", I(kTag), false, 0},
        {"a count beyond the bytes", I(kTag) + I(2) + I(0) + L(k5GB), false, 0},
        {"a count of -1", I(kTag) + I(-1), false, 0},
    };
    for (const auto& c : cases) {
        TMemoryStream s;
        s.Write(block.data(), block.size());
        s.Write(c.trailer.data(), c.trailer.size());
        s.Seek(0);
        CMedium m(nullptr);
        ASSERT_EQ(m.ReadContentRecords(s), c.ok) << c.what;
        ASSERT_EQ(m.EntryCount(), c.ok ? 2 : 0) << c.what;
        if (!c.ok) continue;
        EXPECT_EQ(m.GetEntry(0)->Size, c.firstSize) << c.what;
        EXPECT_EQ(m.GetEntry(1)->Size, 100) << c.what;
    }
}

TEST_F(Hostile, DamagedContentBlocksInTheDataFile) {
    const std::string block = I(1) + Rec(1, "dir", 0, kindFolder, 1) + Rec(1, "f", 12, 1, 0);
    const std::string good = Compressed(block);
    // A flip that bzip2's own checksums catch when the whole stream is decompressed.
    std::string flipped = good;
    flipped[good.size() / 2] = static_cast<char>(flipped[good.size() / 2] ^ 0x10);
    {
        TMemoryStream in, out;
        in.Write(flipped.data(), flipped.size());
        ASSERT_FALSE(DecompressAll(in, out, true));
    }
    const int32_t length = static_cast<int32_t>(block.size());
    const struct {
        const char* what;
        std::string data;
        int32_t offset, length;
        bool ok;
    } cases[] = {
        {"the intact block", "xx" + good, 2, length, true},
        {"a content length beyond the block", "xx" + good, 2, length + 1, false},
        {"a content length of 2^31-1", "xx" + good, 2, kMax, false},
        {"a content length of 0", "xx" + good, 2, 0, false},
        {"a negative content length", "xx" + good, 2, -4, false},
        {"a negative data offset", good, -1, length, false},
        {"an offset inside the block", "xx" + good, 3, length, false},
        {"an offset past the end of the file", good, 1 << 30, length, false},
        {"truncated compressed data", good.substr(0, good.size() / 2), 0, length, false},
        {"data that is no bzip2 stream", std::string(200, 'Q'), 0, length, false},
        {"an empty data file", "", 0, length, false},
        {"a bit flip inside the compressed data", flipped, 0, length, false},
    };
    const std::string file = dir_.File("case.SXD");
    for (const auto& c : cases) {
        PutFile(file, c.data);
        EXPECT_EQ(Isolated([&] {
                      CMedium m(nullptr);
                      m.DataOffset = c.offset;
                      m.ContentLength = c.length;
                      const bool ok = m.LoadContent(file);
                      return ok == c.ok && m.ContentLoaded == ok && m.EntryCount() == (ok ? 1 : 0);
                  }),
                  "ok")
            << c.what;
    }
}

TEST_F(Hostile, FutureEntryVersionDeepInABlockFailsOnlyThatContent) {
    const std::string block = I(2) + Rec(1, "a", 0, kindFolder, 1) + Rec(1, "b", 0, kindFolder, 1) +
                              Rec(2, "from the future", 5, 1, 0) + Rec(1, "c", 5, 1, 0);
    const std::string first = Compressed(block);
    PutFile(dir_.File("Cat.SXD"), first + Compressed(I(0)));
    const int32_t firstSize = static_cast<int32_t>(first.size());
    PutFile(dir_.File("Cat.SXF"),
            Compressed(I(1) + I(0) + I(2) + Header(1, 0, static_cast<int32_t>(block.size())) +
                       Header(1, firstSize, 4)));
    CMedienListe list;
    ASSERT_TRUE(list.Load(dir_.File("Cat.SXF")));
    ASSERT_EQ(list.Count(), 2);
    CMedium* broken = list.GetMedium(0);
    EXPECT_FALSE(broken->LoadContent(list.DataFileName));
    EXPECT_FALSE(broken->ContentLoaded);
    EXPECT_EQ(broken->EntryCount(), 0);
    EXPECT_TRUE(list.GetMedium(1)->LoadContent(list.DataFileName));
}

TEST_F(Hostile, IndexFiles) {
    const std::string two = I(2) + Header(1) + Header(1);
    const std::string valid = Compressed(I(1) + I(1) + S("Music") + two);
    const struct {
        const char* what;
        std::string file; // as it is on the disk
        bool ok;
        int media;
        size_t categories;
    } cases[] = {
        {"a valid index", valid, true, 2, 1},
        {"file version 0", Compressed(I(0) + I(1) + S("Music") + two), true, 2, 1},
        {"file version 2", Compressed(I(2) + I(1) + S("Music") + two), false, 0, 0},
        {"second medium with version 2",
         Compressed(I(1) + I(1) + S("Music") + I(2) + Header(1) + Header(2)), false, 1, 1},
        {"2,000,000,000 categories", Compressed(I(1) + I(2000000000) + S("a") + S("b")), false, 0,
         2},
        {"2,000,000,000 media", Compressed(I(1) + I(0) + I(2000000000) + Header(1)), false, 1, 0},
        {"a category name of length -1", Compressed(I(1) + I(1) + I(-1)), false, 0, 0},
        {"a category name of length 2^31-1", Compressed(I(1) + I(1) + I(kMax) + "x"), false, 0, 0},
        {"truncated compressed data", valid.substr(0, valid.size() - 10), false, 0, 0},
        {"a file that is no bzip2 stream", "SXF" + std::string(100, '\0'), false, 0, 0},
        {"an empty file", "", false, 0, 0},
        {"a stream with nothing in it", Compressed(""), false, 0, 0},
    };
    const std::string file = dir_.File("Cat.SXF");
    PutFile(dir_.File("Cat.SXD"), "");
    for (const auto& c : cases) {
        PutFile(file, c.file);
        CMedienListe list;
        EXPECT_EQ(list.Load(file), c.ok) << c.what;
        EXPECT_EQ(list.Count(), c.media) << c.what;
        EXPECT_EQ(list.Categories.size(), c.categories) << c.what;
        for (int i = 0; i < list.Count(); ++i) {
            const CMedium* m = list.GetMedium(i);
            EXPECT_TRUE(m->Stored && !m->ContentLoaded && m->EntryCount() == 0) << c.what;
        }
    }
}

TEST_F(Hostile, CategoryFiles) {
    const std::string two = S("Music") + S("Films");
    const std::string valid = Compressed(I(1) + I(2) + two);
    using Names = std::vector<std::string>;
    const Names both{"Music", "Films"}, first{"Music"}, none;
    const struct {
        const char* what;
        std::string file;
        bool ok;
        Names names;
    } cases[] = {
        {"a valid list", valid, true, both},
        {"version 2", Compressed(I(2) + I(2) + two), false, none},
        {"shorter than its count", Compressed(I(1) + I(3) + two), false, both},
        {"a count of 2,000,000,000", Compressed(I(1) + I(2000000000) + S("Music")), false, first},
        {"a name of length -1", Compressed(I(1) + I(2) + S("Music") + I(-1)), false, first},
        {"a name longer than the file", Compressed(I(1) + I(2) + S("Music") + I(kMax)), false,
         first},
        {"a negative count", Compressed(I(1) + I(-5)), true, none},
        {"no names", Compressed(I(1) + I(0)), true, none},
        {"only a version", Compressed(I(1)), false, none},
        {"truncated compressed data", valid.substr(0, valid.size() / 2), false, none},
        {"a file that is no bzip2 stream", "Music,Films", false, none},
        {"an empty file", "", false, none},
    };
    const std::string file = dir_.File("list.cat");
    for (const auto& c : cases) {
        PutFile(file, c.file);
        CMedienListe catalogue;
        catalogue.Categories = {"stale"};
        EXPECT_EQ(catalogue.LoadCategories(file), c.ok) << c.what;
        EXPECT_EQ(catalogue.Categories, c.names) << c.what;
    }
}

// A named pipe never delivers end of data unless someone writes to it: opening one to read
// must not wait for a writer.
TEST_F(Hostile, PipesInPlaceOfFiles) {
    const std::string index = dir_.File("Pipe.SXF");
    ASSERT_EQ(::mkfifo(index.c_str(), 0600), 0);
    PutFile(dir_.File("Pipe.SXD"), "");
    EXPECT_EQ(Isolated([&] { return !CMedienListe().Load(index); }, size_t(256) << 20, 2), "ok");
    EXPECT_EQ(Isolated([&] { return !CMedienListe().LoadCategories(index); }, size_t(256) << 20, 2),
              "ok");
}

TEST_F(Hostile, TwoHundredThousandNestedFoldersOnTheMainThread) {
    constexpr int kDepth = 200000;
    CMedienListe source;
    auto medium = std::make_unique<CMedium>(&source);
    CFile* parent = nullptr;
    for (int i = 0; i < kDepth; ++i) {
        CFile* e = CFile::Create(medium.get(), parent);
        e->SetName("d");
        e->Kind = kindFolder;
        if (parent)
            parent->AddChild(e);
        else
            medium->AddEntry(e);
        parent = e;
    }
    medium->ContentLoaded = true;
    source.AddMedium(std::move(medium));
    const std::string file = dir_.File("Deep.SXF");
    ASSERT_TRUE(source.Save(file));

    CMedienListe loaded;
    ASSERT_TRUE(loaded.Load(file));
    CMedium* m = loaded.GetMedium(0);
    ASSERT_TRUE(m && m->LoadContent(loaded.DataFileName));
    ASSERT_EQ(m->EntryCount(), 1);
    CFile* leaf = m->GetEntry(0);
    while (leaf->ChildCount() == 1)
        leaf = leaf->GetEntry(0);
    EXPECT_EQ(leaf->ChildCount(), 0);
    int depth = 0;
    for (const CFile* up = leaf; up; up = up->Parent) {
        ASSERT_EQ(up->Medium, m);
        ++depth;
    }
    EXPECT_EQ(depth, kDepth);
}

} // namespace
