#include "catalogue/mediaclasses.h"
#include "reports/reports.h"
#include "support/catalogue_text.h"

#include <gtest/gtest.h>
#include <pugixml.hpp>

#include <functional>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct QuotingCase {
    const char* name;
    std::string raw;
    std::string field;
};

std::ostream& operator<<(std::ostream& out, const QuotingCase& c) { return out << c.name; }

const QuotingCase kQuoting[] = {
    {"PlainAsItIs", "song.mp3", "song.mp3"},
    {"Comma", "a,b", "\"a,b\""},
    {"QuotesDoubled", "say \"hi\"", "\"say \"\"hi\"\"\""},
    {"LineFeed", "two\nlines", "\"two\nlines\""},
    {"CarriageReturnLineFeed", "two\r\nlines", "\"two\r\nlines\""},
    {"NotUtf8Escaped", std::string("caf\xE9"), "caf\\xE9"},
    {"BackslashAsItIs", "C:\\dir", "C:\\dir"},
    {"Utf8Kept", "caf\xC3\xA9", "caf\xC3\xA9"},
    {"FormulaEquals", "=1+2", "\"'=1+2\""},
    {"FormulaPlus", "+1", "\"'+1\""},
    {"FormulaMinus", "-1", "\"'-1\""},
    {"FormulaAt", "@SUM(A1)", "\"'@SUM(A1)\""},
    {"FormulaTab", "\tx", "\"'\tx\""},
    {"FormulaCarriageReturn", "\rx", "\"'\rx\""},
    {"FormulaSignInsideIsText", "a=b", "a=b"},
};

class CsvQuoting : public ::testing::TestWithParam<QuotingCase> {};

TEST_P(CsvQuoting, Field) {
    std::string line;
    AppendCsvField(line, GetParam().raw);
    EXPECT_EQ(line, GetParam().field);
}

INSTANTIATE_TEST_SUITE_P(Cases, CsvQuoting, ::testing::ValuesIn(kQuoting),
                         [](const ::testing::TestParamInfo<QuotingCase>& info) {
                             return std::string(info.param.name);
                         });

// Records of an RFC 4180 text, as a spreadsheet reads them: every line ends with CR LF, and a
// quoted field may hold commas, doubled quotes and line breaks.
std::vector<std::vector<std::string>> ParseCsv(const std::string& text) {
    std::vector<std::vector<std::string>> records(1, std::vector<std::string>(1));
    bool quoted = false;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        std::string& field = records.back().back();
        if (quoted) {
            if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') field += text[i++];
            else if (c == '"') quoted = false;
            else field += c;
        } else if (c == '"') {
            quoted = true;
        } else if (c == ',') {
            records.back().emplace_back();
        } else if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            ++i;
            records.emplace_back(1);
        } else {
            field += c; // a bare CR or LF would land here and show up in a field
        }
    }
    if (records.back() == std::vector<std::string>(1)) records.pop_back();
    return records;
}

// A medium "Disc, one" with a folder "a,b" holding "say \"hi\"" and an archive with a member
// named over two lines; a second medium with a file of a byte that is not UTF-8.
class Reports : public ::testing::Test {
protected:
    void SetUp() override {
        cat.Categories = {"Music", "Films"};
        CMedium& disc = AddMedium("Disc, one");
        disc.Notice = "shelf 3\r\nbox <7> & \"old\"";
        disc.Category = 1;
        CFile* folder = AddTestEntry(disc, nullptr, "a,b", kindFolder, 0, 45000.0, 0);
        AddTestEntry(disc, folder, "say \"hi\"", kindFile, 12, 45000.5, 1);
        CFile* zip = AddTestEntry(disc, nullptr, "pack.zip", kindArchive, 300, 45001.25);
        AddTestEntry(disc, zip, "two\r\nlines <b>&amp;", kindFile, 5);
        AddTestEntry(disc, nullptr, "empty", kindFolder);
        CMedium& other = AddMedium("Other");
        AddTestEntry(other, nullptr, std::string("caf\xE9.txt"), kindFile, 7, 45000.0);
        report.Title = "/home/anna/discs.SXF";
        report.Media = {&disc, &other};
    }
    CMedium& AddMedium(const std::string& name) {
        CMedium& m = *cat.AddMedium(std::make_unique<CMedium>(&cat));
        m.Name = name;
        m.ContentLoaded = true;
        return m;
    }
    CMedienListe cat;
    TReport report;
};

TEST_F(Reports, CsvReadsBackAsTheTrees) {
    std::ostringstream out;
    ASSERT_TRUE(WriteCsvReport(out, report));
    const std::vector<std::vector<std::string>> expected = {
        {"medium", "path", "name", "kind", "size", "date", "category", "free", "capacity"},
        {"Disc, one", "", "a,b", "folder", "", "", "Music", "", ""},
        {"Disc, one", "a,b", "say \"hi\"", "file", "12", "2023-03-15 12:00:00", "Films", "", ""},
        {"Disc, one", "", "pack.zip", "archive", "300", "2023-03-16 06:00:00", "", "", ""},
        {"Disc, one", "pack.zip", "two\r\nlines <b>&amp;", "file", "5", "2023-03-15 12:00:00", "", "", ""},
        {"Disc, one", "", "empty", "folder", "", "", "", "", ""},
        {"Other", "", "caf\\xE9.txt", "file", "7", "2023-03-15 00:00:00", "", "", ""},
    };
    EXPECT_EQ(ParseCsv(out.str()), expected) << out.str();
}

TEST_F(Reports, CsvOfSearchResults) {
    TSearchResults results = {{cat.GetMedium(0), nullptr, TMatchedField::MediumNotice},
                              {cat.GetMedium(0), cat.GetMedium(0)->GetEntry(0)->GetEntry(0),
                               TMatchedField::EntryName}};
    report.Results = &results;
    cat.GetMedium(0)->Additions.Capacity = 4096;
    cat.GetMedium(0)->Additions.FreeSpace = 1024;
    std::ostringstream out;
    ASSERT_TRUE(WriteCsvReport(out, report));
    const auto records = ParseCsv(out.str());
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[1], std::vector<std::string>({"Disc, one", "", "shelf 3\r\nbox <7> & \"old\"",
                                                    "medium", "", "", "Films", "1024", "4096"}));
    EXPECT_EQ(records[2][1], "a,b");
    EXPECT_EQ(records[2][2], "say \"hi\"");
}

// Texts of the elements named `tag`, in document order.
std::vector<std::string> TextsOf(const pugi::xml_document& doc, const char* tag) {
    std::vector<std::string> texts;
    for (const pugi::xpath_node& node : doc.select_nodes((std::string("//") + tag).c_str()))
        texts.push_back(node.node().child_value());
    return texts;
}

TEST_F(Reports, HtmlIsWellFormedAndHoldsEverything) {
    std::ostringstream out;
    ASSERT_TRUE(WriteHtmlReport(out, report));
    const std::string html = out.str();
    pugi::xml_document doc;
    const pugi::xml_parse_result parsed = doc.load_string(html.c_str());
    ASSERT_TRUE(parsed) << parsed.description() << " at " << parsed.offset << "\n" << html;
    EXPECT_TRUE(doc.select_nodes("//script").empty());
    EXPECT_EQ(std::string(doc.child("html").child("head").child("meta").attribute("charset").value()),
              "utf-8");
    // One collapsible tree per medium, one node per entry with children.
    EXPECT_EQ(TextsOf(doc, "summary"),
              std::vector<std::string>({"Disc, one", "a,b", "pack.zip", "Other"}));
    const pugi::xpath_node_set rows = doc.select_nodes("//table[@class='media']/tbody/tr");
    ASSERT_EQ(rows.size(), 2u);
    // Texts of a cell or node with their line breaks (<br/>) as "|".
    const auto text = [](pugi::xml_node node) {
        std::string all;
        for (pugi::xml_node part : node.children())
            all += part.type() == pugi::node_pcdata ? part.value()
                   : std::string(part.name()) == "br" ? "|" : "";
        return all;
    };
    std::vector<std::string> cells;
    for (pugi::xml_node td : rows[0].node().children("td")) cells.push_back(text(td));
    EXPECT_EQ(cells, std::vector<std::string>({"Disc, one", "", "0", "0", "0 KB", "Films",
                                               "shelf 3|box <7> & \"old\"", "present"}));
    // Names read back as their text: markup in a name stays text, CR LF is one line break, and
    // bytes that are not UTF-8 go through the escape.
    std::vector<std::string> leaves;
    for (const pugi::xpath_node& li : doc.select_nodes("//li[not(details)]"))
        leaves.push_back(text(li.node()));
    EXPECT_EQ(leaves, std::vector<std::string>({"say \"hi\"", "two|lines <b>&amp;", "empty",
                                                "caf\\xE9.txt"}));
}

TEST_F(Reports, HtmlOfADeepTreeStaysBalanced) {
    CMedium& deep = AddMedium("Deep");
    CFile* parent = nullptr;
    for (int level = 0; level < 20000; ++level)
        parent = AddTestEntry(deep, parent, "d", kindFolder);
    report.Media = {&deep};
    std::ostringstream out;
    ASSERT_TRUE(WriteHtmlReport(out, report));
    const std::string html = out.str();
    size_t opened = 0, closed = 0;
    for (size_t at = 0; (at = html.find("<details", at)) != std::string::npos; ++at) ++opened;
    for (size_t at = 0; (at = html.find("</details>", at)) != std::string::npos; ++at) ++closed;
    EXPECT_EQ(opened, 20000u); // the medium and every folder with children
    EXPECT_EQ(closed, opened);
}

} // namespace
