// The language file's reader without windows: references, white space, conversions, the
// variable lists, the template and the check.
#include "language/languagefile.h"
#include "language/messagetable.h"
#include "language/windowtexts.h"
#include "catalogue/IO_BZIP.h"
#include "support/clirun.h"
#include "support/testfiles.h"

#include <gtest/gtest.h>

#include <ostream>

namespace {

struct ValueCase {
    const char* name;
    std::string xml;
    std::string attribute; // the root's attribute A after reading
    std::string text;      // the root's own text
};
// Test names and failure messages show the case by its name.
void PrintTo(const ValueCase& c, std::ostream* out) { *out << c.name; }

class LanguageValues : public ::testing::TestWithParam<ValueCase> {};

TEST_P(LanguageValues, ReadAsTheProgramsRulesSay) {
    TLangElement root;
    ASSERT_TRUE(language::Parse(GetParam().xml, root));
    const std::string* a = language::Attribute(root, "a");
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(*a, GetParam().attribute);
    EXPECT_EQ(root.text, GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LanguageValues,
    ::testing::Values(
        ValueCase{"LtGtAndSmallDecimalReferences", "<r A=\"&lt;b&gt;&#65;&#0100;&#9;\"/>",
                  "<b>A\x64\t", ""},
        ValueCase{"OtherReferencesStayAsWritten",
                  "<r A=\"&amp;&quot;&#101;&#x41;&apos;&#;&\"/>",
                  "&amp;&quot;&#101;&#x41;&apos;&#;&", ""},
        ValueCase{"NulReference", "<r A=\"x&#0;y\"/>", std::string("x\0y", 3), ""},
        ValueCase{"AttributeWhiteSpaceKept", "<r A=\"a\r\n\tb  c\"/>", "a\r\n\tb  c", ""},
        ValueCase{"ElementTextRunsCollapseToTheirFirstCharacter",
                  "<r A=\"\">one \r\n  two\n\n three\t\tfour</r>", "", "one two\nthree\t\tfour"},
        ValueCase{"BackslashNIsNotExpandedByTheReader", "<r A=\"a\\nb\"/>", "a\\nb", ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(LanguageFile, BrokenDocumentsAreRefused) {
    TLangElement root;
    for (const std::string& xml :
         {std::string("<a><b></a>"), std::string("<a/><b/>"), std::string(""),
          std::string("text only"), std::string(200, '<')}) {
        EXPECT_FALSE(language::Parse(xml, root)) << xml;
    }
    std::string deep;
    for (int i = 0; i < 100; ++i) deep += "<e>";
    for (int i = 0; i < 100; ++i) deep += "</e>";
    EXPECT_FALSE(language::Parse(deep, root)) << "deeper than any window";
}

TEST(LanguageFile, Conversions) {
    const std::vector<std::string_view> ids = {"alpha", "beta", "gamma"};
    EXPECT_EQ(language::ParseInteger(" -12 "), -12);
    EXPECT_EQ(language::ParseInteger("12a"), std::nullopt);
    EXPECT_EQ(language::ParseInteger("99999999999"), std::nullopt);
    EXPECT_EQ(language::ParseEnumeration("GAMMA", ids), 2);
    EXPECT_EQ(language::ParseEnumeration("7", ids), 7);
    EXPECT_EQ(language::ParseEnumeration("delta", ids), 0) << "an unknown identifier is 0";
    EXPECT_EQ(language::ParseSet("[alpha, Gamma]", ids), 5u);
    EXPECT_EQ(language::ParseSet("[]", ids), 0u);
    EXPECT_EQ(language::ParseSet("alpha", ids), std::nullopt);
    EXPECT_EQ(language::ParseSet("[alpha,delta]", ids), std::nullopt);
}

TEST(LanguageFile, VariablesOfOneWindowOnly) {
    ResetMessagesToBuiltIn();
    TranslatorVariables search;
    RegisterSearchMessages(search);
    TLangElement root;
    ASSERT_TRUE(language::Parse("<Variables><x Name=\"MSGerror\" Value=\"A\\nB\"/>"
                                "<x Name=\"msgFiles\" Value=\"not registered here\"/>"
                                "<x Value=\"no name\"/></Variables>",
                                root));
    language::ApplyVariables(root, search);
    EXPECT_EQ(SearchMessages::msgError, "A\nB");
    EXPECT_EQ(ShelvixMessages::msgError, "Error");
    EXPECT_EQ(ShelvixMessages::msgFiles, "Files");
    ResetMessagesToBuiltIn();
}

TEST(LanguageFile, TemplateReadsBackAsTheBuiltInTexts) {
    ResetMessagesToBuiltIn();
    ShelvixMessages::msgError = "set by an earlier file";
    const std::string xml = language::Template();
    EXPECT_EQ(ShelvixMessages::msgError, "set by an earlier file") << "given back";
    TLangElement root;
    ASSERT_TRUE(language::Parse(xml, root));
    EXPECT_TRUE(language::Check(root).empty());
    ResetMessagesToBuiltIn();
    // Every variable of every window gets exactly its built-in text back.
    for (const TLangElement& window : root.children) {
        for (const TLangElement& child : window.children) {
            if (!language::SameName(child.name, "Variables")) continue;
            for (const TLangElement& item : child.children) {
                TranslatorVariables list;
                std::string value = "unset";
                list.Add(*language::Attribute(item, "Name"), &value);
                TLangElement one = child;
                one.children = {item};
                language::ApplyVariables(one, list);
                TranslatorVariables real;
                for (const auto& w : language::TranslatedWindows())
                    if (language::SameName(w.name, window.name)) w.registerKeys(real);
                EXPECT_EQ(value, *real.Find(*language::Attribute(item, "Name"))) << window.name;
            }
        }
    }
}

TEST(LanguageCheck, NamesWhatTheProgramPassesOver) {
    TLangElement root;
    ASSERT_TRUE(language::Parse("<App Title=\"x\">\n"
                                "<frmShelvix Caption=\"ok\" Colour=\"red\">\n"
                                "  <actNew Caption=\"ok\" ShortCut=\"Ctrl+N\"/>\n"
                                "  <actNwe Caption=\"misspelt\"/>\n"
                                "  <VTMedien><Header><Columns><c Index=\"0\" Text=\"ok\"/><c Text=\"x\"/>"
                                "</Columns></Header></VTMedien>\n"
                                "  <Variables><v Name=\"msgError\" Value=\"ok\"/>"
                                "<v Name=\"msgResults\" Value=\"the search window's\"/></Variables>\n"
                                "</frmShelvix>\n"
                                "<frmSerch/>\n<frmImport Caption=\"never\"/>\n"
                                "<frmInfo><Variables/></frmInfo>\n"
                                "</App>",
                                root));
    std::vector<std::string> lines;
    for (const auto& f : language::Check(root)) lines.push_back(std::to_string(f.line) + " " + f.what);
    EXPECT_EQ(lines, (std::vector<std::string>{
                         "1 attribute 'Title' of the root names no property",
                         "2 frmShelvix: 'Colour' names no property",
                         "4 frmShelvix: 'actNwe' names no component or property",
                         "5 frmShelvix.VTMedien.Header.Columns: an item without Index is skipped",
                         "6 frmShelvix.Variables: 'msgResults' is no registered key",
                         "8 'frmSerch' names no window",
                         "9 window 'frmImport' is never translated",
                         "10 frmInfo: 'Variables' names no component or property"}));
}

TEST(LanguageCli, TemplateAndCheck) {
    TempDir dir;
    CliResult made = RunCli(dir, {"language-template", dir.File("t.xml")});
    ASSERT_EQ(made.status, 0) << made.err;
    // Compressed as a translator would, it checks clean.
    const std::string xml = ReadWholeFile(dir.File("t.xml"));
    TMemoryStream memory;
    memory.Write(xml.data(), xml.size());
    ASSERT_TRUE(SaveCompressedFile(memory, dir.File("t.lng")));
    CliResult clean = RunCli(dir, {"language-check", dir.File("t.lng")});
    EXPECT_EQ(clean.status, 0) << clean.out;
    EXPECT_EQ(clean.out, "");
    // One misspelt component is reported with its line.
    std::string bad = xml;
    const size_t at = bad.find("<ButtonSearch ");
    ASSERT_NE(at, std::string::npos);
    bad.replace(at, 13, "<ButonSearch");
    const int line = 1 + static_cast<int>(std::count(bad.begin(), bad.begin() + static_cast<long>(at), '\n'));
    WriteWholeFile(dir.File("bad.xml"), bad);
    CliResult found = RunCli(dir, {"language-check", dir.File("bad.xml")});
    EXPECT_EQ(found.status, 1);
    EXPECT_EQ(found.out, dir.File("bad.xml") + ":" + std::to_string(line) +
                             ": frmSearch: 'ButonSearch' names no component or property\n");
    WriteWholeFile(dir.File("broken.lng"), "<a>");
    EXPECT_EQ(RunCli(dir, {"language-check", dir.File("broken.lng")}).status, 1);
}

} // namespace
