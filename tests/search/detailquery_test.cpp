// Find words that ask about details: text, number comparisons, ranges and dates.
#include "catalogue/mediaclasses.h"
#include "search/quickfind.h"
#include "search/searchrequest.h"
#include "support/catalogue_text.h"

#include <gtest/gtest.h>

TEST(DetailQuery, WordsAgainstOneEntry) {
    CMedienListe cat;
    CMedium& m = *cat.AddMedium(std::make_unique<CMedium>(&cat));
    CFile* song = AddTestEntry(m, nullptr, "track03.mp3", kindFile, 10);
    CFile* photo = AddTestEntry(m, nullptr, "IMG_4711.JPG", kindFile, 10);
    CFile* plain = AddTestEntry(m, nullptr, "abba.txt", kindFile, 10);
    m.Details.Set(song, {{"artist", "ABBA"}, {"year", "1976"}, {"duration", "217.87"}});
    m.Details.Set(photo, {{"width", "4000"}, {"taken", "2019-06-05T14:03:02"}, {"make", "Canon"}});
    const struct {
        const char* what;
        const char* text;
        const CFile* entry;
        bool matches;
    } cases[] = {
        {"text in a detail, a-z folded", "artist:abba", song, true},
        {"... not in the name", "artist:abba", plain, false},
        {"plain words still look at names only", "abba", song, false},
        {"... and find names", "abba", plain, true},
        {"a number above", "width:>3000", photo, true},
        {"a number not above", "width:>4000", photo, false},
        {"a number below, with a fraction", "duration:<300.5", song, true},
        {"a range holds both ends", "year:1976..1979", song, true},
        {"outside the range", "year:1980..1989", song, false},
        {"the year of a date", "taken:2019", photo, true},
        {"the month of a date", "taken:2019-06", photo, true},
        {"another month", "taken:2019-07", photo, false},
        {"an entry without the detail", "width:>1", song, false},
        {"a name word and a detail word together", "IMG artist:abba", photo, false},
        {"both found", "IMG make:can", photo, true},
        {"a key the catalogue does not know is a name word", "c:abba", plain, false},
        {"a comparison with no number compares as text", "width:>big", photo, false},
    };
    for (const auto& c : cases) {
        const auto query = TQuickFindQuery::Compile(c.text);
        ASSERT_TRUE(query) << c.what;
        EXPECT_EQ(query->Matches(*c.entry), c.matches) << c.what;
    }
}

TEST(DetailQuery, DetailsContainIsAMaskOverEveryValue) {
    CMedienListe cat;
    CMedium& m = *cat.AddMedium(std::make_unique<CMedium>(&cat));
    CFile* song = AddTestEntry(m, nullptr, "track03.mp3", kindFile, 10);
    CFile* bare = AddTestEntry(m, nullptr, "notes.txt", kindFile, 10);
    m.Details.Set(song, {{"artist", "ABBA"}, {"taken", "x"}, {"year", "1976"}});
    const struct {
        const char* what;
        const char* mask;
        bool caseSensitive;
        const CFile* entry;
        bool matches;
    } cases[] = {
        {"any value, from its start", "ABBA", false, song, true},
        {"letter case as the search says", "abba", true, song, false},
        {"a mask", "19?6", false, song, true},
        {"keys are not values", "artist", false, song, false},
        {"no details, no match", "*", false, bare, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DetailsMatch(*c.entry, TMask(c.mask, c.caseSensitive), c.caseSensitive), c.matches) << c.what;
}
