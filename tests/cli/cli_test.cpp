// shelvix-cli run as a separate program against catalogues built with the core.
#include "language/messagetable.h"
#include "catalogue/IO_BZIP.h"
#include "catalogue/failurereasons.h"
#include "catalogue/mediaclasses.h"
#include "support/clirun.h"
#include "text/textescape.h"
#include "support/catalogue_text.h"
#include "support/testfiles.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <sys/stat.h>
#include <unistd.h>
#include <sstream>
#include <string>
#include <vector>

namespace {

using json = nlohmann::ordered_json; // keeps the order the fields were written in

constexpr int64_t kThreeGiB = int64_t(3) << 30;
const std::string kOddName = "Holiday \xFF\\x41 \"q\"\x01";

CMedium& AddMedium(CMedienListe& cat, const std::string& name, const std::string& serial) {
    auto m = std::make_unique<CMedium>(&cat);
    m->Name = name;
    m->VolumeLabel = name;
    m->Serial = serial;
    m->ContentLoaded = true;
    return *cat.AddMedium(std::move(m));
}

class CliTest : public ::testing::Test {
protected:
    void SetUp() override {
        cat_.Categories = {"Music", "Films", "Fotos\xFF"};
        CMedium& holiday = AddMedium(cat_, kOddName, "1A2B3C4D");
        holiday.Notice = "line1\nline2\t\\";
        holiday.Category = 1;
        holiday.DriveType = 5;
        CFile* photos = AddTestEntry(holiday, nullptr, "Photos", kindFolder, 0, 45000.5, 0);
        CFile* year = AddTestEntry(holiday, photos, "2023", kindFolder, 0, 45001.25);
        AddTestEntry(holiday, year, "big.iso", kindFile, kThreeGiB, 45002.123456789, 2);
        AddTestEntry(holiday, nullptr, "readme\xC0\xAF.txt", kindFile, 1234, 45003.0);
        CFile* zip = AddTestEntry(holiday, nullptr, "a.zip", kindArchive, 99, 45004.75);
        AddTestEntry(holiday, zip, "inner.txt", kindFile, 50, 44000.0);
        holiday.FolderCount = 2;
        holiday.FileCount = 4;
        holiday.TotalSize = kThreeGiB + 1234 + 99 + 50;

        CMedium& old = AddMedium(cat_, "Old disc", "00000000");
        old.Present = false;

        CMedium& backup = AddMedium(cat_, "Backup", "DEADBEEF");
        AddTestEntry(backup, nullptr, "notes.txt", kindFile, 5000, 45100.5);
        backup.FileCount = 1;
        backup.TotalSize = 5000;
        ASSERT_TRUE(cat_.Save(index_));
    }

    // Overwrites part of the last medium's content block.
    void DamageLastBlock() {
        std::string data = ReadWholeFile(DataFileNameOf(index_));
        const size_t offset = static_cast<size_t>(cat_.GetMedium(cat_.Count() - 1)->DataOffset);
        ASSERT_LT(offset + 30, data.size());
        std::fill(data.begin() + static_cast<long>(offset) + 10,
                  data.begin() + static_cast<long>(offset) + 30, 'x');
        WriteWholeFile(DataFileNameOf(index_), data);
    }

    static void ExpectSameEntries(const json& list, const EntryList& entries) {
        ASSERT_TRUE(list.is_array());
        ASSERT_EQ(list.size(), static_cast<size_t>(entries.Count()));
        for (int i = 0; i < entries.Count(); ++i) {
            const CFile& e = *entries.At(i);
            const json& j = list.at(static_cast<size_t>(i));
            SCOPED_TRACE(std::string(e.Name()));
            EXPECT_EQ(cli::UnescapeBytes(j.at("Name").get<std::string>()), std::string(e.Name()));
            EXPECT_EQ(j.at("Kind"), e.Kind);
            EXPECT_EQ(j.at("Size").get<int64_t>(), e.Size);
            EXPECT_NEAR(j.at("Date").get<double>(), e.Date, 1e-9);
            EXPECT_EQ(j.at("Category"), e.Category);
            EXPECT_EQ(j.at("Version"), e.Version);
            ExpectSameEntries(j.at("children"), e.Children());
        }
    }

    TempDir dir_;
    std::string index_ = dir_.File("test.SXF");
    CMedienListe cat_;
};

TEST_F(CliTest, InfoNamesEveryMediumOnItsOwnLine) {
    const CliResult run = RunCli(dir_, {"info", index_});
    ASSERT_EQ(run.status, 0) << run.err;
    std::vector<std::string> lines;
    std::istringstream in(run.out);
    for (std::string line; std::getline(in, line);) lines.push_back(line);

    const std::vector<std::vector<std::string>> expected = {
        {"Version: 1"},
        {"[2] Fotos\\xFF"},
        {"[0] \"Holiday \\xFF\\\\x41 \"q\"\\x01\"", "serial 1A2B3C4D", "2 folders", "4 files",
         "3221226855 bytes (3.00 GB)", "present  -"},
        {"[1] \"Old disc\"", "serial 00000000", "0 folders", "0 files", "0 bytes (0 KB)",
         "removed  -"},
        {"[2] \"Backup\"", "serial DEADBEEF", "1 files", "5000 bytes (4.88 KB)", "present"},
    };
    for (const auto& fragments : expected) {
        SCOPED_TRACE(fragments.front());
        const auto line = std::find_if(lines.begin(), lines.end(), [&](const std::string& l) {
            return std::all_of(fragments.begin(), fragments.end(), [&](const std::string& f) {
                return l.find(f) != std::string::npos;
            });
        });
        EXPECT_NE(line, lines.end()) << run.out;
    }
}

// A catalogue on a disc or a read-only share reads as it does anywhere else.
TEST_F(CliTest, ReadOnlyCatalogueReadsAsUsual) {
    TempDir outputs;
    const std::vector<std::vector<std::string>> commands = {
        {"info", index_}, {"dump", index_}, {"search", index_, "*"}};
    std::vector<std::string> writable;
    for (const auto& command : commands) writable.push_back(RunCli(outputs, command).out);
    ReadOnlyFolder readOnly(dir_.Path());
    if (!readOnly.Active()) GTEST_SKIP() << "no way to make a folder read-only here";
    for (size_t i = 0; i < commands.size(); ++i) {
        const CliResult run = RunCli(outputs, commands[i]);
        EXPECT_EQ(run.status, 0) << commands[i][0] << ": " << run.err;
        EXPECT_EQ(run.out, writable[i]) << commands[i][0];
    }
}

TEST_F(CliTest, DumpRoundTripsEveryField) {
    const CliResult run = RunCli(dir_, {"dump", index_});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    json doc = json::parse(run.out);
    EXPECT_EQ(doc["Version"], 1);
    ASSERT_EQ(doc["Categories"].size(), cat_.Categories.size());
    for (size_t i = 0; i < cat_.Categories.size(); ++i)
        EXPECT_EQ(cli::UnescapeBytes(doc["Categories"][i].get<std::string>()), cat_.Categories[i]);

    ASSERT_EQ(doc["Media"].size(), 3u);
    for (int i = 0; i < cat_.Count(); ++i) {
        const CMedium& m = *cat_.GetMedium(i);
        json& j = doc["Media"][static_cast<size_t>(i)];
        SCOPED_TRACE(m.Name);
        const std::pair<const char*, const std::string*> texts[] = {
            {"Notice", &m.Notice}, {"VolumeLabel", &m.VolumeLabel},
            {"Name", &m.Name}, {"Serial", &m.Serial}};
        for (const auto& [key, value] : texts)
            EXPECT_EQ(cli::UnescapeBytes(j[key].get<std::string>()), *value) << key;
        const std::pair<const char*, int64_t> numbers[] = {
            {"Category", m.Category},     {"FolderCount", m.FolderCount},
            {"FileCount", m.FileCount},   {"DataOffset", m.DataOffset},
            {"TotalSize", m.TotalSize},   {"DriveType", m.DriveType},
            {"Version", m.Version},       {"ContentLength", m.ContentLength}};
        for (const auto& [key, value] : numbers) EXPECT_EQ(j[key].get<int64_t>(), value) << key;
        EXPECT_EQ(j["Present"], m.Present);
        EXPECT_FALSE(j.contains("ContentError"));
        ExpectSameEntries(j["entries"], m.Entries());
    }
    json& big = doc["Media"][0]["entries"][0]["children"][0]["children"][0];
    EXPECT_EQ(big["Size"].get<int64_t>(), kThreeGiB);
    EXPECT_EQ(doc["Media"][0]["TotalSize"].get<int64_t>(), kThreeGiB + 1383);

    const auto keys = [](const json& object) {
        std::vector<std::string> names;
        for (const auto& item : object.items()) names.push_back(item.key());
        return names;
    };
    EXPECT_EQ(keys(doc), (std::vector<std::string>{"Version", "Categories", "Media"}));
    EXPECT_EQ(keys(doc["Media"][1]),
              (std::vector<std::string>{"Category", "FolderCount", "FileCount", "DataOffset",
                                        "Notice", "VolumeLabel", "Name", "Serial", "TotalSize",
                                        "DriveType", "Version", "Present", "ContentLength",
                                        "entries"}));
    EXPECT_EQ(keys(big), (std::vector<std::string>{"Name", "Kind", "Size", "Date", "Category",
                                                   "Version", "children"}));
}

// dump goes on past a medium whose block is damaged; convert refuses to write it out empty.
TEST_F(CliTest, UnreadableContent) {
    DamageLastBlock();
    const CliResult convert = RunCli(dir_, {"convert", index_, dir_.File("out.SXF")});
    EXPECT_EQ(convert.status, 1);
    const std::string damaged = WithArgument(ShelvixMessages::msgMediumDamaged, "Backup");
    EXPECT_NE(convert.err.find("(medium 2): " + damaged), std::string::npos) << convert.err;
    EXPECT_FALSE(FileExists(dir_.File("out.SXF")));
    EXPECT_FALSE(FileExists(dir_.File("out.SXD")));

    const CliResult run = RunCli(dir_, {"dump", index_});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("(medium 2): " + damaged), std::string::npos) << run.err;
    json doc = json::parse(run.out);
    ASSERT_EQ(doc["Media"].size(), 3u);
    EXPECT_TRUE(doc["Media"][2]["entries"].is_null());
    EXPECT_EQ(doc["Media"][2]["ContentError"], true);
    EXPECT_EQ(doc["Media"][2]["Name"], "Backup");
    ExpectSameEntries(doc["Media"][0]["entries"], cat_.GetMedium(0)->Entries());
}

// Far deeper than any call stack allows for a recursive writer.
TEST(CliDeep, DumpOfAVeryDeepTree) {
    constexpr int kDepth = 200000;
    TempDir dir;
    {
        CMedienListe cat;
        CMedium& m = AddMedium(cat, "deep", "00000001");
        CFile* parent = nullptr;
        for (int i = 0; i < kDepth; ++i)
            parent = AddTestEntry(m, parent, i + 1 == kDepth ? "leaf" : "d", kindFolder, 0, 45000);
        ASSERT_TRUE(cat.Save(dir.File("deep.SXF")));
    }
    const CliResult run = RunCli(dir, {"dump", dir.File("deep.SXF")});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(json::accept(run.out));
    size_t children = 0;
    for (size_t at = run.out.find("\"children\":["); at != std::string::npos;
         at = run.out.find("\"children\":[", at + 1))
        ++children;
    EXPECT_EQ(children, static_cast<size_t>(kDepth));
    EXPECT_NE(run.out.find("\"Name\":\"leaf\",\"Kind\":2"), std::string::npos);
}

TEST_F(CliTest, ConvertWritesAnEqualCatalogue) {
    const std::string copy = dir_.File("sub.sxf.dir.Copy.SxF");
    const CliResult convert = RunCli(dir_, {"convert", index_, copy});
    ASSERT_EQ(convert.status, 0) << convert.err;
    EXPECT_TRUE(FileExists(DataFileNameOf(copy)));
    const CliResult original = RunCli(dir_, {"dump", index_});
    const CliResult converted = RunCli(dir_, {"dump", copy});
    ASSERT_EQ(original.status, 0);
    ASSERT_EQ(converted.status, 0);
    EXPECT_EQ(converted.out, original.out);

    CMedienListe reloaded;
    ASSERT_TRUE(reloaded.Load(copy));
    EXPECT_EQ(reloaded.Count(), cat_.Count());
}

// Exit status and the message for every way a run can go wrong, and help.
TEST_F(CliTest, ExitStatusAndMessages) {
    WriteWholeFile(dir_.File("garbage.SXF"), "not a catalogue at all");
    WriteWholeFile(dir_.File("garbage.SXD"), "");
    const std::string good = ReadWholeFile(index_);
    WriteWholeFile(dir_.File("short.SXF"), good.substr(0, good.size() / 2));
    WriteWholeFile(dir_.File("short.SXD"), "");
    TMemoryStream newer;
    WriteInt(newer, 2);
    WriteInt(newer, 0);
    WriteInt(newer, 0);
    ASSERT_TRUE(SaveCompressedFile(newer, dir_.File("newer.SXF")));
    WriteWholeFile(dir_.File("newer.SXD"), "");

    const std::string& noLoad = ShelvixMessages::msgNoLoad;
    ASSERT_EQ(::link(DataFileNameOf(index_).c_str(), dir_.File("link.SXD").c_str()), 0);
    ::mkdir(dir_.File("sub").c_str(), 0755);
    const std::string pair = ReadWholeFile(index_) + ReadWholeFile(DataFileNameOf(index_));
    struct Case {
        std::vector<std::string> arguments;
        int status;
        bool onStdout; // where `text` must appear
        std::string text;
    };
    const Case cases[] = {
        {{}, 2, false, "Usage: shelvix-cli"},
        {{"--help"}, 0, true, "\\xFF"},
        {{"--version"}, 0, true, "Shelvix " SHELVIX_VERSION "\n"},
        {{"bogus"}, 2, false, "unknown command 'bogus'"},
        {{"info"}, 2, false, "Usage: shelvix-cli info"},
        {{"dump", index_, index_}, 2, false, "Usage: shelvix-cli dump"},
        {{"convert", index_}, 2, false, "Usage: shelvix-cli convert"},
        {{"info", dir_.File("missing.SXF")}, 1, false, ShelvixMessages::msgLoadMissing},
        // Bytes of a name that are not UTF-8 are escaped, in the reason's line too.
        {{"info", dir_.File("\xFFmissing.SXF")}, 1, false, "\\xFFmissing.SXF: " +
                                                           ShelvixMessages::msgLoadMissing},
        {{"info", dir_.File("\xFFmissing.SXF")}, 1, false, "(" + dir_.File("\\xFFmissing.SXF: No such")},
        {{"dump", dir_.File("garbage.SXF")}, 1, false, noLoad},
        {{"info", dir_.File("short.SXF")}, 1, false, noLoad},
        {{"info", dir_.File("newer.SXF")}, 1, false, noLoad},
        {{"convert", dir_.File("garbage.SXF"), dir_.File("out1.SXF")}, 1, false, noLoad},
        // The reason is named, not guessed.
        {{"convert", index_, dir_.File("no/such/folder/out.SXF")}, 1, false,
         ShelvixMessages::msgSaveFailed + " (" + dir_.File("no/such/folder/out.SXF: No such")},
        {{"convert", index_, dir_.File("out.txt")}, 2, false, ".SXF"},
        // The output pair must not be the input's files under any name.
        {{"convert", index_, index_}, 2, false, "would overwrite the files of"},
        {{"convert", index_, dir_.File("test.sxf")}, 2, false, "would overwrite the files of"},
        {{"convert", index_, dir_.File("link.SXF")}, 2, false, "would overwrite the files of"},
        {{"convert", index_, dir_.File("sub/../test.SXF")}, 2, false, "would overwrite the files of"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments.empty() ? "(none)" : c.arguments.front() + " " + c.text);
        const CliResult run = RunCli(dir_, c.arguments);
        EXPECT_EQ(run.status, c.status);
        EXPECT_NE((c.onStdout ? run.out : run.err).find(c.text), std::string::npos)
            << run.out << run.err;
        EXPECT_EQ(run.err.find('\xFF'), std::string::npos) << "escaped";
        if (c.status == 1) {
            EXPECT_EQ(run.out, ""); // a load or save failure prints nothing else
        }
    }
    EXPECT_FALSE(FileExists(dir_.File("out1.SXF")));
    EXPECT_FALSE(FileExists(dir_.File("out.txt")));
    EXPECT_EQ(ReadWholeFile(index_) + ReadWholeFile(DataFileNameOf(index_)), pair) << "the input is whole";
}

} // namespace
