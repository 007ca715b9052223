#include "cataloguecommands_fixture.h"

#include "catalogue/faults.h"
#include "search/ufrmSearch_results.h"
#include "search/ufrmSearch.h"

#include <QCheckBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeView>

#include <functional>

using namespace ShelvixMessages;

TEST_F(CatalogueCommands, AttachAppendsAnotherCatalogue) {
    const std::string home = SaveSample();
    {
        CMedienListe other;
        other.Categories = {"Films", "Extra", "Unused"};
        for (const char* name : {"Other A", "Other B", "Other C"}) {
            CMedium& m = *other.AddMedium(std::make_unique<CMedium>(&other));
            m.Name = name;
            m.ContentLoaded = true;
            AddTestEntry(m, nullptr, std::string(name) + ".txt", kindFile, 10, 45000.0, 0);
        }
        other.GetMedium(0)->Category = 1;
        other.GetMedium(1)->Present = false;
        ASSERT_TRUE(other.Save(dir.File("Other.SXF")));
    }
    DamageBlock(dir.File("Other.SXF"), 2);
    const std::string otherIndex = ReadWholeFile(dir.File("Other.SXF"));
    const FileStamp otherData = FileStamp::Of(dir.File("Other.SXD"));
    Open(home);

    script.setNextFileName(QString());
    Trigger("actAttach");
    EXPECT_EQ(Cat().Count(), 3) << "cancelled";

    script.setNextFileName(Q(dir.File("Other.SXF")));
    Trigger("actAttach");
    // The medium that cannot be read is left out, and named.
    ASSERT_EQ(script.MessageTexts().size(), 1);
    EXPECT_EQ(script.MessageTexts()[0].section(u'\n', 0, 1), Q(msgNotAttached) + "\nOther C_");
    EXPECT_TRUE(script.MessageTexts()[0].contains(QString::fromStdString(msgMediumDamaged).arg("Other C")));
    ASSERT_EQ(Cat().Count(), 5);
    EXPECT_EQ(Cat().GetMedium(3)->Name, "Other A");
    EXPECT_EQ(Cat().GetMedium(3)->CategoryName(), "Extra");
    EXPECT_EQ(Cat().GetMedium(3)->GetEntry(0)->CategoryName(), "Films");
    EXPECT_EQ(Cat().GetMedium(4)->Name, "Other B");
    EXPECT_FALSE(Cat().GetMedium(4)->Present);
    EXPECT_EQ(Cat().Categories, (std::vector<std::string>{"Music", "Films",
                                                          "B\xFC"
                                                          "cher",
                                                          "Extra"}));
    EXPECT_EQ(Main().MediaModel().rowCount(), 3) << "the removed ones stay hidden";
    EXPECT_EQ(Cat().FileName, home);
    EXPECT_EQ(Main().windowTitle(), "Shelvix - Home.SXF *");
    EXPECT_EQ(ReadWholeFile(dir.File("Other.SXF")), otherIndex);
    EXPECT_EQ(FileStamp::Of(dir.File("Other.SXD")), otherData);

    // Saved and opened again, the attached media are there with their contents.
    Trigger("actSave");
    const std::string saved = InMemory();
    Open(home);
    EXPECT_EQ(InMemory(), saved);
}

TEST_F(CatalogueCommands, AttachKeepsTheMediaTreesSort) {
    const std::string home = SaveSample();
    {
        CMedienListe other;
        for (const char* name : {"A first", "Zed last"}) {
            CMedium& m = *other.AddMedium(std::make_unique<CMedium>(&other));
            m.Name = name;
            m.ContentLoaded = true;
        }
        ASSERT_TRUE(other.Save(dir.File("Other.SXF")));
    }
    Open(home);
    Main().VTMedienHeaderClick(0);
    Main().VTMedienHeaderClick(0); // descending
    script.setNextFileName(Q(dir.File("Other.SXF")));
    Trigger("actAttach");
    QStringList shown;
    for (int row = 0; row < Main().MediaModel().rowCount(); ++row)
        shown << Main().MediaModel().index(row, 0).data().toString();
    EXPECT_EQ(shown, (QStringList{"Zed last", "Disc 1", "Disc 0", "A first"}));
    EXPECT_EQ(Main().VTMedien->header()->sortIndicatorOrder(), Qt::DescendingOrder);
}

TEST_F(CatalogueCommands, AttachRefusesItsOwnFileAndDamagedOnes) {
    const std::string home = SaveSample();
    Open(home);
    script.setNextFileName(Q(home));
    Trigger("actAttach");
    EXPECT_EQ(Texts(), QStringList{Q(msgNoAttach)});
    EXPECT_EQ(script.Asked().last().caption, "Error");
    EXPECT_EQ(Cat().Count(), 3);
    EXPECT_FALSE(Cat().IsModified());

    WriteWholeFile(dir.File("Bad.SXF"), "damaged");
    WriteWholeFile(dir.File("Bad.SXD"), "");
    script.ClearAsked();
    script.setNextFileName(Q(dir.File("Bad.SXF")));
    Trigger("actAttach");
    EXPECT_EQ(Texts(), QStringList{Q(msgNoLoad)});
    EXPECT_EQ(Cat().Count(), 3);
    EXPECT_EQ(Main().windowTitle(), "Shelvix - Home.SXF");
}

TEST_F(CatalogueCommands, RepairDropsTheLostMediumOnly) {
    const std::string home = SaveSample();
    DamageBlock(home, 1);
    Open(home);
    // Search results that point at every medium, the lost one too.
    TfrmSearch& search = *windows.frmSearch;
    whenDialogShows([&search] {
        search.CheckBoxAll->setChecked(true);
        search.CheckBoxAll->setChecked(false);
        search.CheckBoxName->setChecked(true);
        search.EditSearch->setText(QStringLiteral("*"));
        search.ButtonSearch->click();
        search.ButtonClose->click();
    });
    Trigger("actSearch");
    ASSERT_EQ(search.Results().size(), 3);
    script.setNextFileName(QString());
    Trigger("actRepair");
    EXPECT_EQ(Cat().Count(), 3) << "cancelled";

    script.ClearAsked();
    script.setNextFileName(Q(dir.File("Fixed.SXF")));
    Trigger("actRepair");
    EXPECT_TRUE(script.Asked().first().spec.initialName.isEmpty()) << "not preset";
    ASSERT_EQ(Texts(), QStringList{"Disc 1_0000ABC1"});
    EXPECT_EQ(script.Asked().last().caption, "Lost media");
    ASSERT_EQ(Cat().Count(), 2);
    EXPECT_EQ(Cat().GetMedium(1)->Name, "Disc 2");
    EXPECT_EQ(OnDisk(dir.File("Fixed.SXF")), DescribeCatalogue(Cat()));
    EXPECT_EQ(Cat().FileName, dir.File("Fixed.SXF"));
    EXPECT_EQ(Main().windowTitle(), "Shelvix - Fixed.SXF");
    EXPECT_EQ(Main().MediaModel().rowCount(), 1);
    EXPECT_TRUE(search.Results().empty()) << "no result may point at a medium that is gone";
    EXPECT_EQ(search.ResultsModel().rowCount(), 0);
}

TEST_F(CatalogueCommands, RepairAfterNewAndWithNewMedia) {
    script.setNextFileName(Q(dir.File("Empty.SXF")));
    Trigger("actRepair");
    EXPECT_EQ(Texts(), QStringList{Q(msgDone)});
    EXPECT_EQ(script.Asked().last().caption, "Repair state");
    EXPECT_EQ(OnDisk(dir.File("Empty.SXF")), "version 1\n");
    EXPECT_EQ(ReadWholeFile(dir.File("Empty.SXD")), "");

    // A medium added since the last save has no block yet: it is kept. Repair over its own
    // file replaces the pair, without backups.
    const std::string home = SaveSample();
    Open(home);
    CMedium& added = *Cat().AddMedium(std::make_unique<CMedium>(&Cat()));
    added.Name = "Added";
    added.ContentLoaded = true;
    AddTestEntry(added, nullptr, "new.txt", kindFile, 5);
    script.ClearAsked();
    script.setNextFileName(Q(home));
    Trigger("actRepair");
    EXPECT_EQ(script.Asked().first().spec.initialName, Q(dir.File("Empty.SXF"))) << "last name";
    EXPECT_EQ(Texts(), QStringList{Q(msgDone)});
    EXPECT_EQ(Cat().Count(), 4);
    EXPECT_EQ(OnDisk(home), InMemory());
    EXPECT_FALSE(FileExists(dir.File("Home.SXF.bak")));
}

TEST_F(CatalogueCommands, ARepairWhoseSaveFails) {
    const std::string home = SaveSample();
    Open(home);
    script.setNextFileName(Q(dir.File("missing/Fixed.SXF")));
    Trigger("actRepair");
    EXPECT_EQ(Texts(), QStringList{Q(msgSaveFailed)}) << "the reason follows, no guess";
    EXPECT_TRUE(Cat().FileName.empty());
    EXPECT_TRUE(Cat().IsModified());
    EXPECT_EQ(Cat().Count(), 3);
    EXPECT_EQ(Main().windowTitle(), "Shelvix *");
}

TEST_F(CatalogueCommands, ACatalogueChangedOnDiskIsNotTouched) {
    const struct {
        const char* what;
        bool rewriteData;
        std::function<void()> run;
        QStringList kinds; // what the user is asked, in order
    } rows[] = {
        {"Save", false, [this] { Trigger("actSave"); }, {"message", "save"}},
        {"Save as, same name",
         true,
         [this] {
             script.setNextFileName(Q(dir.File("Home.SXF")));
             Trigger("actSaveAs");
         },
         {"save", "message"}},
        {"Open after Yes",
         false,
         [this] {
             script.setNextAnswer(mrYes);
             Trigger("actOpen");
         },
         {"message", "message"}},
        {"Attach", true, [this] { Trigger("actAttach"); }, {"message"}},
        {"Repair", false, [this] { Trigger("actRepair"); }, {"message"}},
        {"Add", true, [this] { Trigger("actAdd"); }, {"message"}},
    };
    for (const auto& row : rows) {
        const std::string home = SaveSample();
        Open(home);
        Change();
        const std::string changed = row.rewriteData ? dir.File("Home.SXD") : home;
        RewriteElsewhere(changed);
        const std::string elsewhere = ReadWholeFile(changed);
        script.ClearAsked();
        row.run();
        QStringList kinds;
        for (const auto& q : script.Asked())
            kinds << q.kind;
        EXPECT_EQ(kinds, row.kinds) << row.what;
        EXPECT_TRUE(Texts().contains(Q(msgWasChanged))) << row.what;
        EXPECT_EQ(ReadWholeFile(changed), elsewhere) << row.what;
        EXPECT_EQ(Cat().GetMedium(0)->Name, "Changed") << row.what;
        EXPECT_EQ(Cat().Count(), 3) << row.what;
        std::filesystem::remove(dir.File("Home.SXF.bak"));
        std::filesystem::remove(dir.File("Home.sxd.bak"));
    }
}
