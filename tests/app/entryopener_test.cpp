// Open hands the desktop only what lies on the medium: names from the catalogue holding "..",
// slashes or absolute paths, and links on the medium that lead off it, are refused.
#include "widgets/entryopener.h"
#include "widgets/mountwatcher.h"
#include "support/catalogue_text.h"
#include "support/scriptedinteraction.h"
#include "support/testfiles.h"

#include <QTreeView>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

namespace {

std::string RealPath(const std::string& path) {
    char* real = ::realpath(path.c_str(), nullptr);
    std::string result = real ? real : path;
    std::free(real);
    return result;
}

TEST(EntryOpener, OnlyWhatLiesOnTheMediumIsOpened) {
    // A stick mounted in a scratch folder, a secret beside it.
    TempDir machine;
    MakeTree(machine.Path(), {"STICK/", "STICK/docs/", "STICK/docs/a.txt:3", "secret.txt:6"});
    const std::string stick = RealPath(machine.File("STICK"));
    std::filesystem::create_symlink("docs/a.txt", stick + "/inward");
    std::filesystem::create_symlink("../secret.txt", stick + "/outward");
    for (const char* folder : {"proc/self", "dev/disk/by-uuid"})
        std::filesystem::create_directories(machine.File(folder));
    WriteWholeFile(machine.File("proc/self/mountinfo"),
                   "1 0 8:17 / " + stick + " rw - vfat /dev/sdb1 rw\n");
    std::filesystem::create_symlink("../../sdb1", machine.File("dev/disk/by-uuid/1A2B-3C4D"));
    TMountWatcher::Instance().SetRoot(machine.Path());

    CMedienListe cat;
    CMedium& m = *cat.AddMedium(std::make_unique<CMedium>(&cat));
    m.Name = "STICK";
    m.Serial = "1A2B3C4D";
    m.Additions.Folder = "/";
    CFile* docs = AddTestEntry(m, nullptr, "docs", kindFolder);
    CFile* dotdot = AddTestEntry(m, nullptr, "..", kindFolder);
    const struct {
        const char* what;
        CFile* entry;
        bool containing;
        std::string opened; // what the desktop is given; empty: nothing
    } cases[] = {
        {"a file", AddTestEntry(m, docs, "a.txt", kindFile), false, stick + "/docs/a.txt"},
        {"its folder", docs->GetEntry(0), true, stick + "/docs"},
        {"a link on the medium", AddTestEntry(m, nullptr, "inward", kindFile), false,
         stick + "/docs/a.txt"},
        {"a link off the medium", AddTestEntry(m, nullptr, "outward", kindFile), false, ""},
        {"a folder named ..", AddTestEntry(m, dotdot, "secret.txt", kindFile), false, ""},
        {"the folder of ..", dotdot->GetEntry(0), true, ""},
        {"a name climbing out", AddTestEntry(m, docs, "../../secret.txt", kindFile), false, ""},
        {"a name to /etc",
         AddTestEntry(m, docs, "../../../../../../../../../../etc/passwd", kindFile), false, ""},
    };
    TScriptedInteraction script;
    QTreeView view;
    QString said;
    TEntryOpener opener(&view, [](const QModelIndex&) { return nullptr; },
                        [&said](const QString& text) { said = text; });
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        script.ClearAsked();
        EXPECT_EQ(opener.Open(c.entry, c.containing), !c.opened.empty());
        if (c.opened.empty()) {
            EXPECT_TRUE(script.Asked().isEmpty()) << script.Asked().first().text.toStdString();
            EXPECT_TRUE(said.contains("it is refused, not opened")) << said.toStdString();
        } else {
            ASSERT_EQ(script.Asked().size(), 1);
            EXPECT_EQ(script.Asked().first().text.toStdString(), c.opened);
        }
    }
    TMountWatcher::Instance().SetRoot("/");
}

} // namespace
