// Language files applied to the program's windows: the table of what a file can address equals
// the live windows, the template changes nothing, and small files against the loader's rules.
#include "support/qtprinters.h"

#include "language/languagefile.h"
#include "language/messagetable.h"
#include "language/windowtexts.h"
#include "widgets/languagetranslator.h"
#include "app/shelvixwindows.h"
#include "app/ufrmImport.h"
#include "app/ufrmInfo.h"
#include "app/ufrmShelvix.h"
#include "catalogue/IO_BZIP.h"
#include "search/ufrmDuplicates.h"
#include "search/ufrmDuplicatesWindow.h"
#include "scan/ufrmMediaDetails.h"
#include "search/ufrmSearch.h"
#include "support/scriptedinteraction.h"
#include "support/testfiles.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QDialog>
#include <QListWidget>
#include <QTableWidget>
#include <QTreeWidget>
#include <QKeySequence>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTreeView>
#include <gtest/gtest.h>

#include <functional>
#include <ostream>
#include <sstream>

namespace {

const char* KindName(TComponentKind kind) {
    static const char* const names[] = {"Window",   "Action", "Menu",     "Button", "CheckBox",
                                        "Label",    "GroupBox", "Edit",   "ComboBox", "View",
                                        "ListBox",  "NodeTree", "RowList", "Other"};
    return names[static_cast<int>(kind)];
}

std::string Literal(const std::string& text) {
    std::string out = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\') out += '\\';
        if (c == '\n') out += "\\n";
        else out += c;
    }
    return out + "\"";
}

std::string List(const std::vector<std::string>& items) {
    std::string out = "{";
    for (size_t i = 0; i < items.size(); ++i) out += (i ? ", " : "") + Literal(items[i]);
    return out + "}";
}

// A window's table rows as C++, so that a difference shows what the table should say.
std::string Rows(const std::vector<TComponentTexts>& components) {
    std::ostringstream out;
    for (const TComponentTexts& c : components)
        out << "{" << Literal(c.name) << ", K::" << KindName(c.kind) << ", " << Literal(c.text)
            << ", " << Literal(c.hint) << ", " << List(c.columns) << ", " << List(c.lines) << "},\n";
    return out.str();
}

std::vector<TComponentTexts> LiveComponents(QWidget* window) {
    std::vector<TComponentTexts> live;
    for (QObject* object : translator::ComponentsOf(window))
        live.push_back(translator::TextsOf(object));
    return live;
}

// Every text a language file can reach in the live windows, and the message variables.
std::string Snapshot() {
    std::string all;
    for (const TTranslatedWindow& w : translator::TranslatedWindows()) {
        all += w.window->objectName().toStdString() + " " + w.window->windowTitle().toStdString() + "\n";
        all += Rows(LiveComponents(w.window));
        if (w.variables)
            for (const auto& entry : *w.variables) all += entry.key + "=" + *entry.variable + "\n";
    }
    return all;
}

void WriteLanguageFile(const std::string& path, const std::string& xml) {
    TMemoryStream memory;
    memory.Write(xml.data(), xml.size());
    ASSERT_TRUE(SaveCompressedFile(memory, path));
}

class LanguageFiles : public ::testing::Test {
protected:
    void SetUp() override {
        ResetMessagesToBuiltIn();
        translator::SetLanguageFileName(QString::fromStdString(file));
    }
    void TearDown() override {
        translator::SetLanguageFileName(QString());
        ResetMessagesToBuiltIn();
    }
    TempDir dir;
    std::string file = dir.File("shelvix.lng");
    TScriptedInteraction script;
};

TEST_F(LanguageFiles, TheTableIsTheLiveWindows) {
    TShelvixWindows windows;
    const auto& table = language::TranslatedWindows();
    const auto live = translator::TranslatedWindows();
    ASSERT_EQ(live.size(), table.size());
    for (size_t i = 0; i < table.size(); ++i) {
        QWidget* window = live[i].window;
        EXPECT_EQ(window->objectName().toStdString(), table[i].name);
        EXPECT_EQ(window->windowTitle().toStdString(), table[i].caption);
        EXPECT_EQ(table[i].registerKeys != nullptr, live[i].variables != nullptr);
        const auto components = LiveComponents(window);
        EXPECT_TRUE(components == table[i].components)
            << table[i].name << " live:\n" << Rows(components);
    }
}

TEST_F(LanguageFiles, TheTemplateLoadsBackAsNoChange) {
    TShelvixWindows windows;
    const std::string before = Snapshot();
    TLangElement root;
    ASSERT_TRUE(language::Parse(language::Template(), root));
    EXPECT_TRUE(language::Check(root).empty());
    translator::Apply(root, translator::TranslatedWindows());
    EXPECT_EQ(Snapshot(), before);
}

struct FileCase {
    const char* name;
    std::string xml; // written compressed as the language file; raw bytes when `compressed` is off
    std::function<void(TShelvixWindows&, TScriptedInteraction&)> check;
    bool compressed = true;
};
// Test names and failure messages show the case by its name.
void PrintTo(const FileCase& c, std::ostream* out) { *out << c.name; }

class LanguageFileCases : public LanguageFiles, public ::testing::WithParamInterface<FileCase> {};

TEST_P(LanguageFileCases, AppliedAtCreation) {
    if (GetParam().compressed) WriteLanguageFile(file, GetParam().xml);
    else WriteWholeFile(file, GetParam().xml);
    TShelvixWindows windows;
    GetParam().check(windows, script);
}

std::string Doc(const std::string& body) {
    return "<?xml version=\"1.0\"?>\n<!-- test -->\n<Application>\n" + body + "\n</Application>\n";
}

QString Q(const std::string& s) { return QString::fromStdString(s); }

INSTANTIATE_TEST_SUITE_P(
    Rules, LanguageFileCases,
    ::testing::Values(
        FileCase{"MixedCaseKeyInTheMainWindowsList",
                 Doc("<FRMSHELVIX><variables><v NAME=\"MSGERROR\" value=\"Fehler\"/>"
                     "<v Name=\"msgNoSuchKey\" Value=\"x\"/></variables></FRMSHELVIX>"),
                 [](TShelvixWindows&, TScriptedInteraction&) {
                     EXPECT_EQ(ShelvixMessages::msgError, "Fehler");
                     EXPECT_EQ(SearchMessages::msgError, "Error") << "the search window's own";
                 }},
        FileCase{"LineBreakEscapeInAMessage",
                 Doc("<frmShelvix><Variables><v Name=\"msgNoImport\" Value=\"First\\nSecond\"/>"
                     "</Variables></frmShelvix>"),
                 [](TShelvixWindows& w, TScriptedInteraction& script) {
                     TempDir dir;
                     WriteWholeFile(dir.File("x.CAT"), "no catalogue");
                     script.setNextFileName(Q(dir.File("x.CAT")));
                     w.frmShelvix->actImport->trigger();
                     ASSERT_EQ(script.MessageTexts().size(), 1);
                     EXPECT_EQ(script.MessageTexts()[0].split('\n'),
                               QStringList({"First", "Second"}));
                 }},
        FileCase{"ListLineAtTheListsLengthIsSkipped",
                 Doc("<frmSearch><ComboBoxSizeFrom><Items><l Index=\"3\" Value=\"Gigabyte\\n\"/>"
                     "<l Index=\"4\" Value=\"TB\"/></Items></ComboBoxSizeFrom></frmSearch>"),
                 [](TShelvixWindows& w, TScriptedInteraction&) {
                     QComboBox* units = w.frmSearch->ComboBoxSizeFrom;
                     ASSERT_EQ(units->count(), 4) << "the list never grows";
                     EXPECT_EQ(units->itemText(3), "Gigabyte\\n") << "no escape in lines";
                 }},
        FileCase{"ImportWindowIsNeverTranslated",
                 Doc("<frmImport Caption=\"Einlesen\"><ButtonOK Caption=\"Gut\"/></frmImport>"),
                 [](TShelvixWindows& w, TScriptedInteraction&) {
                     EXPECT_EQ(w.frmImport->windowTitle(), "Import");
                     EXPECT_EQ(w.frmImport->ButtonOK->text(), "&OK");
                 }},
        FileCase{"MainCaptionGivesWayToTheTitleAtTheFirstRefresh",
                 Doc("<frmShelvix Caption=\"Katalog\"><Variables><v Name=\"msgSxName\" "
                     "Value=\"Regal\"/></Variables></frmShelvix>"),
                 [](TShelvixWindows& w, TScriptedInteraction&) {
                     EXPECT_EQ(w.frmShelvix->windowTitle(), "Katalog");
                     w.frmShelvix->RefreshTitle();
                     EXPECT_EQ(w.frmShelvix->windowTitle(), "Regal");
                 }},
        FileCase{"ComponentsPropertiesAndColumns",
                 Doc("<frmShelvix>\n<actNew caption=\"&lt;Neu&gt; &#38; &amp; &#101;\" "
                     "ShortCut=\"Ctrl+Shift+N\" Width=\"wide\"/>\n"
                     "<actOpen ShortCut=\"Nonsense+Key\" Hint=\"\xC3\x96" "ffnen\"/>\n"
                     "<mnuFile Caption=\"Datei\"/>\n<VTMedien><Header><Columns>"
                     "<c Index=\"0\" Text=\"Titel\"/><c Text=\"no index\"/><c Index=\"99\" Text=\"x\"/>"
                     "</Columns></Header></VTMedien>\n</frmShelvix>"
                     "<frmInfo><Label1 Alignment=\"taCenter\" WordWrap=\"True\"><Font Style=\"[fsBold,fsItalic]\"/>"
                     "</Label1></frmInfo>"),
                 [](TShelvixWindows& w, TScriptedInteraction&) {
                     TfrmShelvix& m = *w.frmShelvix;
                     EXPECT_EQ(m.actNew->text(), "<Neu> & &amp; &#101;");
                     EXPECT_EQ(m.actNew->shortcut(), QKeySequence("Ctrl+Shift+N"));
                     EXPECT_EQ(m.actOpen->shortcut(), QKeySequence(QKeySequence::Open))
                         << "a shortcut that does not convert is left";
                     EXPECT_EQ(m.actOpen->toolTip(), QString::fromUtf8("\xC3\x96" "ffnen"));
                     EXPECT_EQ(m.mnuFile->title(), "&Datei") << "Alt+D opens it as before";
                     EXPECT_EQ(m.VTMedien->model()->headerData(0, Qt::Horizontal).toString(), "Titel");
                     auto* label = w.frmInfo->findChild<QLabel*>("Label1");
                     EXPECT_TRUE(label->font().bold() && label->font().italic());
                     EXPECT_TRUE(label->wordWrap());
                     EXPECT_TRUE(label->alignment() & Qt::AlignHCenter);
                 }},
        FileCase{"DuplicatesWindowsWithTheMainWindowsErrorCaption",
                 Doc("<frmShelvix><Variables><v Name=\"msgError\" Value=\"Fehler\"/></Variables>"
                     "</frmShelvix><frmDuplicates><ButtonFind Caption=\"Suchen\"/><Variables>"
                     "<v Name=\"msgNoMinSize\" Value=\"Keine Zahl\"/></Variables></frmDuplicates>"
                     "<frmDuplicatesWindow Caption=\"Doppelte...\"/>"),
                 [](TShelvixWindows& w, TScriptedInteraction& script) {
                     TfrmDuplicates& d = *w.frmShelvix->DuplicatesDialog();
                     EXPECT_EQ(d.ButtonFind->text(), "Suchen");
                     EXPECT_EQ(d.ProgressWindow->windowTitle(), "Doppelte...");
                     d.CheckBoxMinSize->setChecked(true);
                     d.EditMinSize->setText("ten");
                     d.ButtonFindClick();
                     ASSERT_EQ(script.MessageTexts(), QStringList{"Keine Zahl"});
                     EXPECT_EQ(script.Asked().first().caption, "Fehler");
                 }},
        FileCase{"ACaptionsAmpersandMarksItsOwnLetter",
                 Doc("<frmShelvix><actAdd Caption=\"Hin&#38;zuf\xC3\xBCgen\"/>"
                     "<actRemove Caption=\"Entfernen\"/><mnuMedium Caption=\"Daten&#38;tr\xC3\xA4ger\"/>"
                     "</frmShelvix><frmMediaDetails><LabelMName Caption=\"Be&#38;zeichnung:\"/>"
                     "<ButtonAbort Caption=\"Ab&#38;brechen\"/></frmMediaDetails>"),
                 [](TShelvixWindows& w, TScriptedInteraction&) {
                     TfrmShelvix& m = *w.frmShelvix;
                     const auto alt = [](int key) { return QKeySequence(Qt::ALT | key); };
                     EXPECT_EQ(QKeySequence::mnemonic(m.actAdd->text()), alt(Qt::Key_Z));
                     EXPECT_EQ(QKeySequence::mnemonic(m.actRemove->text()), QKeySequence())
                         << "a caption without one has none";
                     EXPECT_EQ(QKeySequence::mnemonic(m.mnuMedium->title()), alt(Qt::Key_T));
                     auto* label = w.frmMediaDetails->findChild<QLabel*>("LabelMName");
                     EXPECT_EQ(QKeySequence::mnemonic(label->text()), alt(Qt::Key_Z));
                     EXPECT_EQ(label->buddy(), w.frmMediaDetails->findChild<QLineEdit*>("EditName"));
                     auto* abort = w.frmMediaDetails->findChild<QPushButton*>("ButtonAbort");
                     EXPECT_EQ(abort->shortcut(), alt(Qt::Key_B));
                 }},
        FileCase{"BrokenXmlChangesNothing",
                 Doc("<frmShelvix Caption=\"Kaputt\"><Variables><v Name=\"msgError\" "
                     "Value=\"F\"/></Variables>"),
                 [](TShelvixWindows& w, TScriptedInteraction&) {
                     EXPECT_EQ(w.frmShelvix->windowTitle(), "Shelvix");
                     EXPECT_EQ(ShelvixMessages::msgError, "Error");
                 }},
        FileCase{"UncompressedFileChangesNothing", Doc("<frmShelvix Caption=\"Roh\"/>"),
                 [](TShelvixWindows& w, TScriptedInteraction&) {
                     EXPECT_EQ(w.frmShelvix->windowTitle(), "Shelvix");
                 },
                 false}),
    [](const auto& info) { return std::string(info.param.name); });

// Tree nodes, list-view rows and list lines, on widgets the program's windows do not use yet.
TEST(LanguageItems, NodesRowsAndLinesByIndex) {
    QDialog window;
    window.setObjectName("frmProbe");
    auto* tree = new QTreeWidget(&window);
    tree->setObjectName("Tree");
    auto* top = new QTreeWidgetItem(tree, QStringList{"top"});
    new QTreeWidgetItem(top, QStringList{"child"});
    new QTreeWidgetItem(tree, QStringList{"second"});
    auto* rows = new QTableWidget(2, 2, &window);
    rows->setObjectName("Rows");
    auto* list = new QListWidget(&window);
    list->setObjectName("List");
    list->addItems({"a", "b"});
    TLangElement root;
    ASSERT_TRUE(language::Parse(
        "<App><FRMPROBE>"
        "<tree><Items><n Index=\"1\" Value=\"Kind\\nzwei\"/><n Index=\"3\" Value=\"x\"/></Items></tree>"
        "<Rows><Items><r Index=\"1\" Column=\"1\" Value=\"Zelle\"/><r Index=\"2\" Column=\"0\" Value=\"x\"/>"
        "<r Index=\"0\" Column=\"2\" Value=\"x\"/></Items></Rows>"
        "<List><Items><l Index=\"1\" Value=\"B\"/><l Index=\"2\" Value=\"C\"/></Items></List>"
        "</FRMPROBE></App>",
        root));
    translator::Apply(root, {{&window, nullptr}});
    EXPECT_EQ(top->child(0)->text(0), "Kind\nzwei") << "nodes in depth-first order";
    EXPECT_EQ(tree->topLevelItem(1)->text(0), "second");
    ASSERT_NE(rows->item(1, 1), nullptr);
    EXPECT_EQ(rows->item(1, 1)->text(), "Zelle");
    EXPECT_EQ(rows->rowCount(), 2);
    EXPECT_EQ(rows->item(0, 0), nullptr) << "nothing outside the table";
    EXPECT_EQ(list->count(), 2);
    EXPECT_EQ(list->item(1)->text(), "B");
}

TEST_F(LanguageFiles, EarlierWindowsTranslatedAgainGiveTheSameResult) {
    WriteLanguageFile(file, Doc("<frmShelvix Caption=\"Katalog\"><actNew Caption=\"Neu\"/>"
                                "<Variables><v Name=\"msgFiles\" Value=\"Dateien\"/></Variables>"
                                "</frmShelvix><frmSearch Caption=\"Suche\"/>"));
    TShelvixWindows windows;
    const std::string once = Snapshot();
    EXPECT_NE(once.find("Dateien"), std::string::npos);
    TLangElement root;
    ASSERT_TRUE(language::Load(file, root));
    translator::Apply(root, translator::TranslatedWindows());
    EXPECT_EQ(Snapshot(), once);
    EXPECT_EQ(windows.frmSearch->windowTitle(), "Suche");
}

} // namespace
