// The Help menu: the about box's support lines and version, the credits line that the sixth
// double click on the logo shows, and the manual that Index and F1 open.
#include "app/appicon.h"
#include "language/messagetable.h"
#include "app/manual.h"
#include "app/shelvixwindows.h"
#include "app/ufrmInfo.h"
#include "app/ufrmShelvix.h"
#include "scan/mediascan.h"
#include "scan/rarlibrary.h"
#include "search/ufrmSearch.h"
#include "support/guihelpers.h"
#include "support/scriptedinteraction.h"
#include "support/testfiles.h"

#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

// The windows as the program creates them, with or without the RAR library.
struct Program {
    explicit Program(bool rarLibrary) {
        SetRarLibraryAbsent(!rarLibrary);
        windows = std::make_unique<TShelvixWindows>();
    }
    ~Program() {
        windows.reset();
        SetRarLibraryAbsent(false);
        SetRarOpener(nullptr);
    }
    TfrmShelvix& main() { return *windows->frmShelvix; }
    TfrmInfo& info() { return *windows->frmInfo; }
    TScriptedInteraction script;
    std::unique_ptr<TShelvixWindows> windows;
};

TEST(AboutBox, SupportLinesAndVersion) {
    struct Case {
        const char* name;
        bool library;
        const char* rar;
    };
    for (const Case& c : {Case{"library present", true, "available"},
                          Case{"library absent", false, "n/a UNRAR.DLL not found"}}) {
        Program program(c.library);
        EXPECT_EQ(program.main().RarSupport(), c.library) << c.name;
        EXPECT_EQ(static_cast<bool>(RegisteredRarOpener()), c.library) << c.name;
        bool shownModally = false;
        whenDialogShows([&] {
            shownModally = program.info().isModal() && program.info().isVisible();
            program.info().ButtonClose->click();
        });
        program.main().actInfo->trigger();
        EXPECT_TRUE(shownModally) << c.name;
        EXPECT_EQ(program.info().LabelRAR->text(), c.rar) << c.name;
        EXPECT_EQ(program.info().LabelZIP->text(), "available") << c.name;
        EXPECT_EQ(program.info().LabelVersion->text(), "V" SHELVIX_VERSION) << c.name;
    }
}

TEST(AboutBox, SixthDoubleClickShowsScrollingCreditsUntilShownAgain) {
    TfrmInfo info;
    info.show();
    for (int click = 1; click <= 5; ++click) QTest::mouseDClick(info.Image1, Qt::LeftButton);
    EXPECT_TRUE(info.ScrollingLabelEasterEgg->isHidden()) << "five double clicks";
    QTest::mouseDClick(info.Image1, Qt::LeftButton);
    EXPECT_FALSE(info.ScrollingLabelEasterEgg->isHidden()) << "the sixth";

    // Right to left, one character a step, a step every 75 ms.
    EXPECT_EQ(info.ScrollTimer->interval(), 75);
    EXPECT_TRUE(info.ScrollTimer->isActive());
    const QString before = info.ScrollingLabelEasterEgg->text();
    info.ScrollStep();
    EXPECT_EQ(info.ScrollingLabelEasterEgg->text(), before.mid(1) + before.at(0));

    info.hide();
    info.show();
    EXPECT_TRUE(info.ScrollingLabelEasterEgg->isHidden()) << "shown again";
    EXPECT_EQ(info.DoubleClicks(), 0);
    for (int click = 1; click <= 5; ++click) QTest::mouseDClick(info.Image1, Qt::LeftButton);
    EXPECT_TRUE(info.ScrollingLabelEasterEgg->isHidden()) << "the count starts again";
}

TEST(Manual, FoundBesideTheProgramInTheBuildTree) {
    const QString manual = FindManual(QStringLiteral(SHELVIX_PROGRAM_DIR));
    ASSERT_FALSE(manual.isEmpty());
    QFile file(manual);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.readAll().contains("<title>Shelvix"));
    TempDir empty;
    EXPECT_EQ(FindManual(QString::fromStdString(empty.Path())), QString());
}

TEST(AboutBox, LogoShowsTheApplicationIcon) {
    // The icon is embedded in a static library: a resource that is not linked in leaves the
    // window without its icon and the logo empty without any message.
    const QIcon icon = ApplicationIcon();
    ASSERT_FALSE(icon.isNull());
    EXPECT_TRUE(icon.availableSizes().contains(QSize(48, 48)));
    const QImage logo = TfrmInfo::Logo(1.0).toImage().convertToFormat(QImage::Format_ARGB32);
    const QImage drawn = ApplicationIconPixmap(logo.height(), 1.0).toImage().convertToFormat(
        QImage::Format_ARGB32);
    ASSERT_FALSE(drawn.isNull());
    EXPECT_EQ(logo.copy(0, 0, drawn.width(), drawn.height()), drawn);
}

TEST(Manual, FoundFromTheBuildTreeAndTheInstalledLayout) {
    struct Case {
        const char* name;
        std::vector<std::string> tree;
        const char* programDir;
        const char* expected; // below the scratch root; empty: none found there
    };
    const Case cases[] = {
        {"build tree: beside the program", {"build/src/manual/shelvix.html:9"}, "build/src",
         "build/src/manual/shelvix.html"},
        {"package: /usr/bin and /usr/share/shelvix/manual",
         {"usr/bin/", "usr/share/shelvix/manual/shelvix.html:9"}, "usr/bin",
         "usr/share/shelvix/manual/shelvix.html"},
        {"a copy beside the program comes first",
         {"usr/bin/manual/shelvix.html:9", "usr/share/shelvix/manual/shelvix.html:9"}, "usr/bin",
         "usr/bin/manual/shelvix.html"},
        {"only the documentation folder", {"usr/bin/", "usr/share/doc/shelvix/shelvix.html:9"},
         "usr/bin", ""},
    };
    for (const Case& c : cases) {
        TempDir root;
        MakeTree(root.Path(), c.tree);
        const QString found = FindManual(QString::fromStdString(root.File(c.programDir)));
        const std::string expected = *c.expected ? root.File(c.expected) : "";
        EXPECT_EQ(found.toStdString(), expected) << c.name;
    }
}

TEST(Manual, IndexAndF1OpenItOrSaySoWhenNothingCan) {
    struct Case {
        const char* name;
        bool viewerStarts;
        std::function<void(Program&)> ask;
    };
    const auto f1 = [](QWidget* target) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_F1, Qt::NoModifier);
        QApplication::sendEvent(target, &press);
    };
    const Case cases[] = {
        {"Index", true, [](Program& p) { p.main().actIndex->trigger(); }},
        {"F1 in the search dialog", true,
         [&](Program& p) { f1(p.windows->frmSearch->EditSearch); }},
        {"Index without a viewer", false, [](Program& p) { p.main().actIndex->trigger(); }},
    };
    for (const Case& c : cases) {
        Program program(true);
        program.script.documentOpens = c.viewerStarts;
        c.ask(program);
        const QList<TAskedQuestion>& asked = program.script.Asked();
        ASSERT_GE(asked.size(), 1) << c.name;
        EXPECT_EQ(asked[0].kind, "document") << c.name;
        EXPECT_EQ(asked[0].text, FindManual(QCoreApplication::applicationDirPath())) << c.name;
        EXPECT_TRUE(asked[0].text.endsWith("/manual/shelvix.html")) << c.name;
        if (c.viewerStarts) {
            EXPECT_EQ(asked.size(), 1) << c.name;
        } else {
            ASSERT_EQ(asked.size(), 2) << c.name;
            EXPECT_EQ(asked[1].caption, QString::fromStdString(ShelvixMessages::msgError));
            EXPECT_EQ(asked[1].text, QString::fromStdString(ShelvixMessages::msgNoManual));
        }
    }
}

} // namespace
