// The Import command in the main window: the question about changes, files it refuses without
// touching the open catalogue, and a partial file that keeps and shows what was read.
#include "cataloguecommands_fixture.h"
#include "support/adcfile.h"

using namespace ShelvixMessages;

namespace {
std::string TwoMediaClaimed(int32_t claimed) {
    AdcBytes f;
    f.Header(0).Int(claimed);
    f.Medium("S1", "ALPHA", 5, 0, "").Int(0).Int(1).Folder("docs", 0).Int(1);
    f.File("a.txt", 0, 3, kTicks2020).Int(0);
    f.Medium("S2", "EMPTY", 5, 0, "").Int(0).Int(0);
    return f.Text();
}
} // namespace

TEST_F(CatalogueCommands, ImportRefusesWithoutTouchingTheOpenCatalogue) {
    const std::string home = SaveSample();
    Open(home);
    WriteWholeFile(dir.File("wrong.CAT"), AdcBytes().Header(0, "ADC.CATALOG").Int(0).Text());
    const std::string before = InMemory();
    struct Case {
        std::string file;
        std::string message;
    };
    for (const Case& c : {Case{dir.File("wrong.CAT"), msgNoImport},
                          Case{dir.File("missing.CAT"), msgNoLoad + "\n" + dir.File("missing.CAT") +
                                                            ": No such file or directory"}}) {
        script.ClearAsked();
        script.setNextFileName(Q(c.file));
        Trigger("actImport");
        EXPECT_EQ(script.MessageTexts(), QStringList{Q(c.message)}) << c.file;
        EXPECT_EQ(script.Asked().last().caption, "Error");
        EXPECT_EQ(Cat().FileName, home);
        EXPECT_EQ(InMemory(), before);
    }
    EXPECT_EQ(Main().OpenDialogImport.filter,
              "Advanced disc catalog (*.CAT)|*.CAT|All files (*.*)|*.*");
}

TEST_F(CatalogueCommands, ImportAsksAboutChangesFirst) {
    const std::string home = SaveSample();
    Open(home);
    Change();
    WriteWholeFile(dir.File("disc.CAT"), TwoMediaClaimed(2));
    script.ClearAsked();
    script.setNextAnswer(mrNo);
    script.setNextFileName(Q(dir.File("disc.CAT")));
    Trigger("actImport");
    ASSERT_GE(script.Asked().size(), 2);
    EXPECT_EQ(script.Asked()[0].text, Q(msgModified));
    EXPECT_EQ(script.Asked()[1].kind, "open");
    ASSERT_EQ(Cat().Count(), 2);
    EXPECT_TRUE(Cat().FileName.empty());
    EXPECT_EQ(Main().windowTitle(), "Shelvix *");
    EXPECT_EQ(Main().MediaModel().rowCount(), 2);

    // The medium without entries saves, and comes back empty.
    script.setNextFileName(Q(dir.File("imported.SXF")));
    Trigger("actSave");
    EXPECT_TRUE(Texts().filter(Q(msgNoSave)).isEmpty() && Texts().filter(Q(msgErrorCleanUp)).isEmpty())
        << Texts().join("|").toStdString();
    EXPECT_EQ(Main().windowTitle(), "Shelvix - imported.SXF");
    EXPECT_EQ(OnDisk(dir.File("imported.SXF")), InMemory());
}

TEST_F(CatalogueCommands, ImportReadErrorKeepsAndShowsTheMediaRead) {
    WriteWholeFile(dir.File("cut.CAT"), TwoMediaClaimed(3));
    script.setNextFileName(Q(dir.File("cut.CAT")));
    Trigger("actImport");
    EXPECT_EQ(Texts(), QStringList{"File Read Error: Int"});
    EXPECT_EQ(Cat().Count(), 2);
    EXPECT_EQ(Main().MediaModel().rowCount(), 2) << "the media tree is filled";
    EXPECT_EQ(Main().windowTitle(), "Shelvix *");
}
