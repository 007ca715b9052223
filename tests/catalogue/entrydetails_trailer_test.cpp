// Details in the content block's trailer: back as they went in, beside the sizes trailer,
// unknown keys kept, and damage that costs the details only.
#include "catalogue/IO_BZIP.h"
#include "catalogue/entrywalk.h"
#include "catalogue/mediaclasses.h"
#include "support/catalogue_text.h"

#include <gtest/gtest.h>

namespace {

struct Tree {
    CMedienListe cat;
    CMedium& m = *cat.AddMedium(std::make_unique<CMedium>(&cat));
    CFile* folder = AddTestEntry(m, nullptr, "photos", kindFolder);
    CFile* photo = AddTestEntry(m, folder, "IMG_1.JPG", kindFile, 100);
    CFile* big = AddTestEntry(m, folder, "film.mkv", kindFile, 5LL << 30);
    CFile* song = AddTestEntry(m, nullptr, "song.mp3", kindFile, 50);
};

// The block written and read into a fresh medium; the pairs of each entry in depth-first order.
std::vector<TDetailPairs> RoundTrip(const CMedium& m, bool* ok = nullptr, int64_t* left = nullptr) {
    TMemoryStream block;
    EXPECT_TRUE(m.WriteContentRecords(block));
    block.Seek(0);
    CMedienListe cat;
    CMedium read(&cat);
    const bool loaded = read.ReadContentRecords(block);
    if (ok) *ok = loaded;
    if (left) *left = block.Remaining();
    std::vector<TDetailPairs> pairs;
    WalkEntries(read.Entries(), [&](const CFile* e) {
        pairs.push_back(read.Details.Get(e));
        return false;
    });
    return pairs;
}

} // namespace

TEST(EntryDetailsTrailer, DetailsComeBackWithTheirEntries) {
    const TDetailPairs photo{{"width", "4000"}, {"taken", "2019-06-05T14:03:02"}, {"make", "Canon"}};
    const TDetailPairs film{{"duration", "5400.5"}, {"codec", "h264"}};
    const TDetailPairs song{{"artist", "ABBA"}, {"x-later-key", "kept as it came"}};
    const struct {
        const char* what;
        bool withBig; // a size of 2 GiB or more also needs the sizes trailer
    } cases[] = {{"with the sizes trailer in front", true}, {"with an empty sizes trailer in front", false}};
    for (const auto& c : cases) {
        Tree t;
        if (!c.withBig) t.big->Size = 7;
        t.m.Details.Set(t.photo, photo);
        t.m.Details.Set(t.big, film);
        t.m.Details.Set(t.song, song);
        int64_t left = -1;
        bool ok = false;
        const auto back = RoundTrip(t.m, &ok, &left);
        ASSERT_TRUE(ok) << c.what;
        EXPECT_EQ(left, 0) << c.what;
        EXPECT_EQ(back, (std::vector<TDetailPairs>{{}, photo, film, song})) << c.what;
    }
}

TEST(EntryDetailsTrailer, NoDetailsWritesTheBlockAsBefore) {
    Tree t;
    TMemoryStream before, after;
    ASSERT_TRUE(t.m.WriteContentRecords(before));
    t.m.Details.Set(t.photo, {{"width", "1"}});
    t.m.Details.Set(t.photo, {});
    ASSERT_TRUE(t.m.WriteContentRecords(after));
    EXPECT_EQ(after.ToString(), before.ToString());
}

TEST(EntryDetailsTrailer, ValuesAreCutToTheLimitAtACharacterStart) {
    Tree t;
    std::string title(1023, 'a');
    title += "\xC3\xA4\xC3\xA4"; // the cut at 1,024 would split the first ä
    t.m.Details.Set(t.song, {{"title", title}});
    const auto back = RoundTrip(t.m);
    ASSERT_EQ(back[3].size(), 1u);
    EXPECT_EQ(back[3][0].second, std::string(1023, 'a'));
}

TEST(EntryDetailsTrailer, DamageCostsTheDetailsOnly) {
    Tree t;
    t.m.Details.Set(t.song, {{"artist", "ABBA"}});
    TMemoryStream good;
    ASSERT_TRUE(t.m.WriteContentRecords(good));
    const std::string bytes = good.ToString();
    const size_t tag = bytes.rfind("SXDT");
    ASSERT_NE(tag, std::string::npos);
    const struct {
        const char* what;
        std::string block;
    } cases[] = {
        {"cut short", bytes.substr(0, bytes.size() - 3)},
        {"an entry number past the last entry", bytes.substr(0, tag + 8) + std::string("\x09\0\0\0", 4) + bytes.substr(tag + 12)},
        {"a count far beyond the bytes", bytes.substr(0, tag + 4) + std::string("\xff\xff\xff\x0f", 4) + bytes.substr(tag + 8)},
    };
    for (const auto& c : cases) {
        TMemoryStream block;
        block.Write(c.block.data(), c.block.size());
        block.Seek(0);
        CMedienListe cat;
        CMedium read(&cat);
        ASSERT_TRUE(read.ReadContentRecords(block)) << c.what;
        EXPECT_EQ(read.EntryCount(), 2) << c.what;
        EXPECT_TRUE(read.Details.Empty()) << c.what;
    }
}
