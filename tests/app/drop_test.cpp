// Dropping on the main window: what the file manager's drag brings is judged on entering (the
// cursor shows refusal when the window ignores it) and acted on when dropped.
#include "support/qtprinters.h"

#include "language/messagetable.h"
#include "app/shelvixwindows.h"
#include "app/ufrmShelvix.h"
#include "platform/volumeinfo.h"
#include "support/scriptedinteraction.h"
#include "support/testfiles.h"

#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <filesystem>
#include <gtest/gtest.h>

namespace {

enum class Effect { Refused, Added, Opened };

struct DropCase {
    const char* name;
    std::vector<std::string> items; // files of the test folder, or URLs with "://"
    Effect effect;
};

std::ostream& operator<<(std::ostream& out, const DropCase& c) { return out << c.name; }

const DropCase kDrops[] = {
    {"FolderIsAdded", {"disc"}, Effect::Added},
    {"CatalogueFileIsOpened", {"other.sxf"}, Effect::Opened},
    {"OtherFileIsRefused", {"disc/song.mp3"}, Effect::Refused},
    {"TwoFoldersAreRefused", {"disc", "disc/sub"}, Effect::Refused},
    {"RemoteCatalogueIsRefused", {"https://example.org/other.SXF"}, Effect::Refused},
    {"MissingCatalogueIsRefused", {"gone.SXF"}, Effect::Refused},
};

class Drop : public ::testing::TestWithParam<DropCase> {
protected:
    void SetUp() override {
        ResetMessagesToBuiltIn();
        InstallLinuxVolumeInfoReader();
        std::filesystem::create_directories(dir.File("disc/sub"));
        WriteWholeFile(dir.File("disc/song.mp3"), "12345");
        CMedienListe other;
        CMedium& m = *other.AddMedium(std::make_unique<CMedium>(&other));
        m.Name = "From the other catalogue";
        m.ContentLoaded = true;
        ASSERT_TRUE(other.Save(dir.File("other.sxf")));
    }
    void TearDown() override { SetVolumeInfoReader(nullptr); }

    TfrmShelvix& Main() { return *windows.frmShelvix; }

    TScriptedInteraction script;
    TempDir dir;
    TShelvixWindows windows;
};

TEST_P(Drop, JudgedOnEnteringAndDoneOnDropping) {
    const DropCase& c = GetParam();
    QList<QUrl> urls;
    for (const std::string& item : c.items)
        urls << (item.find("://") != std::string::npos
                     ? QUrl(QString::fromStdString(item))
                     : QUrl::fromLocalFile(QString::fromStdString(dir.File(item))));
    QMimeData data;
    data.setUrls(urls);
    // Unsaved changes: opening another catalogue asks first (answered No: go on without saving).
    Main().Catalogue().SetModified(true);
    script.setNextAnswer(mrNo);

    const bool accepted = c.effect != Effect::Refused;
    QDragEnterEvent enter(QPoint(20, 20), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    enter.setAccepted(!accepted); // the window must decide either way
    QApplication::sendEvent(&Main(), &enter);
    EXPECT_EQ(enter.isAccepted(), accepted);
    QDropEvent drop(QPointF(20, 20), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    drop.setAccepted(false);
    QApplication::sendEvent(&Main(), &drop);
    if (accepted) {
        EXPECT_TRUE(drop.isAccepted());
    }

    CMedienListe& cat = Main().Catalogue();
    const int expectedMedia = c.effect == Effect::Refused ? 0 : 1;
    ASSERT_EQ(cat.Count(), expectedMedia);
    QStringList kinds;
    for (const TAskedQuestion& asked : script.Asked()) kinds << asked.kind + ":" + asked.text;
    switch (c.effect) {
    case Effect::Added:
        EXPECT_EQ(cat.GetMedium(0)->Name, "disc");
        EXPECT_EQ(cat.GetMedium(0)->FileCount, 1);
        EXPECT_TRUE(kinds.isEmpty()) << "no folder chooser: " << kinds.join(' ').toStdString();
        break;
    case Effect::Opened:
        EXPECT_EQ(cat.GetMedium(0)->Name, "From the other catalogue");
        EXPECT_EQ(cat.FileName, dir.File("other.sxf"));
        EXPECT_EQ(kinds, QStringList({"message:" + QString::fromStdString(ShelvixMessages::msgModified)}))
            << "the question about unsaved changes, and no file dialog";
        break;
    case Effect::Refused:
        EXPECT_TRUE(kinds.isEmpty()) << kinds.join(' ').toStdString();
        EXPECT_TRUE(cat.IsModified());
        break;
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, Drop, ::testing::ValuesIn(kDrops),
                         [](const ::testing::TestParamInfo<DropCase>& info) {
                             return std::string(info.param.name);
                         });

} // namespace
