// The Details command: which node it opens a dialog for, what the entry details dialog applies,
// and how "..." brings back the category the entry or medium holds.
#include "mediacommands_fixture.h"

#include "catalogue/daycount.h"
#include "catalogue/entrywalk.h"
#include "categories/ufrmCategories.h"
#include "categories/ufrmDetailsFiles.h"
#include "scan/ufrmMediaDetails.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {

class EntryDetails : public MediaCommands {
protected:
    CMedium& Echo() { return *Cat().GetMedium(0); }
    CFile* Entry(const char* name) {
        CFile* found = nullptr;
        WalkEntries(Echo().Entries(), [&](CFile* e) {
            if (e->Name() == name) found = e;
            return found != nullptr;
        });
        return found;
    }
    // Every entry of Echo with its category index, depth first.
    std::string Categories() {
        std::string text;
        WalkEntries(Echo().Entries(), [&text](const CFile* e) {
            text += std::string(e->Name()) + '=' + std::to_string(e->Category) + ' ';
            return false;
        });
        return text;
    }
    // Selects Echo, then the entry: its folder node in the media tree, or its node in the
    // explorer; the view it was selected in gets the focus.
    void SelectEntry(const char* name, bool inMediaTree) {
        SelectInTree({MediumNode(0)});
        if (inMediaTree) {
            const QModelIndex folder = Main().MediaModel().IndexOfEntry(Entry(name));
            ASSERT_TRUE(folder.isValid());
            SelectInTree({folder});
            Focus(Main().VTMedien);
        } else {
            Main().SelectInExplorer(Entry(name));
            Focus(Main().VTExplorer);
        }
    }
    static QString Current(const QComboBox* pickList) {
        return pickList->currentIndex() < 0 ? QString() : pickList->currentText();
    }
};

TEST_F(EntryDetails, OkGivesTheChosenCategoryAbortNothing) {
    const char* start = "Docs=1 Deep=-1 a.txt=0 b.txt=-1 pack.zip=-1 inner=-1 m.txt=-1 top.txt=-1 ";
    struct Case {
        const char* what;
        const char* entry;
        bool inMediaTree;
        const char* heldShown; // selected at the opening; "" none
        bool sub;
        const char* choose; // "" none
        bool ok;
        const char* after;
    } cases[] = {
        {"a folder of the media tree, with everything beneath", "Docs", true, "Films", true,
         "Music", true, "Docs=0 Deep=0 a.txt=0 b.txt=0 pack.zip=-1 inner=-1 m.txt=-1 top.txt=-1 "},
        {"a folder of the explorer, alone", "Docs", false, "Films", false, "Music", true,
         "Docs=0 Deep=-1 a.txt=0 b.txt=-1 pack.zip=-1 inner=-1 m.txt=-1 top.txt=-1 "},
        // The pick list shows Films and films once; the first of them in list order is given.
        {"an archive passes it to its members", "pack.zip", false, "", true, "Films", true,
         "Docs=1 Deep=-1 a.txt=0 b.txt=-1 pack.zip=1 inner=1 m.txt=1 top.txt=-1 "},
        {"no category chosen clears everything beneath", "Deep", false, "", true, "", true,
         "Docs=1 Deep=-1 a.txt=-1 b.txt=-1 pack.zip=-1 inner=-1 m.txt=-1 top.txt=-1 "},
        {"Abort after choosing", "a.txt", false, "Music", true, "Films", false, start},
    };
    bool subLeft = true; // checked at creation, then as the user left it
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        OpenFive();
        SelectEntry(c.entry, c.inMediaTree);
        ASSERT_EQ(Categories(), start);
        TfrmDetailsFile& dialog = *windows.frmDetailsFile;
        TriggerAnswering("actDetails", [&](QWidget* shown) {
            ASSERT_EQ(shown, &dialog);
            EXPECT_EQ(dialog.LabelName->text(), QString::fromLatin1(c.entry));
            EXPECT_EQ(Current(dialog.ComboBoxCategory), QString::fromLatin1(c.heldShown));
            EXPECT_EQ(dialog.CheckBoxSub->isChecked(), subLeft);
            EXPECT_EQ(dialog.ComboBoxCategory->count(), 2);
            dialog.CheckBoxSub->setChecked(c.sub);
            dialog.ComboBoxCategory->setCurrentIndex(
                *c.choose ? dialog.ComboBoxCategory->findText(QString::fromLatin1(c.choose)) : -1);
            (c.ok ? dialog.ButtonOK : dialog.ButtonAbort)->click();
        });
        subLeft = c.sub;
        EXPECT_EQ(Categories(), c.after);
        EXPECT_EQ(Echo().Stored, !c.ok) << "OK has the medium written again";
        EXPECT_EQ(TitleMarked(), c.ok);
        EXPECT_TRUE(script.Asked().isEmpty());
    }
}

TEST_F(EntryDetails, ShowsWhereTheFileIsAndEveryDetail) {
    struct Case {
        const char* what;
        const char* entry;
        TDetailPairs details;
        const char* path;
        const char* size; // "" hidden
        const char* names; // "" hidden
        const char* values;
    } cases[] = {
        {"a photo", "a.txt",
         {{"width", "4000"}, {"height", "3000"}, {"taken", "2019-06-05T14:03:02"}, {"make", "Canon"},
          {"model", "EOS 5D"}, {"latitude", "48.8584"}, {"longitude", "-2.2945"}, {"orientation", "6"}},
         "/Docs/Deep/a.txt", "10 bytes (0 KB)", "Dimensions:\nTaken:\nCamera:\nPosition:\nOrientation:",
         "4000 \u00D7 3000\n2019-06-05 14:03:02\nCanon EOS 5D\n48.8584, -2.2945\n6"},
        {"a song", "b.txt",
         {{"title", "Fernando"}, {"artist", "ABBA"}, {"album", "Greatest Hits"}, {"track", "3"}, {"year", "1976"},
          {"genre", "Pop"}, {"duration", "254.2"}, {"bitrate", "320"}},
         "/Docs/b.txt", "20 bytes (0 KB)", "Duration:\nTitle:\nArtist:\nAlbum:\nTrack:\nYear:\nGenre:\nBit rate:",
         "4:14\nFernando\nABBA\nGreatest Hits\n3\n1976\nPop\n320 kbit/s"},
        // A key of a later version, and half of a pair, under the names they were kept by.
        {"a video", "top.txt", {{"codec", "h264"}, {"rating", "5"}, {"framerate", "29.97"}, {"width", "1920"}},
         "/top.txt", "1 byte (0 KB)", "Codec:\nFrame rate:\nrating:\nwidth:", "h264\n29.97 fps\n5\n1920"},
        {"a tag holding a line break stays on its line", "top.txt", {{"title", "Two\nlines"}, {"artist", "Me"}},
         "/top.txt", "1 byte (0 KB)", "Title:\nArtist:", "Two lines\nMe"},
        {"a folder", "Docs", {}, "/Docs", "", "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        OpenFive();
        Echo().Details.Set(Entry(c.entry), c.details);
        SelectEntry(c.entry, false);
        TfrmDetailsFile& dialog = *windows.frmDetailsFile;
        TriggerAnswering("actDetails", [&](QWidget* shown) {
            ASSERT_EQ(shown, &dialog);
            EXPECT_EQ(dialog.LabelMedium->text(), "Echo");
            EXPECT_EQ(dialog.LabelPath->text(), c.path);
            EXPECT_EQ(dialog.LabelSize->isVisible(), *c.size != 0);
            if (*c.size) EXPECT_EQ(dialog.LabelSize->text(), c.size);
            EXPECT_EQ(dialog.LabelDetails->isVisible(), *c.names != 0);
            EXPECT_EQ(dialog.LabelFDetails->text(), c.names);
            QString values = dialog.LabelDetails->text();
            // The date as the Date column writes it, here in ISO form to compare.
            values.replace(EntryDateText(LocalDayCount(2019, 6, 5, 14 * 3600 + 3 * 60 + 2)),
                           QStringLiteral("2019-06-05 14:03:02"));
            EXPECT_EQ(values, QString::fromUtf8(c.values));
            dialog.ButtonAbort->click();
        });
    }
}

TEST_F(EntryDetails, OpensForExactlyOneNodeOfTheFocusedView) {
    struct Case {
        const char* what;
        std::function<void()> select;
        const char* opens; // object name of the dialog, "" none
    };
    const Case cases[] = {
        {"a medium", [this] { SelectInTree({MediumNode(1)}); Focus(Main().VTMedien); },
         "frmMediaDetails"},
        {"two media", [this] { SelectInTree({MediumNode(1), MediumNode(2)}); Focus(Main().VTMedien); },
         ""},
        {"no view has the focus", [this] { SelectEntry("top.txt", false); Main().VTExplorer->clearFocus(); },
         ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        OpenFive();
        c.select();
        TriggerAnswering("actDetails", [&c](QWidget* shown) {
            EXPECT_EQ(shown ? shown->objectName() : QString(), QString::fromLatin1(c.opens));
            if (auto* dialog = qobject_cast<QDialog*>(shown)) dialog->reject();
        });
        EXPECT_FALSE(Cat().IsModified());
    }
}

// "..." with a rename of the held category: afterwards the pick list shows the held category
// under its new name, and the choice made before is gone.
TEST_F(EntryDetails, CategoriesDialogReselectsTheHeldCategoryByItsNewName) {
    struct Case {
        const char* what;
        bool entry;
        int renamedRow; // in list order: Music, Films, films
        const char* newName;
    } cases[] = {{"entry details", true, 1, "Cinema"}, {"medium details", false, 0, "Tunes"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        OpenFive();
        QComboBox* pickList = nullptr;
        QPushButton* more = nullptr;
        QPushButton* abort = nullptr;
        std::function<int32_t()> held;
        if (c.entry) {
            SelectEntry("Docs", false);
            pickList = windows.frmDetailsFile->ComboBoxCategory;
            more = windows.frmDetailsFile->ButtonCategories;
            abort = windows.frmDetailsFile->ButtonAbort;
            held = [this] { return Entry("Docs")->Category; };
        } else {
            SelectInTree({MediumNode(1)});
            Focus(Main().VTMedien);
            pickList = windows.frmMediaDetails->ComboBoxCategory;
            more = windows.frmMediaDetails->ButtonCategory;
            abort = windows.frmMediaDetails->ButtonAbort;
            held = [this] { return Cat().GetMedium(1)->Category; };
        }
        const int32_t before = held();
        TfrmCategories& categories = *windows.frmCategories;
        TriggerAnswering("actDetails", [&](QWidget*) {
            pickList->setCurrentIndex(pickList->findText(QString::fromLatin1(c.entry ? "Music" : "Films")));
            whenDialogShows([&] {
                categories.VSTCategories->setCurrentIndex(
                    categories.VSTCategories->model()->index(c.renamedRow, 0));
                categories.VSTCategoriesDblClick();
                categories.EditName->setText(QString::fromLatin1(c.newName));
                categories.ButtonAddChange->click();
                categories.ButtonClose->click();
            });
            more->click();
            EXPECT_EQ(Current(pickList), QString::fromLatin1(c.newName));
            abort->click();
        });
        EXPECT_EQ(held(), before) << "Abort keeps the held category";
        EXPECT_EQ(Cat().Categories[size_t(before)], c.newName);
        EXPECT_TRUE(TitleMarked()) << "the rename stays and marks the catalogue";
    }
}

} // namespace
