#include "catalogue/mediaclasses.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

CFile* AddEntry(CMedium& m, CFile* parent, std::string_view name, int32_t kind, int32_t category = -1) {
    CFile* e = CFile::Create(&m, parent);
    e->SetName(name);
    e->Kind = kind;
    e->Category = category;
    if (parent) parent->AddChild(e);
    else m.AddEntry(e);
    return e;
}

} // namespace

TEST(Catalogue, NewAndModifiedState) {
    CMedienListe cat;
    EXPECT_EQ(cat.Count(), 0);
    EXPECT_FALSE(cat.IsModified());
    EXPECT_FALSE(cat.FilesChangedOnDisk());
    EXPECT_TRUE(cat.FileName.empty());
    EXPECT_EQ(cat.Version, 1);
    auto* m = cat.AddMedium(std::make_unique<CMedium>(&cat));
    EXPECT_TRUE(cat.IsModified()) << "a medium that is not stored counts as a change";
    m->Stored = true;
    EXPECT_FALSE(cat.IsModified());
    cat.SetModified(true);
    EXPECT_TRUE(cat.IsModified());
    EXPECT_EQ(cat.GetMedium(1), nullptr);
    EXPECT_EQ(cat.GetMedium(-1), nullptr);
    EXPECT_EQ(m->Category, -1);
    EXPECT_EQ(m->DataOffset, -1);
    EXPECT_TRUE(m->Present);
}

TEST(Catalogue, ExtractKeepsOrderAndDoesNotFree) {
    CMedienListe cat;
    for (const char* name : {"a", "b", "c"}) cat.AddMedium(std::make_unique<CMedium>(&cat))->Name = name;
    auto b = cat.ExtractMedium(1);
    ASSERT_TRUE(b);
    EXPECT_EQ(b->Name, "b");
    EXPECT_EQ(cat.GetMedium(0)->Name, "a");
    EXPECT_EQ(cat.GetMedium(1)->Name, "c");
    EXPECT_EQ(cat.ExtractMedium(5), nullptr);
    cat.GetMedium(0)->Present = false;
    EXPECT_EQ(cat.PresentCount(), 1);
}

TEST(Catalogue, CategoryLookupAndPickList) {
    CMedienListe cat;
    cat.Categories = {"Music", "music", "Films", "apps", "Films"};
    EXPECT_EQ(cat.IndexOfCategory("music"), 1);
    EXPECT_EQ(cat.IndexOfCategory("Films"), 2) << "first of two equal names";
    EXPECT_EQ(cat.IndexOfCategory("MUSIC"), -1) << "lookup is case-sensitive";
    EXPECT_EQ(cat.CategoryPickList(), (std::vector<std::string>{"apps", "Films", "Music"}));
}

TEST(Entry, SetFromKindsAndCounts) {
    struct Case {
        const char* path;
        uint32_t attributes;
        bool accepted;
        int32_t kind;
        const char* name;
    } cases[] = {
        {"C:\\Data\\SONGS.ZIP", 0, true, kindArchive, "SONGS.ZIP"},
        {"x\\pack.rar", 0, true, kindArchive, "pack.rar"},
        {"x\\pack.ZIP.TXT", 0, true, kindFile, "pack.ZIP.TXT"},
        {"x\\a.z.i.p", 0, true, kindFile, "a.z.i.p"}, // only the last extension counts
        {"x\\zip", 0, true, kindFile, "zip"},
        {"x\\Folder.zip", faDirectory, true, kindFolder, "Folder.zip"},
        {"D:name", 0, true, kindFile, "name"},
        {"x\\.", faDirectory, false, 0, ""},
        {"x\\..", faDirectory, false, 0, ""},
        {"x\\", 0, false, 0, ""},
    };
    for (const auto& c : cases) {
        CMedienListe cat;
        CMedium m(&cat);
        CFile* e = CFile::Create(&m, nullptr);
        EXPECT_EQ(e->SetFrom(c.path, c.attributes, -1, 1000, 45000.0), c.accepted) << c.path;
        EXPECT_EQ(e->Kind, c.kind) << c.path;
        EXPECT_EQ(e->Name(), c.name) << c.path;
        const bool folder = c.accepted && (c.attributes & faDirectory);
        const bool file = c.accepted && !folder;
        EXPECT_EQ(m.FolderCount, folder ? 1 : 0) << c.path;
        EXPECT_EQ(m.FileCount, file ? 1 : 0) << c.path;
        EXPECT_EQ(m.TotalSize, file ? 1000 : 0) << c.path;
        EXPECT_EQ(m.ContentLoaded, c.accepted) << c.path;
    }
}

TEST(Entry, LargeSizesAddUpExactly) {
    CMedienListe cat;
    CMedium m(&cat);
    const int64_t big = 5LL << 30;
    for (int i = 0; i < 3; ++i) CFile::Create(&m, nullptr)->SetFrom("f.iso", 0, -1, big, 0);
    EXPECT_EQ(m.TotalSize, 3 * big);
}

TEST(Entry, CategoriesThroughTheTree) {
    CMedienListe cat;
    cat.Categories = {"a", "b", "c"};
    CMedium& m = *cat.AddMedium(std::make_unique<CMedium>(&cat));
    CFile* archive = AddEntry(m, nullptr, "x.zip", kindArchive);
    CFile* inner = AddEntry(m, archive, "inner", kindFolder);
    AddEntry(m, inner, "deep.txt", kindFile, 2);
    CFile* file = AddEntry(m, nullptr, "f.txt", kindFile, 0);
    AddEntry(m, file, "oddchild", kindFile, 1); // a file's children never count

    EXPECT_TRUE(archive->UsesCategory(2)) << "found inside an archive's children";
    EXPECT_TRUE(m.UsesCategory(2));
    EXPECT_FALSE(m.UsesCategory(1));
    EXPECT_TRUE(cat.CategoryInUse(0));
    m.Category = 1;
    EXPECT_TRUE(cat.CategoryInUse(1));
    EXPECT_EQ(m.CategoryName(), "b");
    file->Category = 7;
    EXPECT_EQ(file->CategoryName(), "") << "an index out of range reads as the empty name";

    archive->SetCategoryDeep(1);
    EXPECT_EQ(inner->Category, 1);
    EXPECT_EQ(inner->GetEntry(0)->Category, 1);
    file->SetCategoryDeep(0);
    EXPECT_EQ(file->GetEntry(0)->Category, 1) << "a file passes nothing on";
}

TEST(Entry, FolderPathAndFolderCounts) {
    CMedienListe cat;
    CMedium m(&cat);
    CFile* a = AddEntry(m, nullptr, "A", kindFolder);
    CFile* b = AddEntry(m, a, "B\\C", kindFolder); // a Linux name may hold a backslash
    CFile* inB = AddEntry(m, b, "f.txt", kindFile);
    CFile* top = AddEntry(m, nullptr, "top.txt", kindFile);
    CFile* zip = AddEntry(m, a, "z.zip", kindArchive);
    EXPECT_EQ(top->FolderPath(), "");
    EXPECT_EQ(a->FolderPath(), "A");
    EXPECT_EQ(inB->FolderPath(), "A/B\\C");
    EXPECT_EQ(b->FolderPath(), "A/B\\C");
    EXPECT_EQ(zip->FolderPath(), "A/z.zip");
    EXPECT_EQ(m.FolderChildCount(), 1);
    EXPECT_EQ(a->FolderChildCount(), 1) << "archives are not folders here";
}

TEST(Entry, RemapCategoriesIntoAnotherCatalogue) {
    CMedienListe source, target;
    source.Categories = {"Music", "Films", "Apps"};
    target.Categories = {"Films"};
    CMedium m(&source);
    m.Category = 1;
    CFile* folder = AddEntry(m, nullptr, "f", kindFolder, 0);
    AddEntry(m, folder, "x", kindFile, 7); // out of range in the source
    AddEntry(m, folder, "y", kindFile, -1);
    m.RemapCategories(target);
    EXPECT_EQ(m.Category, 0) << "Films already exists: nothing added";
    EXPECT_EQ(folder->Category, 1);
    EXPECT_EQ(target.Categories, (std::vector<std::string>{"Films", "Music", ""}));
    EXPECT_EQ(folder->GetEntry(0)->Category, 2);
    EXPECT_EQ(folder->GetEntry(1)->Category, -1);
}

TEST(Catalogue, ProgressRoundsHalvesToEven) {
    const struct {
        int64_t done, total;
        int percent;
    } cases[] = {{1, 3, 33}, {1, 8, 12}, {3, 8, 38}, {0, 5, 0}, {2, 3, 67}, {5, 8, 62}, {1, 2, 50}, {199, 200, 100}};
    for (const auto& c : cases) EXPECT_EQ(ProgressPercent(c.done, c.total), c.percent) << c.done << "/" << c.total;
    CMedienListe cat;
    std::vector<int> seen;
    cat.OnProgress = [&](int p) { seen.push_back(p); };
    cat.ReportProgress(1, 8);
    cat.ReportProgress(0, 0); // no media: never reported
    EXPECT_EQ(seen, std::vector<int>{12});
}

TEST(Catalogue, DataFileNames) {
    const std::pair<const char*, const char*> cases[] = {
        {"/d/Home.SXF", "/d/Home.SXD"},
        {"/d/Home.SxF", "/d/Home.SXD"},
        {"/d/x.sxf.dir/Home.sxf", "/d/x.SXD.dir/Home.SXD"},
        {"/d/Home.cat", "/d/Home.cat"},
    };
    for (const auto& [index, data] : cases) EXPECT_EQ(DataFileNameOf(index), data);
}

TEST(Medium, ReadVolumeInfoThroughTheReader) {
    CMedienListe cat;
    SetVolumeInfoReader([](const std::string& path, VolumeInfo& info) {
        info.driveType = path == "/none" ? 1 : 2;
        info.label = "USBSTICK";
        info.serial = 0xABCD;
        return path != "/none";
    });
    CMedium* m = cat.AddMediumFromPath("/media/stick");
    ASSERT_TRUE(m);
    EXPECT_EQ(m->Serial, "0000ABCD");
    EXPECT_EQ(m->Name, "USBSTICK");
    EXPECT_EQ(m->VolumeLabel, "USBSTICK");
    EXPECT_EQ(m->DriveType, 2u);
    EXPECT_TRUE(m->ContentLoaded);
    EXPECT_EQ(cat.AddMediumFromPath("/none"), nullptr);
    EXPECT_EQ(cat.Count(), 1);
    SetVolumeInfoReader(nullptr);
}

// Without a label the medium is named after the chosen folder itself; the label stays empty.
TEST(Medium, UnlabelledVolumeNamedAfterTheFolder) {
    const std::string here = std::filesystem::current_path().filename().string();
    const struct {
        std::string path, name;
    } cases[] = {
        {"/media/anna/Photos 2023", "Photos 2023"}, {"/home/anna/docs/", "docs"}, {"/", "/"},
        {"//", "/"}, {"relative", "relative"}, {".", here}, {"a\\b:c", "a\\b:c"},
    };
    SetVolumeInfoReader([](const std::string&, VolumeInfo& info) {
        info.driveType = 3;
        return true;
    });
    for (const auto& c : cases) {
        CMedienListe cat;
        CMedium* m = cat.AddMediumFromPath(c.path);
        ASSERT_TRUE(m) << c.path;
        EXPECT_EQ(m->Name, c.name) << c.path;
        EXPECT_EQ(m->VolumeLabel, "") << c.path;
    }
    SetVolumeInfoReader(nullptr);
}
