// The scan window: it starts the walk once shown, shows the folder entered and the counts, and
// ends with OK, or with Cancel when Stop was pressed, also in the middle of an archive.
#include "widgets/modalresult.h"
#include "catalogue/mediaclasses.h"
#include "scan/mediascan.h"
#include "scan/ufrmMediaRead.h"
#include "support/guihelpers.h"
#include "support/testfiles.h"

#include <QLabel>
#include <QPushButton>
#include <gtest/gtest.h>

#include <filesystem>
#include <thread>

namespace {

// A RAR archive whose members come slowly, one a millisecond.
class SlowRar : public IRarArchive {
public:
    explicit SlowRar(int count) : count_(count) {}
    int ReadHeader(RarHeader& h) override {
        if (next_ >= count_) return 1;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        h.FileName = "m" + std::to_string(next_);
        return 0;
    }
    int SkipMember() override { return ++next_, 0; }

private:
    int count_, next_ = 0;
};

class MediaRead : public ::testing::Test {
protected:
    void TearDown() override { SetRarOpener(nullptr); }
    // Runs `act` once, from the window's own event handling, as soon as `ready` holds.
    void WhenDuringScan(std::function<bool()> ready, std::function<void()> act) {
        auto* poller = new QTimer(&window);
        QObject::connect(poller, &QTimer::timeout, [=] {
            if (!ready()) return;
            poller->stop();
            act();
        });
        poller->start(2);
    }
    int Scan(const std::string& path, bool rar = false) {
        window.PrepareScan(&medium, path, false, rar);
        return window.exec();
    }
    int Members() const {
        const CFile* archive = medium.GetEntry(0);
        return archive ? archive->ChildCount() : 0;
    }

    TempDir dir;
    CMedienListe cat;
    CMedium medium{&cat};
    TfrmMediaRead window;
};

TEST_F(MediaRead, CompletedScanShowsTheLastFolderEnteredWithItsCounts) {
    std::filesystem::create_directories(dir.File("a/b"));
    WriteWholeFile(dir.File("a/b/two.bin"), std::string(2048, 'x'));
    EXPECT_EQ(Scan(dir.Path()), mrOk);
    EXPECT_EQ(window.LabelPos->toolTip().toStdString(), dir.File("a/b"));
    EXPECT_EQ(window.LabelDirectories->text(), "2");
    EXPECT_EQ(window.LabelFiles->text(), "0") << "written when b was entered, before its file";
    EXPECT_EQ(window.LabelSize->text(), "0 KB");
    EXPECT_FALSE(window.Timer->isActive());

    // The window is reused; the counts go on from the medium's.
    EXPECT_EQ(Scan(dir.File("a")), mrOk);
    EXPECT_EQ(window.LabelPos->toolTip().toStdString(), dir.File("a/b"));
    EXPECT_EQ(window.LabelDirectories->text(), "3");
    EXPECT_EQ(window.LabelFiles->text(), "1");
    EXPECT_EQ(window.LabelSize->text(), "2.00 KB");
    EXPECT_EQ(medium.FileCount, 2);
}

// A path wider than the label keeps its beginning and the folder being read; the middle gives way.
TEST_F(MediaRead, LongPathIsShortenedInTheMiddle) {
    std::string deep = "first";
    for (int level = 0; level < 20; ++level) deep += "/level-" + std::to_string(level);
    deep += "/last";
    std::filesystem::create_directories(dir.File(deep));
    EXPECT_EQ(Scan(dir.Path()), mrOk);
    const QString shown = window.LabelPos->text();
    EXPECT_EQ(window.LabelPos->toolTip().toStdString(), dir.File(deep));
    EXPECT_LE(window.LabelPos->fontMetrics().horizontalAdvance(shown), window.LabelPos->width());
    EXPECT_TRUE(shown.startsWith(QString::fromStdString(dir.Path()).left(4))) << shown.toStdString();
    EXPECT_TRUE(shown.endsWith("/last")) << shown.toStdString();
    EXPECT_TRUE(shown.contains(QChar(0x2026))) << shown.toStdString();
}

TEST_F(MediaRead, StopInsideAnArchiveEndsWithCancel) {
    WriteWholeFile(dir.File("big.rar"), "x");
    SetRarOpener([](const std::string&) { return std::make_unique<SlowRar>(5000); });
    WhenDuringScan([this] { return Members() >= 10; }, [this] { window.ButtonStop->click(); });
    EXPECT_EQ(Scan(dir.Path(), true), mrCancel);
    EXPECT_TRUE(window.FStopped);
    EXPECT_LT(Members(), 100) << "the listing ended soon after Stop";
    EXPECT_FALSE(window.isVisible());
}

TEST_F(MediaRead, ClosingTheWindowDoesNotStopTheWalk) {
    WriteWholeFile(dir.File("big.rar"), "x");
    SetRarOpener([](const std::string&) { return std::make_unique<SlowRar>(150); });
    const std::vector<std::function<void()>> closers = {[this] { window.close(); },  // title bar
                                                        [this] { window.reject(); }}; // Escape
    for (const auto& close : closers) {
        medium.ClearEntries();
        bool shownAfterClose = false;
        WhenDuringScan([this] { return Members() >= 10; }, [&] {
            close();
            shownAfterClose = window.isVisible();
        });
        EXPECT_EQ(Scan(dir.Path(), true), mrOk);
        EXPECT_TRUE(shownAfterClose) << "the window stays while the walk runs, with its Stop button";
        EXPECT_EQ(Members(), 150) << "the walk ran to its end";
    }
}

} // namespace
