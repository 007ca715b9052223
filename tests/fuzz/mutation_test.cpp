// Valid catalogue streams, written by the catalogue itself, damaged in thousands of reproducible
// ways and read back. The readers must not crash, must not make up more data than the bytes can
// hold, must leave a medium whose content failed with no entries, and what they accept must come
// back unchanged through another write and read.
#include "catalogue/IO_BZIP.h"
#include "catalogue/mediaclasses.h"
#include "fuzz/samplecatalogue.h"
#include "support/testfiles.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <random>
#include <unistd.h>
#include <vector>

namespace {

constexpr int32_t kBigCounts[] = {0x7FFFFFFF, -1, 2000000000, INT32_MIN, 0x40000000, 65536};
constexpr size_t kSmallestRecord = 32; // seven Ints and an empty name
constexpr size_t kSmallestHeader = 56; // twelve Ints (four are lengths of empty texts), an Int64

void PutInt(std::string& bytes, size_t at, int32_t value) {
    for (size_t i = 0; i < 4 && at + i < bytes.size(); ++i)
        bytes[at + i] = static_cast<char>(static_cast<uint32_t>(value) >> (8 * i));
}

// One to three random changes per call. std::mt19937 yields the same numbers everywhere; only
// its raw output is used, so the damage is the same on every platform.
class Mutator {
public:
    explicit Mutator(uint32_t seed) : rng_(seed) {}

    std::string operator()(std::string bytes) {
        const uint32_t changes = 1 + Below(3);
        for (uint32_t i = 0; i < changes; ++i) {
            const size_t at = Below(static_cast<uint32_t>(bytes.size() + 1));
            switch (Below(6)) {
            case 0:
                if (at < bytes.size()) bytes[at] = static_cast<char>(bytes[at] ^ (1u << Below(8)));
                break;
            case 1:
                bytes.resize(at);
                break;
            case 2:
                for (uint32_t n = 1 + Below(8); n > 0; --n)
                    bytes.insert(bytes.begin() + static_cast<std::ptrdiff_t>(at),
                                 static_cast<char>(Below(256)));
                break;
            case 3:
                PutInt(bytes, at, kBigCounts[Below(std::size(kBigCounts))]);
                break;
            case 4:
                bytes.erase(at, 1 + Below(16));
                break;
            default:
                if (at < bytes.size()) bytes[at] = static_cast<char>(Below(256));
                break;
            }
        }
        return bytes;
    }

private:
    uint32_t Below(uint32_t bound) { return bound ? static_cast<uint32_t>(rng_() % bound) : 0; }
    std::mt19937 rng_;
};

// Every big count at every byte position, then `randomRounds` random mutations.
std::vector<std::string> Damaged(const std::string& valid, int randomRounds, uint32_t seed) {
    std::vector<std::string> out;
    for (size_t at = 0; at < valid.size(); ++at)
        for (int32_t value : kBigCounts) {
            std::string bytes = valid;
            PutInt(bytes, at, value);
            out.push_back(std::move(bytes));
        }
    Mutator mutate(seed);
    for (int i = 0; i < randomRounds; ++i)
        out.push_back(mutate(valid));
    return out;
}

// Thousands of small files are written and read. They go to /dev/shm when there is one: on a
// busy disk every rewrite waits for the file system's journal.
std::unique_ptr<TempDir> ScratchDir() {
    const char* old = std::getenv("TMPDIR");
    const std::string saved = old ? old : "";
    if (::access("/dev/shm", W_OK) == 0) ::setenv("TMPDIR", "/dev/shm", 1);
    auto dir = std::make_unique<TempDir>();
    if (old)
        ::setenv("TMPDIR", saved.c_str(), 1);
    else
        ::unsetenv("TMPDIR");
    return dir;
}

void Fill(TMemoryStream& s, const std::string& bytes) {
    s.Write(bytes.data(), bytes.size());
    s.Seek(0);
}

// Every entry below the medium as "depth|name|kind|size|category|date|children", depth first;
// fails the test when an entry does not point back at its parent and medium.
std::vector<std::string> Describe(const CMedium& m) {
    std::vector<std::string> lines;
    struct Frame {
        const CFile* e;
        int depth;
    };
    std::vector<Frame> stack;
    for (int i = m.EntryCount() - 1; i >= 0; --i)
        stack.push_back({m.GetEntry(i), 0});
    while (!stack.empty()) {
        const Frame f = stack.back();
        stack.pop_back();
        EXPECT_EQ(f.e->Medium, &m);
        lines.push_back(std::to_string(f.depth) + "|" + std::string(f.e->Name()) + "|" +
                        std::to_string(f.e->Kind) + "|" + std::to_string(f.e->Size) + "|" +
                        std::to_string(f.e->Category) + "|" + std::to_string(f.e->Date) + "|" +
                        std::to_string(f.e->ChildCount()));
        for (int i = f.e->ChildCount() - 1; i >= 0; --i) {
            EXPECT_EQ(f.e->GetEntry(i)->Parent, f.e);
            stack.push_back({f.e->GetEntry(i), f.depth + 1});
        }
    }
    return lines;
}

class Mutation : public ::testing::Test {
protected:
    void SetUp() override {
        savedBias_ = ZoneBias();
        SetZoneBias(0);
        sample::FillCatalogue(source_);
    }
    void TearDown() override { SetZoneBias(savedBias_); }

    CMedienListe source_;

private:
    double savedBias_ = 0;
};

// A read of `bytes` into a fresh medium; checks what any result must satisfy.
void ReadBlockChecked(const std::string& bytes, bool& ok, std::vector<std::string>& tree) {
    TMemoryStream stream;
    Fill(stream, bytes);
    CMedium medium(nullptr);
    ok = medium.ReadContentRecords(stream);
    tree = Describe(medium);
    if (!ok) {
        EXPECT_EQ(medium.EntryCount(), 0);
        return;
    }
    EXPECT_LE(tree.size() * kSmallestRecord + 4, bytes.size());
    TMemoryStream first, second;
    ASSERT_TRUE(medium.WriteContentRecords(first));
    first.Seek(0);
    CMedium again(nullptr);
    ASSERT_TRUE(again.ReadContentRecords(first));
    ASSERT_TRUE(again.WriteContentRecords(second));
    EXPECT_EQ(first.ToString(), second.ToString());
    EXPECT_EQ(Describe(again).size(), tree.size()); // dates of -0 come back as 0: not compared
}

TEST_F(Mutation, ContentBlocksInMemory) {
    const std::string valid = sample::ContentBlock(*source_.GetMedium(0));
    bool ok = false;
    std::vector<std::string> tree;
    ReadBlockChecked(valid, ok, tree);
    ASSERT_TRUE(ok);
    EXPECT_EQ(tree, Describe(*source_.GetMedium(0)));

    int accepted = 0;
    for (const std::string& bytes : Damaged(valid, 10000, 1)) {
        ReadBlockChecked(bytes, ok, tree);
        accepted += ok;
        if (HasFailure()) {
            ADD_FAILURE() << "block of " << bytes.size() << " bytes";
            return;
        }
    }
    // Damage to names, dates and sizes is undetectable: some reads must still succeed.
    EXPECT_GT(accepted, 0);
}

TEST_F(Mutation, ContentBlocksFromTheDataFile) {
    const auto scratch = ScratchDir();
    const TempDir& dir = *scratch;
    const std::string data = dir.File("Cat.SXD");
    const std::string valid = sample::ContentBlock(*source_.GetMedium(0));
    const std::string compressed = sample::Compressed(valid);
    ASSERT_FALSE(compressed.empty());
    Mutator mutate(2);
    for (int round = 0; round < 400; ++round) {
        // Even rounds damage the records before compression, odd rounds the compressed bytes.
        const bool records = round % 2 == 0;
        const std::string bytes = records ? mutate(valid) : valid;
        std::remove(data.c_str());
        WriteWholeFile(data, "junk" + (records ? sample::Compressed(bytes) : mutate(compressed)));
        CMedium medium(nullptr);
        medium.DataOffset = 4;
        medium.ContentLength = static_cast<int32_t>(bytes.size());
        const bool ok = medium.LoadContent(data);
        EXPECT_EQ(ok, medium.ContentLoaded);
        if (!ok) {
            EXPECT_EQ(medium.EntryCount(), 0) << "round " << round;
        } else if (!records) {
            EXPECT_EQ(Describe(medium), Describe(*source_.GetMedium(0))) << "round " << round;
        }
        if (HasFailure()) return;
    }
}

// bzip2 checks every block and the whole stream against checksums stored after the data; a
// reader that stops as soon as it has its bytes must still get to them. Every single-bit flip
// that the checksums reject must make the block unreadable.
TEST_F(Mutation, EveryBitFlipOfACompressedBlock) {
    const std::string block = sample::ContentBlock(*source_.GetMedium(0));
    const std::string good = sample::Compressed(block);
    int damaged = 0;
    for (size_t bit = 0; bit < good.size() * 8; ++bit) {
        std::string bytes = good;
        bytes[bit / 8] = static_cast<char>(bytes[bit / 8] ^ (1 << (bit % 8)));
        TMemoryStream whole, all, file, counted;
        Fill(whole, bytes);
        if (DecompressAll(whole, all, true)) continue; // a flip in bits that carry nothing
        ++damaged;
        Fill(file, bytes);
        if (DecompressCount(file, counted, static_cast<int64_t>(block.size()))) {
            ADD_FAILURE() << "bit " << bit << " of " << good.size() * 8 << " flipped: accepted, "
                          << (counted.ToString() == block ? "same" : "different") << " content";
            return;
        }
    }
    EXPECT_GT(damaged, 0);
}

TEST_F(Mutation, IndexFiles) {
    const auto scratch = ScratchDir();
    const TempDir& dir = *scratch;
    const std::string index = dir.File("Cat.SXF");
    ASSERT_TRUE(source_.Save(index));
    const std::string valid = sample::DecompressedFile(index);
    ASSERT_FALSE(valid.empty());

    {
        CMedienListe loaded;
        ASSERT_TRUE(loaded.Load(index));
        ASSERT_EQ(loaded.Count(), source_.Count());
        EXPECT_EQ(loaded.Categories, source_.Categories);
        for (int i = 0; i < loaded.Count(); ++i) {
            CMedium* m = loaded.GetMedium(i);
            EXPECT_EQ(m->Name, source_.GetMedium(i)->Name);
            ASSERT_TRUE(m->LoadContent(loaded.DataFileName));
            EXPECT_EQ(Describe(*m), Describe(*source_.GetMedium(i)));
        }
    }

    // Damaged indexes beside the intact data file: their offsets and lengths point anywhere.
    for (const std::string& bytes : Damaged(valid, 1000, 3)) {
        TMemoryStream content;
        Fill(content, bytes);
        std::remove(index.c_str()); // a file truncated in place is flushed on close by ext4
        ASSERT_TRUE(SaveCompressedFile(content, index));
        CMedienListe loaded;
        const bool ok = loaded.Load(index);
        size_t nameBytes = 0;
        for (const std::string& name : loaded.Categories)
            nameBytes += 4 + name.size();
        EXPECT_LE(nameBytes, bytes.size());
        EXPECT_LE(loaded.Count() * kSmallestHeader, bytes.size());
        for (int i = 0; i < loaded.Count(); ++i) {
            CMedium* m = loaded.GetMedium(i);
            EXPECT_TRUE(m->Stored && !m->ContentLoaded && m->EntryCount() == 0);
            if (!ok) continue;
            const bool content = m->LoadContent(loaded.DataFileName);
            EXPECT_EQ(content, m->ContentLoaded);
            if (!content) {
                EXPECT_EQ(m->EntryCount(), 0);
            }
        }
        if (HasFailure()) {
            ADD_FAILURE() << "index of " << bytes.size() << " bytes";
            return;
        }
    }
}

TEST_F(Mutation, CategoryFiles) {
    const auto scratch = ScratchDir();
    const TempDir& dir = *scratch;
    const std::string file = dir.File("list.cat");
    ASSERT_TRUE(source_.SaveCategories(file));
    const std::string valid = sample::DecompressedFile(file);
    {
        CMedienListe loaded;
        ASSERT_TRUE(loaded.LoadCategories(file));
        EXPECT_EQ(loaded.Categories, source_.Categories);
    }
    for (const std::string& bytes : Damaged(valid, 1500, 4)) {
        TMemoryStream content;
        Fill(content, bytes);
        std::remove(file.c_str());
        ASSERT_TRUE(SaveCompressedFile(content, file));
        CMedienListe loaded;
        const bool ok = loaded.LoadCategories(file);
        // Names kept, whole or up to a failure, come after the version and the count.
        size_t nameBytes = loaded.Categories.empty() ? 0 : 8;
        for (const std::string& name : loaded.Categories)
            nameBytes += 4 + name.size();
        EXPECT_LE(nameBytes, bytes.size());
        if (ok) {
            // What was accepted is a list that saves and loads back as it is.
            std::remove(file.c_str());
            ASSERT_TRUE(loaded.SaveCategories(file));
            CMedienListe again;
            ASSERT_TRUE(again.LoadCategories(file));
            EXPECT_EQ(again.Categories, loaded.Categories);
        }
    }
}

} // namespace
