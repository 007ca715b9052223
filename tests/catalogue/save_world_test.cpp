// A save against what else happens to a pair: a second writer, a rotted block, links to the
// files, a lone data file, a folder that turned read-only after a save was stopped, and names
// in a data file that would lead out of the medium.
#include "catalogue/IO_BZIP.h"
#include "catalogue/backups.h"
#include "catalogue/faults.h"
#include "catalogue/mediaclasses.h"
#include "catalogue/savepair.h"
#include "support/catalogue_text.h"
#include "support/testfiles.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

class SaveWorld : public testing::Test {
protected:
    void SetUp() override {
        SetLockPatience(200);
        FillSampleCatalogue(cat);
        ASSERT_TRUE(cat.Save(index));
    }
    void TearDown() override {
        faults::SetStepHook(nullptr);
        SetLockPatience(5000);
    }
    // A catalogue read from the pair, one medium renamed so that a save has something to write.
    std::unique_ptr<CMedienListe> Changed(const std::string& name) {
        auto c = std::make_unique<CMedienListe>();
        EXPECT_TRUE(c->Load(index));
        c->GetMedium(0)->Name = name;
        c->GetMedium(0)->Stored = false;
        return c;
    }
    // Flips one byte in the middle of medium m's block.
    void Rot(int m) {
        const std::string data = DataFileNameOf(index);
        std::string bytes = ReadWholeFile(data);
        const CMedium& medium = *cat.GetMedium(m);
        bytes[size_t(medium.DataOffset + medium.BlockLength / 2)] ^= 0x55;
        WriteWholeFile(data, bytes);
    }
    TempDir dir;
    const std::string index = dir.File("Home.SXF");
    CMedienListe cat;
};

TEST_F(SaveWorld, TheSecondOfTwoWritersIsRefusedAndTheFirstKeepsItsChange) {
    auto first = Changed("first"), second = Changed("second");
    ASSERT_TRUE(first->Save(index));
    EXPECT_FALSE(second->Save(index));
    EXPECT_EQ(second->SaveFailure, CMedienListe::TSaveFailure::ChangedOnDisk);
    CMedienListe back;
    ASSERT_TRUE(back.Load(index));
    EXPECT_EQ(back.GetMedium(0)->Name, "first");
}

TEST_F(SaveWorld, TwoProcessesSavingAtOnceNeverLoseAMediumSilently) {
    for (int round = 0; round < 5; ++round) {
        int ready[2], go[2];
        ASSERT_EQ(::pipe(ready), 0);
        ASSERT_EQ(::pipe(go), 0);
        pid_t writers[2];
        for (int w = 0; w < 2; ++w) {
            writers[w] = ::fork();
            if (writers[w] == 0) {
                CMedienListe c;
                if (!c.Load(index)) ::_exit(3);
                CMedium& m = *c.AddMedium(std::make_unique<CMedium>(&c));
                m.Name = "added" + std::to_string(w);
                m.ContentLoaded = true;
                char byte = 0;
                (void)!::write(ready[1], &byte, 1);
                (void)!::read(go[0], &byte, 1);
                SetLockPatience(2000);
                ::_exit(c.Save(index) ? 0 : c.SaveFailure == CMedienListe::TSaveFailure::ChangedOnDisk ? 1 : 2);
            }
        }
        char byte = 0;
        for (int w = 0; w < 2; ++w) ASSERT_EQ(::read(ready[0], &byte, 1), 1);
        ASSERT_EQ(::write(go[1], "gg", 2), 2);
        int saved = 0, refused = 0;
        for (pid_t p : writers) {
            int status = 0;
            ::waitpid(p, &status, 0);
            saved += WEXITSTATUS(status) == 0;
            refused += WEXITSTATUS(status) == 1;
        }
        for (int fd : {ready[0], ready[1], go[0], go[1]}) ::close(fd);
        EXPECT_EQ(saved + refused, 2) << "each writer either saved or was told";
        CMedienListe back;
        ASSERT_TRUE(back.Load(index));
        EXPECT_EQ(back.Count(), cat.Count() + saved) << "every save that said so is there";
        CMedienListe sample; // back to the sample for the next round
        FillSampleCatalogue(sample);
        ASSERT_TRUE(sample.Save(index));
    }
}

TEST_F(SaveWorld, ARottedBlockNeverLoadsAndNeverReplacesTheBackups) {
    auto c = Changed("renamed");
    c->MakeBackups = true;
    ASSERT_TRUE(c->Save(index)); // good backups of the sample
    const std::string bakIndex = ReadWholeFile(index + ".bak");
    const std::string bakData = ReadWholeFile(dir.File("Home.sxd.bak"));
    // A catalogue with every tree in memory could write medium 1 afresh from its tree.
    auto healer = Changed("healer");
    for (int i = 0; i < healer->Count(); ++i)
        ASSERT_TRUE(healer->GetMedium(i)->LoadContent(healer->DataFileName));
    healer->MakeBackups = true;
    cat.GetMedium(1)->BlockLength = c->GetMedium(1)->BlockLength;
    cat.GetMedium(1)->DataOffset = c->GetMedium(1)->DataOffset;
    Rot(1);
    healer->DataFileAge = FileStamp::Of(DataFileNameOf(index)); // rot leaves the stamp alone
    const std::string pair = ReadWholeFile(index) + ReadWholeFile(DataFileNameOf(index));

    CMedienListe reader;
    ASSERT_TRUE(reader.Load(index));
    EXPECT_FALSE(reader.GetMedium(1)->LoadContent(reader.DataFileName));
    EXPECT_EQ(reader.GetMedium(1)->LoadFailure, TLoadFailure::Damaged);
    auto copier = Changed("copier"); // medium 1 unchanged and not in memory: it is copied

    struct Row {
        const char* name;
        CMedienListe* catalogue;
        CMedienListe::TSaveFailure expected;
    } rows[] = {{"unchanged medium copied", copier.get(), CMedienListe::TSaveFailure::Damaged},
                {"backups from a rotted pair", healer.get(), CMedienListe::TSaveFailure::BackupFailed}};
    for (const Row& row : rows) {
        EXPECT_FALSE(row.catalogue->Save(index)) << row.name;
        EXPECT_EQ(row.catalogue->SaveFailure, row.expected) << row.name;
        EXPECT_EQ(ReadWholeFile(index) + ReadWholeFile(DataFileNameOf(index)), pair) << row.name;
        EXPECT_EQ(ReadWholeFile(index + ".bak"), bakIndex) << row.name;
        EXPECT_EQ(ReadWholeFile(dir.File("Home.sxd.bak")), bakData) << row.name;
    }
}

TEST_F(SaveWorld, AMixedPairDoesNotOpen) {
    const std::string oldData = ReadWholeFile(DataFileNameOf(index));
    CMedienListe bigger;
    FillSampleCatalogue(bigger);
    AddTestEntry(*bigger.GetMedium(0), nullptr, "one more file", kindFile, 5);
    ASSERT_TRUE(bigger.Save(index));
    WriteWholeFile(DataFileNameOf(index), oldData);
    CMedienListe back;
    EXPECT_FALSE(back.Load(index));
    EXPECT_EQ(back.LoadFailure, TLoadFailure::Damaged);
    EXPECT_NE(LastFileFault().reason.find("does not belong"), std::string::npos);
}

TEST_F(SaveWorld, ACatalogueReachedThroughLinksIsSavedWhereTheyLead) {
    TempDir other;
    ASSERT_EQ(::symlink(index.c_str(), other.File("Link.SXF").c_str()), 0);
    ASSERT_EQ(::symlink(DataFileNameOf(index).c_str(), other.File("Link.SXD").c_str()), 0);
    CMedienListe c;
    ASSERT_TRUE(c.Load(other.File("Link.SXF")));
    c.GetMedium(0)->Name = "through the link";
    c.GetMedium(0)->Stored = false;
    ASSERT_TRUE(c.Save(other.File("Link.SXF")));
    struct stat st {};
    ASSERT_EQ(::lstat(other.File("Link.SXF").c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode)) << "the link stays a link";
    CMedienListe back;
    ASSERT_TRUE(back.Load(index));
    EXPECT_EQ(back.GetMedium(0)->Name, "through the link");
}

TEST_F(SaveWorld, ALoneDataFileIsNeverReplaced) {
    std::remove(index.c_str());
    const std::string lone = ReadWholeFile(DataFileNameOf(index));
    CMedienListe fresh;
    FillSampleCatalogue(fresh);
    EXPECT_FALSE(fresh.Save(index));
    EXPECT_EQ(fresh.SaveFailure, CMedienListe::TSaveFailure::LoneDataFile);
    EXPECT_EQ(ReadWholeFile(DataFileNameOf(index)), lone);
    EXPECT_FALSE(FileExists(index));
}

// A save stopped after its new data was in place, then the folder turned read-only: the open
// reads the ready index that names the data in place, and says so.
TEST_F(SaveWorld, AReadOnlyFolderAfterAStoppedSaveReadsTheReadyIndex) {
    auto c = Changed("renamed");
    const pid_t saver = ::fork();
    if (saver == 0) {
        faults::SetStepHook([](std::string_view s) {
            if (s == "rename-index") ::_exit(7);
            return false;
        });
        ::_exit(c->Save(index) ? 0 : 1);
    }
    ::waitpid(saver, nullptr, 0);
    ReadOnlyFolder readOnly(dir.Path());
    if (!readOnly.Active()) GTEST_SKIP() << "no way to make a folder read-only here";
    CMedienListe back;
    ASSERT_TRUE(back.Load(index));
    EXPECT_EQ(back.GetMedium(0)->Name, "renamed");
    EXPECT_NE(back.LoadNotice.find(".ready-"), std::string::npos) << back.LoadNotice;
    ASSERT_TRUE(back.GetMedium(1)->LoadContent(back.DataFileName));
}

TEST_F(SaveWorld, NamesThatLeadOutOfTheMediumMarkTheBlockDamaged) {
    for (const std::string& name : std::vector<std::string>{"..", ".", "", "a/b", std::string("a\0b", 3)}) {
        SCOPED_TRACE(name);
        CMedium m(nullptr);
        TMemoryStream content;
        WriteInt(content, 1);
        WriteInt(content, 1), WriteInt(content, -1), WriteDouble(content, 40000);
        WriteString(content, name);
        WriteInt(content, 0), WriteInt(content, kindFile), WriteInt(content, 0);
        content.Seek(0);
        EXPECT_FALSE(m.ReadContentRecords(content));
    }
}

// An earlier version's save stopped after its new data was in place: its ready index names no
// data file (no lock file either), and is finished as that version would have.
TEST_F(SaveWorld, AReadyIndexOfAnEarlierVersionIsFinished) {
    CMedienListe newer;
    FillSampleCatalogue(newer);
    newer.GetMedium(0)->Name = "newer";
    ASSERT_TRUE(newer.Save(dir.File("N.SXF")));
    std::string plain = LoadCompressedFile(dir.File("N.SXF"))->ToString();
    plain.resize(plain.rfind("SXDI"));
    TMemoryStream stripped;
    stripped.Write(plain.data(), plain.size());
    ASSERT_TRUE(SaveCompressedFile(stripped, index + ".ready-4242-1"));
    ASSERT_EQ(std::rename(dir.File("N.SXD").c_str(), DataFileNameOf(index).c_str()), 0);
    CMedienListe back;
    ASSERT_TRUE(back.Load(index));
    EXPECT_EQ(back.GetMedium(0)->Name, "newer");
    EXPECT_FALSE(FileExists(index + ".ready-4242-1"));
}

} // namespace
