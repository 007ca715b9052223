// The report commands end to end: the Media menu's exports of the selected medium or of every
// medium, the search window's of its results, and a file that cannot be written.
#include "mediacommands_fixture.h"

#include "search/ufrmSearch_results.h"
#include "search/ufrmSearch.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <pugixml.hpp>

namespace {

class ReportCommands : public MediaCommands {
protected:
    // Runs the command with the report's file name answered; the file's lines (CR LF split).
    QStringList ExportLines(const char* action, const std::string& name) {
        script.setNextFileName(Q(dir.File(name)));
        EXPECT_TRUE(triggerAction(&Main(), action));
        return Q(ReadWholeFile(dir.File(name))).split("\r\n", Qt::SkipEmptyParts);
    }
};

TEST_F(ReportCommands, CsvOfTheSelectedMediumOrOfAll) {
    OpenFive();
    SelectInTree({MediumNode(2)}); // Charlie
    const QStringList charlie = ExportLines("actExportCsv", "charlie.csv");
    EXPECT_EQ(charlie, QStringList({"medium,path,name,kind,size,date,category,free,capacity",
                                    "Charlie,,Docs,folder,,,Films,,",
                                    "Charlie,Docs,Deep,folder,,,,,",
                                    "Charlie,Docs/Deep,a.txt,file,10,2023-03-15 12:00:00,Music,,",
                                    "Charlie,Docs,b.txt,file,20,2023-03-15 12:00:00,,,",
                                    "Charlie,,pack.zip,archive,300,2023-03-15 12:00:00,,,",
                                    "Charlie,pack.zip,inner,folder,,,,,",
                                    "Charlie,pack.zip/inner,m.txt,file,5,2023-03-15 12:00:00,,,",
                                    "Charlie,,top.txt,file,1,2023-03-15 12:00:00,,,"}));
    ASSERT_FALSE(script.Asked().isEmpty());
    EXPECT_EQ(script.Asked().last().kind, "save");
    Main().VTMedien->selectionModel()->clearSelection();
    EXPECT_EQ(ExportLines("actExportCsv", "all.csv").size(), 1 + 5 * 8) << "every medium";
}

TEST_F(ReportCommands, HtmlOfEveryMediumShownParsesBackAndNamesTheUnreadable) {
    OpenFive({4});
    Cat().GetMedium(1)->ContentLength += 50; // Delta's block cannot be read
    Main().VTMedien->selectionModel()->clearSelection();
    script.setNextFileName(Q(dir.File("all.html")));
    ASSERT_TRUE(triggerAction(&Main(), "actExportHtml"));
    EXPECT_EQ(script.MessageTexts(), QStringList{Q(ShelvixMessages::msgNoContent) + "\nDelta"});
    pugi::xml_document doc;
    ASSERT_TRUE(doc.load_file(dir.File("all.html").c_str()));
    EXPECT_EQ(doc.select_nodes("//table[@class='media']/tbody/tr").size(), 4u) << "not the removed";
    EXPECT_EQ(doc.select_nodes("//details").size(), 3u * 5 + 1) << "medium, Docs, Deep, pack.zip, inner";
}

TEST_F(ReportCommands, SearchResultsAndAFileThatCannotBeWritten) {
    OpenFive();
    TfrmSearch& search = *windows.frmSearch;
    whenDialogShows([&] {
        search.CheckBoxFiles->setChecked(true);
        search.EditSearch->setText("*.txt");
        search.ButtonSearch->click();
        search.VSTResultsHeaderClick(TSearchResultsModel::colSize);
        script.setNextFileName(Q(dir.File("found.csv")));
        search.ButtonExportCsv->click();
        script.setNextFileName(Q(dir.File("no/such/folder/found.html")));
        search.ButtonExportHtml->click();
        search.ButtonClose->click();
    });
    ASSERT_TRUE(triggerAction(&Main(), "actSearch"));
    const QStringList lines = Q(ReadWholeFile(dir.File("found.csv"))).split("\r\n", Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 1 + 5 * 4); // a.txt, b.txt, m.txt, top.txt on each medium
    EXPECT_EQ(lines[1], "Echo,,top.txt,file,1,2023-03-15 12:00:00,,,") << "in the order shown";
    ASSERT_EQ(script.MessageTexts().size(), 1);
    EXPECT_EQ(script.MessageTexts().first(), "Could not write the report.\n" +
                                                 Q(dir.File("no/such/folder/found.html")) +
                                                 ": No such file or directory");
}

} // namespace
