// The media tree and explorer models over real catalogue objects, each checked by Qt's model
// tester while it is used, and the texts and icon lists the views show.
#include "language/messagetable.h"
#include "widgets/imagelists.h"
#include "widgets/mediaviewmodels.h"
#include "widgets/mountwatcher.h"
#include "support/catalogue_text.h"
#include "support/qtprinters.h"
#include "support/testfiles.h"

#include <QAbstractItemModelTester>
#include <QDate>
#include <QLocale>
#include <QPixmap>
#include <QSignalSpy>
#include <QTime>
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <limits>

namespace {

CFile* Add(CMedium& m, CFile* parent, std::string_view name, int32_t kind, int64_t size = 0) {
    return AddTestEntry(m, parent, name, kind, size);
}

CMedium* AddMedium(CMedienListe& cat, const char* name, int32_t category = -1) {
    CMedium* m = cat.AddMedium(std::make_unique<CMedium>(&cat));
    m->Name = name;
    m->Category = category;
    m->ContentLoaded = true;
    return m;
}

// Collects what the model tester reports; a clean run reports nothing.
QStringList* g_modelWarnings = nullptr;
void CollectModelWarnings(QtMsgType, const QMessageLogContext& context, const QString& text) {
    if (g_modelWarnings && context.category && QByteArray(context.category) == "qt.modeltest")
        *g_modelWarnings << text;
}

// Qt's model tester on a model for the lifetime of this object; members start in this order.
struct Checked {
    explicit Checked(QAbstractItemModel* model)
        : tester(model, QAbstractItemModelTester::FailureReportingMode::Warning) {}
    ~Checked() {
        g_modelWarnings = nullptr;
        qInstallMessageHandler(previous);
        EXPECT_TRUE(warnings.isEmpty()) << warnings.join('\n').toStdString();
    }
    QStringList warnings;
    QStringList* collecting = g_modelWarnings = &warnings;
    QtMessageHandler previous = qInstallMessageHandler(CollectModelWarnings);
    QAbstractItemModelTester tester;
};

QStringList Names(const QAbstractItemModel& model, const QModelIndex& parent = {}) {
    QStringList names;
    for (int row = 0; row < model.rowCount(parent); ++row)
        names << model.index(row, 0, parent).data().toString();
    return names;
}

// Nine icons that can be told apart, whatever icon theme the machine has.
TImageList DistinctIcons() {
    TImageList list;
    for (int i = 0; i < 9; ++i) {
        QPixmap pixmap(4, 4);
        pixmap.fill(QColor::fromHsv(i * 40, 255, 255));
        list.Set(i, QIcon(pixmap));
    }
    return list;
}

qint64 IconKey(const QVariant& icon) { return icon.isValid() ? icon.value<QIcon>().cacheKey() : -1; }

} // namespace

TEST(MediaTreeModel, ShowsPresentMediaAndOnlyTheirFoldersAfterFill) {
    CMedienListe cat;
    CMedium* first = AddMedium(cat, "first");
    CFile* a = Add(*first, nullptr, "A", kindFolder);
    Add(*first, nullptr, "file", kindFile);
    CFile* zip = Add(*first, nullptr, "z.zip", kindArchive);
    Add(*first, zip, "inner", kindFolder);
    Add(*first, nullptr, "B", kindFolder);
    CFile* onlyFiles = Add(*first, a, "A1", kindFolder);
    Add(*first, onlyFiles, "f.txt", kindFile);
    CMedium* removed = AddMedium(cat, "removed");
    Add(*removed, nullptr, "R", kindFolder);
    removed->Present = false;
    AddMedium(cat, "third");

    TMediaTreeModel model(nullptr);
    Checked checked(&model);
    model.FillMediaTree(&cat);
    EXPECT_EQ(Names(model), (QStringList{"first", "third"}));
    const QModelIndex node = model.IndexOfMedium(first);
    EXPECT_EQ(model.rowCount(node), 0) << "no folder nodes before the medium was opened";
    model.FillFolderNodes(removed);
    EXPECT_FALSE(model.IndexOfMedium(removed).isValid());

    first->ContentLoaded = false;
    model.FillFolderNodes(first);
    EXPECT_EQ(model.rowCount(node), 0) << "content not loaded";
    first->ContentLoaded = true;
    model.FillFolderNodes(first);
    model.FillFolderNodes(first); // again, as on every selection: no second set of nodes
    EXPECT_EQ(Names(model, node), (QStringList{"A", "B"}));
    const QModelIndex a1 = model.IndexOfEntry(onlyFiles);
    ASSERT_TRUE(a1.isValid());
    EXPECT_EQ(model.ObjectAt(a1).entry, onlyFiles);
    EXPECT_EQ(model.ObjectAt(a1.parent()).entry, a);
    EXPECT_FALSE(model.hasChildren(a1)) << "a folder of only files";
    EXPECT_FALSE(model.IndexOfEntry(zip).isValid());

    model.FillMediaTree(&cat);
    EXPECT_EQ(model.rowCount(model.IndexOfMedium(first)), 0) << "a refill drops folder nodes";
}

struct SortCase {
    int column;
    Qt::SortOrder order;
    QStringList expected;
};

// Names in natural order, letter case folded; names equal so are ordered by their bytes, in
// either direction. Equal categories keep the order shown.
TEST(MediaTreeModel, SortsInNaturalOrder) {
    CMedienListe cat;
    cat.Categories = {"Music", "films"};
    AddMedium(cat, "delta", 1);
    AddMedium(cat, "ABC");
    CMedium* beta = AddMedium(cat, "beta", 0);
    AddMedium(cat, "abc", 7); // out of range: empty text
    AddMedium(cat, "Zulu", 1);
    CFile* folder = Add(*beta, nullptr, "photos", kindFolder);

    const SortCase cases[] = {
        {0, Qt::AscendingOrder, {"ABC", "abc", "beta", "delta", "Zulu"}},
        {0, Qt::DescendingOrder, {"Zulu", "delta", "beta", "abc", "ABC"}},
        {1, Qt::AscendingOrder, {"ABC", "abc", "delta", "Zulu", "beta"}},
        {1, Qt::DescendingOrder, {"beta", "delta", "Zulu", "ABC", "abc"}},
        {-1, Qt::DescendingOrder, {"delta", "ABC", "beta", "abc", "Zulu"}},
    };
    for (const SortCase& c : cases) {
        SCOPED_TRACE(testing::Message() << "column " << c.column << " order " << c.order);
        TMediaTreeModel model(nullptr);
        Checked checked(&model);
        model.FillMediaTree(&cat);
        model.FillFolderNodes(beta);
        const QPersistentModelIndex betaNode = model.IndexOfMedium(beta);
        const QPersistentModelIndex folderNode = model.IndexOfEntry(folder);
        model.SortBy(c.column, c.order);
        EXPECT_EQ(Names(model), c.expected);
        EXPECT_EQ(betaNode.row(), c.expected.indexOf("beta"));
        EXPECT_EQ(model.ObjectAt(folderNode).entry, folder);
        EXPECT_EQ(folderNode.parent(), QModelIndex(betaNode));
        model.FillMediaTree(&cat);
        EXPECT_EQ(Names(model), c.expected) << "a refill keeps the sort";
    }
}

TEST(MediaTreeModel, HintIconsAndStatusText) {
    ResetMessagesToBuiltIn();
    CMedienListe cat;
    cat.Categories = {"Photos"};
    CMedium* m = AddMedium(cat, "Holiday", 0);
    m->VolumeLabel = "HOL_2023";
    m->Serial = "1A2B3C4D";
    m->TotalSize = 1572864;
    m->FolderCount = 12;
    m->FileCount = 120;
    m->Notice = "Trip\r\nby train";
    CFile* folder = Add(*m, nullptr, "dcim", kindFolder);

    const TImageList icons = DistinctIcons();
    TMediaTreeModel model(&icons);
    Checked checked(&model);
    model.FillMediaTree(&cat);
    model.FillFolderNodes(m);
    const QModelIndex node = model.IndexOfMedium(m);
    const QString hint = "Name:  Holiday\rLabel:  HOL_2023\rSerialnumber:  1A2B3C4D\rSize:  1.50 MB\r"
                         "Directories:  12\rFiles:  120\rCategory:  Photos\rNotice:  Trip\r\nby train";
    EXPECT_EQ(MediumHint(*m), hint);
    EXPECT_EQ(node.data(Qt::ToolTipRole).toString(), QString(hint).replace("\r\n", "\n").replace('\r', '\n'))
        << "a tooltip breaks lines at line feeds only, the notice's CR LF once";
    EXPECT_EQ(model.index(0, 1).data().toString(), "Photos");
    EXPECT_FALSE(model.IndexOfEntry(folder).data(Qt::ToolTipRole).isValid());
    EXPECT_EQ(MediumStatusText(*m), "Files: 120 (1.50 MB), Directories: 12");
    ShelvixMessages::msgFiles = "Dateien";
    EXPECT_EQ(MediumStatusText(*m), "Dateien: 120 (1.50 MB), Directories: 12");
    ResetMessagesToBuiltIn();

    EXPECT_EQ(IconKey(model.IndexOfEntry(folder).data(Qt::DecorationRole)), icons.At(8).cacheKey());
    EXPECT_FALSE(model.index(0, 1).data(Qt::DecorationRole).isValid());
    const std::pair<uint32_t, int> driveIcons[] = {{0, 6}, {1, 5}, {2, 0}, {3, 1}, {4, 2},
                                                   {5, 3}, {6, 4}, {7, -1}, {99, -1}};
    // Not mounted: the same icons, dimmed, and the text drawn as disabled.
    TMountWatcher& watcher = TMountWatcher::Instance();
    TempDir machine;
    watcher.SetRoot(machine.Path());
    for (const auto& [type, icon] : driveIcons) {
        m->DriveType = type;
        EXPECT_EQ(IconKey(node.data(Qt::DecorationRole)),
                  icon < 0 ? -1 : DimmedIcon(icons.At(icon)).cacheKey())
            << "drive type " << type;
    }
    EXPECT_TRUE(node.data(Qt::ForegroundRole).isValid());

    // Plugged in: the stick's label and volume ID are the medium's; a refresh repaints the tree.
    for (const char* folder : {"proc/self", "dev/disk/by-uuid", "dev/disk/by-label"})
        std::filesystem::create_directories(machine.File(folder));
    WriteWholeFile(machine.File("proc/self/mountinfo"), "1 0 8:17 / /media/anna/HOL rw - vfat /dev/sdb1 rw\n");
    std::filesystem::create_symlink("../../sdb1", machine.File("dev/disk/by-uuid/1A2B-3C4D"));
    std::filesystem::create_symlink("../../sdb1", machine.File("dev/disk/by-label/HOL_2023"));
    m->Additions.Capacity = 64LL << 30;
    m->Additions.FreeSpace = 13207024435LL;
    m->Additions.ReadTime = double(QDate(1899, 12, 30).daysTo(QDate(2025, 3, 4))) + 0.5;
    m->Additions.Folder = "/";
    QSignalSpy repaints(&model, &QAbstractItemModel::dataChanged);
    watcher.SetRoot(machine.Path(), [](const std::string&) { return true; });
    EXPECT_EQ(repaints.size(), 1);
    for (const auto& [type, icon] : driveIcons) {
        m->DriveType = type;
        EXPECT_EQ(IconKey(node.data(Qt::DecorationRole)), icon < 0 ? -1 : icons.At(icon).cacheKey())
            << "drive type " << type;
    }
    EXPECT_FALSE(node.data(Qt::ForegroundRole).isValid());
    EXPECT_EQ(node.data(Qt::ToolTipRole).toString(),
              QString(hint).replace("\r\n", "\n").replace('\r', '\n') +
                  "\nMounted at /media/anna/HOL\nFree 12.3 GB of 64.0 GB when read on 4 Mar 2025");
    EXPECT_EQ(model.index(0, 2).data().toString(), "12.3 GB");
    EXPECT_EQ(model.index(0, 3).data().toString(), "64.0 GB");
    watcher.SetRoot("/");
}

TEST(ExplorerModel, FoldersFirstAtEveryLevelAndArchivesOpen) {
    CMedienListe cat;
    CMedium* m = AddMedium(cat, "m");
    Add(*m, nullptr, "a.txt", kindFile);
    CFile* f1 = Add(*m, nullptr, "F1", kindFolder);
    CFile* zip = Add(*m, nullptr, "z.zip", kindArchive, 2048);
    Add(*m, nullptr, "F2", kindFolder);
    Add(*m, nullptr, "b", kindFile);
    for (const char* name : {"x", "sub", "y", "sub2"})
        Add(*m, f1, name, name[0] == 's' ? kindFolder : kindFile);
    Add(*m, zip, "m1", kindFile);
    CFile* mf = Add(*m, zip, "mf", kindFolder);
    Add(*m, mf, "m2", kindFile);
    CFile* odd = Add(*m, f1, "odd", kindFile); // a file with children: they are not shown
    Add(*m, odd, "hidden", kindFile);

    TExplorerModel model(nullptr);
    Checked checked(&model);
    model.FillExplorer(m);
    EXPECT_EQ(Names(model), (QStringList{"F1", "F2", "a.txt", "z.zip", "b"}));
    const QModelIndex f1Node = model.index(0, 0);
    EXPECT_EQ(Names(model, f1Node), (QStringList{"sub", "sub2", "x", "y", "odd"}));
    const QModelIndex zipNode = model.index(3, 0);
    EXPECT_TRUE(model.hasChildren(zipNode));
    EXPECT_EQ(Names(model, zipNode), (QStringList{"mf", "m1"}));
    EXPECT_EQ(Names(model, model.index(0, 0, zipNode)), (QStringList{"m2"}));
    EXPECT_FALSE(model.hasChildren(model.index(1, 0))) << "an empty folder";
    EXPECT_FALSE(model.hasChildren(model.IndexOfEntry(odd)));
    EXPECT_EQ(model.rowCount(model.IndexOfEntry(odd)), 0);

    model.Clear();
    EXPECT_EQ(model.rowCount(), 0);
    EXPECT_EQ(model.Medium(), nullptr);
}

TEST(ExplorerModel, CellTextsAndIcons) {
    CMedienListe cat;
    cat.Categories = {"Docs"};
    CMedium* m = AddMedium(cat, "m");
    AddTestEntry(*m, nullptr, "folder", kindFolder, 4096, 45000.5, 0);
    Add(*m, nullptr, "small.txt", kindFile, 1536);
    Add(*m, nullptr, "big.iso", kindFile, int64_t(5) << 30);
    Add(*m, nullptr, "z.rar", kindArchive, 3 * 1048576 / 2);
    Add(*m, nullptr, "strange", 0);

    const TImageList icons = DistinctIcons();
    TExplorerModel model(&icons);
    Checked checked(&model);
    model.FillExplorer(m);
    const auto cell = [&](int row, int column, int role = Qt::DisplayRole) {
        return model.index(row, column).data(role);
    };
    const QString date = EntryDateText(45000.5);
    ASSERT_FALSE(date.isEmpty());
    const QStringList expected[] = {{"folder", "", "Docs", ""},
                                    {"small.txt", "1.50 KB", "", date},
                                    {"big.iso", "5.00 GB", "", date},
                                    {"z.rar", "1.50 MB", "", date},
                                    {"strange", "0 KB", "", date}};
    const int expectedIcons[] = {0, 2, 2, 3, 2};
    for (int row = 0; row < 5; ++row) {
        for (int column = 0; column < 4; ++column)
            EXPECT_EQ(cell(row, column).toString(), expected[row][column]) << row << "," << column;
        EXPECT_EQ(IconKey(cell(row, 0, Qt::DecorationRole)), icons.At(expectedIcons[row]).cacheKey());
        EXPECT_FALSE(cell(row, 1, Qt::DecorationRole).isValid());
        EXPECT_FALSE(cell(row, 0, Qt::ToolTipRole).isValid());
    }
    EXPECT_EQ(cell(1, 1, Qt::TextAlignmentRole).toInt() & Qt::AlignHorizontal_Mask, Qt::AlignRight);
}

// A header click sorts every level by the column's value, folders first in either direction;
// expanded and current nodes follow their entries, and column -1 is the stored order again.
TEST(ExplorerModel, SortsByAnyColumnFoldersFirst) {
    CMedienListe cat;
    CMedium* m = AddMedium(cat, "m");
    for (const char* name : {"file10", "Disc 2", "file2", "disc 10", "file1"})
        Add(*m, nullptr, name, name[0] == 'f' ? kindFile : kindFolder, std::strlen(name) * 100);
    CFile* disc = m->GetEntry(3);
    for (const char* name : {"b100", "B20", "a3"}) AddTestEntry(*m, disc, name, kindFile, 1, 45000.0 + name[1]);

    TExplorerModel model(nullptr);
    Checked checked(&model);
    model.FillExplorer(m);
    const QPersistentModelIndex discNode = model.IndexOfEntry(disc);
    const QPersistentModelIndex memberNode = model.IndexOfEntry(disc->GetEntry(1));
    const struct {
        int column;
        Qt::SortOrder order;
        QStringList top, inDisc;
    } cases[] = {
        {0, Qt::AscendingOrder, {"Disc 2", "disc 10", "file1", "file2", "file10"}, {"a3", "B20", "b100"}},
        {0, Qt::DescendingOrder, {"disc 10", "Disc 2", "file10", "file2", "file1"}, {"b100", "B20", "a3"}},
        {1, Qt::DescendingOrder, {"Disc 2", "disc 10", "file10", "file2", "file1"}, {"b100", "B20", "a3"}},
        {3, Qt::AscendingOrder, {"Disc 2", "disc 10", "file10", "file2", "file1"}, {"b100", "B20", "a3"}},
        {-1, Qt::AscendingOrder, {"Disc 2", "disc 10", "file10", "file2", "file1"}, {"b100", "B20", "a3"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "column " << c.column << " order " << c.order);
        model.SortBy(c.column, c.order);
        EXPECT_EQ(Names(model), c.top);
        EXPECT_EQ(Names(model, discNode), c.inDisc);
        EXPECT_EQ(model.EntryAt(discNode), disc);
        EXPECT_EQ(model.EntryAt(memberNode), disc->GetEntry(1));
        EXPECT_EQ(memberNode.parent(), QModelIndex(discNode));
    }
    EXPECT_EQ(disc->GetEntry(0)->Name(), "b100") << "the stored order is untouched";
}

// Sizes of a KB or less read "0 KB": the tooltip and the status line tell the bytes.
TEST(ExplorerModel, ExactSizesInTooltipAndStatusText) {
    CMedienListe cat;
    CMedium* m = AddMedium(cat, "m");
    Add(*m, nullptr, "folder", kindFolder);
    Add(*m, nullptr, "small.txt", kindFile, 500);
    Add(*m, nullptr, "big.iso", kindFile, int64_t(5) << 30);
    TExplorerModel model(nullptr);
    model.FillExplorer(m);
    const QLocale locale = QLocale::system();
    EXPECT_FALSE(model.index(0, 1).data(Qt::ToolTipRole).isValid()) << "folders have no size";
    EXPECT_EQ(model.index(1, 1).data().toString(), "0 KB");
    EXPECT_EQ(model.index(1, 1).data(Qt::ToolTipRole).toString(), "500 bytes");
    EXPECT_EQ(model.index(2, 1).data(Qt::ToolTipRole).toString(),
              locale.toString(qint64(5368709120)) + " bytes");
    EXPECT_EQ(EntryStatusText(*m->GetEntry(1)),
              "\u00ABsmall.txt\u00BB  500 bytes (0 KB)  " + EntryDateText(m->GetEntry(1)->Date));
    EXPECT_EQ(EntryStatusText(*m->GetEntry(0)), "") << "a folder has no size to tell";
}

TEST(ExplorerModel, IndexOfDeepEntryFollowsParents) {
    CMedienListe cat;
    CMedium* m = AddMedium(cat, "m");
    CMedium* other = AddMedium(cat, "other");
    CFile* stray = Add(*other, nullptr, "stray", kindFile);
    CFile* parent = nullptr;
    for (int level = 0; level < 60; ++level) {
        Add(*m, parent, "file", kindFile);
        Add(*m, parent, "archive", kindArchive);
        parent = Add(*m, parent, "deeper", level % 2 ? kindFolder : kindArchive);
    }
    Add(*m, parent, "first", kindFile);
    CFile* deep = Add(*m, parent, "deep", kindFile);

    TExplorerModel model(nullptr);
    model.FillExplorer(m);
    const QModelIndex index = model.IndexOfEntry(deep);
    ASSERT_TRUE(index.isValid());
    EXPECT_EQ(index.row(), 1);
    int depth = 0;
    for (QModelIndex at = index; at.isValid(); at = at.parent(), ++depth) {
        const CFile* entry = model.EntryAt(at);
        ASSERT_NE(entry, nullptr);
        EXPECT_EQ(model.index(at.row(), 0, at.parent()), at);
        if (const QModelIndex up = at.parent(); up.isValid()) {
            EXPECT_EQ(model.EntryAt(up), entry->Parent);
        }
    }
    EXPECT_EQ(depth, 61);
    EXPECT_FALSE(model.IndexOfEntry(stray).isValid());
    EXPECT_FALSE(model.IndexOfEntry(nullptr).isValid());
}

TEST(ExplorerModel, LargeFlatMediumAnswersForItsLastRow) {
    CMedienListe cat;
    CMedium* m = AddMedium(cat, "m");
    constexpr int kFiles = 200000;
    CFile* folder = nullptr;
    for (int i = 0; i < kFiles; ++i) Add(*m, nullptr, "f", kindFile);
    folder = Add(*m, nullptr, "last folder", kindFolder); // stored last, shown first
    for (int i = 0; i < kFiles; ++i) Add(*m, folder, "g", kindFile);
    CFile* lastChild = Add(*m, folder, "tail", kindFile);

    TExplorerModel model(nullptr);
    model.FillExplorer(m);
    ASSERT_EQ(model.rowCount(), kFiles + 1);
    EXPECT_EQ(model.EntryAt(model.index(0, 0)), folder);
    const QModelIndex last = model.index(kFiles, 3);
    EXPECT_EQ(model.EntryAt(last), m->GetEntry(kFiles - 1));
    EXPECT_FALSE(last.parent().isValid());
    const QModelIndex tail = model.index(kFiles, 0, model.index(0, 0));
    EXPECT_EQ(model.EntryAt(tail), lastChild);
    EXPECT_EQ(model.EntryAt(tail.parent()), folder);
    EXPECT_EQ(model.IndexOfEntry(lastChild), tail);
}

TEST(ViewTexts, EntryDateShowsTimeUnlessMidnight) {
    const QLocale locale = QLocale::system();
    const QDate day = QDate(1899, 12, 30).addDays(45000);
    const auto shortDate = [&](const QDate& d) { return locale.toString(d, QLocale::ShortFormat); };
    // The long time format with its time-zone field taken out of the text.
    const auto longTime = [&](const QTime& t) {
        return locale.toString(t, QLocale::LongFormat).remove(locale.toString(t, "t")).trimmed();
    };
    const double second = 1.0 / 86400;
    const struct {
        double dayCount;
        QString expected;
    } cases[] = {
        {45000.0, shortDate(day)},
        {45000.0 + 0.4 * second / 1000, shortDate(day)},
        {45000.0 + (13 * 3600 + 5 * 60 + 7) * second, shortDate(day) + " " + longTime({13, 5, 7})},
        {45000.0 + (13 * 3600 + 5 * 60 + 6.9996) * second, shortDate(day) + " " + longTime({13, 5, 7})},
        {45000.0 + (86400 - 0.0003) * second, shortDate(day.addDays(1))},
        {-1.25, shortDate({1899, 12, 29}) + " " + longTime({6, 0, 0})},
        {std::numeric_limits<double>::quiet_NaN(), ""},
        {std::numeric_limits<double>::infinity(), ""},
        {1e300, ""},
        {-1e300, ""},
    };
    for (const auto& c : cases) EXPECT_EQ(EntryDateText(c.dayCount), c.expected) << c.dayCount;
}

TEST(ImageLists, EveryIconExistsWithoutATheme) {
    const QString theme = QIcon::themeName();
    QIcon::setThemeName("shelvix-test-no-such-theme");
    const struct {
        TImageList list;
        std::vector<int> indices;
    } lists[] = {
        {MakeImageListMenu(), {0, 1, 2, 32, 33, 34, 36, 37, 38, 39, 40, 41, 42}},
        {MakeImageListDrives(), {0, 1, 2, 3, 4, 5, 6, 7, 8, 9}},
        {MakeImageListFolders(), {0, 2, 3, 4}},
    };
    QIcon::setThemeName(theme);
    for (const auto& l : lists) {
        for (int index : l.indices) EXPECT_FALSE(l.list.At(index).isNull()) << index;
        EXPECT_TRUE(l.list.At(-1).isNull());
        EXPECT_TRUE(l.list.At(l.list.Count()).isNull());
    }
}
