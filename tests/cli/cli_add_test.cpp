// shelvix-cli add: a folder scanned into a new medium, the catalogue created or appended to,
// and failures that leave the catalogue as it was.
#include "language/messagetable.h"
#include "catalogue/mediaclasses.h"
#include "support/catalogue_text.h"
#include "support/clirun.h"
#include "scan/scantesting.h"
#include "support/rarwriter.h"
#include "support/testfiles.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>

namespace {

class CliAdd : public ::testing::Test {
protected:
    void SetUp() override {
        MakeTree(tree_.Path(), {"docs/a.txt:10", "docs/deep/b.bin:20", ".hidden:3", "empty/"});
    }
    std::unique_ptr<CMedienListe> Loaded() {
        auto cat = std::make_unique<CMedienListe>();
        EXPECT_TRUE(cat->Load(index_));
        for (int i = 0; i < cat->Count(); ++i)
            EXPECT_TRUE(cat->GetMedium(i)->LoadContent(cat->DataFileName));
        return cat;
    }

    TempDir out_, tree_;
    std::string index_ = out_.File("home.SXF");
};

TEST_F(CliAdd, CreatesTheCatalogueThenAppends) {
    CliResult run = RunCli(out_, {"add", index_, tree_.Path(), "--name", "First"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("First"), std::string::npos);
    {
        const auto cat = Loaded();
        ASSERT_EQ(cat->Count(), 1);
        const CMedium& m = *cat->GetMedium(0);
        EXPECT_EQ(m.Name, "First");
        EXPECT_EQ(m.Serial.size(), 8u);
        EXPECT_EQ(CountsOf(m), (Counts{3, 3, 33}));
        EXPECT_EQ(TreeShape(m.Entries(), true), ".hidden docs/[a.txt deep/[b.bin]] empty/");
    }
    const std::string before = ReadWholeFile(index_);
    const std::string beforeData = ReadWholeFile(DataFileNameOf(index_));
    EXPECT_FALSE(FileExists(index_ + ".bak")) << "a new catalogue has nothing to back up";
    // The folder just read is where the medium's files lie.
    const std::string info = RunCli(out_, {"info", index_}).out;
    EXPECT_NE(info.find("mounted at " + std::filesystem::canonical(tree_.Path()).string() + "\n"),
              std::string::npos) << info;

    MakeTree(tree_.Path(), {"new.txt:7"});
    run = RunCli(out_, {"add", "--no-archives", index_, tree_.Path() + "/docs"});
    ASSERT_EQ(run.status, 0) << run.err;
    const auto cat = Loaded();
    ASSERT_EQ(cat->Count(), 2);
    EXPECT_EQ(cat->GetMedium(0)->Name, "First"); // the first medium as it was
    if (cat->GetMedium(1)->VolumeLabel.empty()) {
        EXPECT_EQ(cat->GetMedium(1)->Name, "docs");
    }
    EXPECT_EQ(CountsOf(*cat->GetMedium(0)), (Counts{3, 3, 33}));
    EXPECT_EQ(TreeShape(cat->GetMedium(1)->Entries(), true), "a.txt deep/[b.bin]");
    // The same drive: the note names the medium that already has the serial.
    EXPECT_NE(run.err.find("\"First\" has the same serial"), std::string::npos) << run.err;
    EXPECT_NE(ReadWholeFile(index_), before);
    {
        EXPECT_EQ(ReadWholeFile(index_ + ".bak"), before);
        EXPECT_EQ(ReadWholeFile(out_.File("home.sxd.bak")), beforeData);
    }
}

TEST_F(CliAdd, ZipAndRarMembersUnlessTurnedOff) {
    if (std::system("zip -v >/dev/null 2>&1") != 0) GTEST_SKIP() << "no zip tool";
    ASSERT_EQ(std::system(("cd '" + tree_.Path() + "' && zip -q -r pack.zip docs").c_str()), 0);
    WriteWholeFile(tree_.File("pack.rar"),
                   rar::Rar5({{"docs", "", true}, {"docs/a.txt", "0123456789"},
                              {"docs/deep", "", true}, {"docs/deep/b.bin", "b"}}));
    for (const bool archives : {true, false}) {
        std::vector<std::string> args = {"add", index_, tree_.Path()};
        if (!archives) args.push_back("--no-archives");
        const CliResult run = RunCli(out_, args);
        ASSERT_EQ(run.status, 0) << run.err;
    }
    const auto cat = Loaded();
    ASSERT_EQ(cat->Count(), 2);
    const auto packOf = [](const CMedium& m, const char* name) {
        for (const CFile* e : m.Entries())
            if (e->Name() == name) return TreeShape(e->Children(), true);
        return std::string("missing");
    };
    for (const char* pack : {"pack.zip", "pack.rar"}) {
        SCOPED_TRACE(pack);
        EXPECT_EQ(packOf(*cat->GetMedium(0), pack), "docs/[a.txt deep/[b.bin]]");
        EXPECT_EQ(packOf(*cat->GetMedium(1), pack), "");
    }
}

// Each failure reports, exits non-zero and leaves the catalogue's files as they were.
TEST_F(CliAdd, FailuresLeaveTheCatalogueAlone) {
    ASSERT_EQ(RunCli(out_, {"add", index_, tree_.Path()}).status, 0);
    const std::string index = ReadWholeFile(index_);
    const std::string data = ReadWholeFile(DataFileNameOf(index_));
    WriteWholeFile(out_.File("broken.SXF"), "not a catalogue");
    // A data file that rotted: a byte in the middle of the block changed, size and time as before.
    WriteWholeFile(out_.File("rot.SXF"), index);
    std::string rotted = data;
    rotted[rotted.size() / 2] ^= 0x10;
    WriteWholeFile(out_.File("rot.SXD"), rotted);
    // All that is left of a catalogue whose index was lost.
    WriteWholeFile(out_.File("lone.SXD"), data);
    const std::string& damaged = ShelvixMessages::msgMediumDamaged;
    struct Case {
        std::vector<std::string> args;
        int status;
        std::string message;
    };
    const Case cases[] = {
        {{"add", index_, tree_.File("missing")}, 1, ShelvixMessages::msgNoAdd},
        {{"add", index_, tree_.File("docs/a.txt")}, 1, ShelvixMessages::msgNoAdd},
        // Its data file is missing, which is what is said.
        {{"add", out_.File("broken.SXF"), tree_.Path()}, 1, ShelvixMessages::msgLoadMissing},
        {{"add", out_.File("rot.SXF"), tree_.Path()}, 1, damaged.substr(0, damaged.find("%1"))},
        {{"add", out_.File("lone.SXF"), tree_.Path()}, 1, "the data file " + out_.File("lone.SXD")},
        {{"add", out_.File("plain.cat"), tree_.Path()}, 2, "must contain .SXF"},
        {{"add", index_}, 2, "Usage:"},
        {{"add", index_, tree_.Path(), "--name"}, 2, "Usage:"},
        {{"add", index_, tree_.Path(), "--archives"}, 2, "Usage:"},
        {{"add", index_, tree_.Path(), "extra"}, 2, "Usage:"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.back());
        const CliResult run = RunCli(out_, c.args);
        EXPECT_EQ(run.status, c.status);
        EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
    }
    EXPECT_EQ(ReadWholeFile(index_), index);
    EXPECT_EQ(ReadWholeFile(DataFileNameOf(index_)), data);
    EXPECT_FALSE(FileExists(out_.File("plain.cat")));
    EXPECT_EQ(ReadWholeFile(out_.File("rot.SXD")), rotted) << "the damage is reported, not copied";
    EXPECT_EQ(ReadWholeFile(out_.File("lone.SXD")), data) << "the lone data file is kept";
    EXPECT_FALSE(FileExists(out_.File("lone.SXF")));
}

} // namespace
