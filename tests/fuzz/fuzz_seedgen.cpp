// Writes starting inputs for the fuzz targets, made by the core itself:
//   fuzz_seedgen <folder>  ->  <folder>/index, names, block, categories, rar, import, language,
//                              details, previews
#include "language/windowtexts.h"
#include "catalogue/previewsfile.h"
#include "details/detailsprotocol.h"
#include "fuzz/samplecatalogue.h"
#include "support/rarwriter.h"
#include "support/adcfile.h"
#include "support/testfiles.h"

#include <cstdio>
#include <filesystem>

namespace {

void Put(const std::filesystem::path& folder, const std::string& name, const std::string& bytes) {
    std::filesystem::create_directories(folder);
    WriteWholeFile((folder / name).string(), bytes);
}

std::string IndexOf(CMedienListe& list, const TempDir& dir, const std::string& name) {
    const std::string file = dir.File(name + ".SXF");
    if (!list.Save(file)) return {};
    return sample::DecompressedFile(file);
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <folder>\n", argv[0]);
        return 2;
    }
    const std::filesystem::path root = argv[1];
    SetZoneBias(0);
    TempDir scratch;

    CMedienListe full;
    sample::FillCatalogue(full);
    CMedienListe empty;
    Put(root / "index", "full", IndexOf(full, scratch, "full"));
    Put(root / "index", "empty", IndexOf(empty, scratch, "empty"));
    // The save wrote the name index beside the pair.
    Put(root / "names", "full", ReadWholeFile(scratch.File("full.SXI")));
    Put(root / "names", "empty", ReadWholeFile(scratch.File("empty.SXI")));

    const std::string block = sample::ContentBlock(*full.GetMedium(0));
    Put(root / "block", "tree", block);
    Put(root / "block", "removed", sample::ContentBlock(*full.GetMedium(2)));
    Put(root / "block", "empty", sample::ContentBlock(*full.GetMedium(1)));
    // Compressed and padded to 512 bytes (bytes after the records that are no trailer are
    // ignored), with a last byte that asks DecompressCount for exactly 512.
    std::string padded = block;
    padded.resize(512, '\0');
    Put(root / "block", "tree.bz2", sample::Compressed(padded) + std::string(1, char(9)));

    // Details beside the entries: the trailer alone, inside a block, and the helper's answers.
    CMedium detailed(nullptr);
    CFile* photo = sample::Add(detailed, nullptr, "IMG.JPG", kindFile, 10);
    CFile* song = sample::Add(detailed, nullptr, "song.mp3", kindFile, int64_t(5) << 30);
    detailed.Details.Set(photo, {{"width", "4000"}, {"taken", "2019-06-05T14:03:02"}});
    detailed.Details.Set(song, {{"artist", "ABBA"}, {"later-key", "x"}});
    Put(root / "details", "trailer", DetailsTrailer(detailed.Entries()));
    Put(root / "details", "answer", EncodeDetailsAnswer({{"title", "T"}, {"duration", "217.87"}}));
    Put(root / "details", "request", EncodeDetailsRequest(ContentKind::Photo, "/media/a.jpg"));
    Put(root / "block", "details", sample::ContentBlock(detailed));
    Put(root / "details", "answer-preview", EncodeDetailsAnswer({{"width", "4000"}}, "\xFF\xD8picture"));

    // Previews files: two media, one without pictures; and one of no media.
    for (const int media : {3, 0}) {
        TMemoryStream previews;
        TPreviewsWriter writer(previews);
        for (int m = 0; m < media; ++m) {
            writer.BeginMedium();
            for (int e = 0; m != 1 && e < 3; ++e) writer.Add(e * 5 + m, std::string(20 + e, char('p' + e)));
        }
        writer.Finish({true, 123456, 0x1122334455667788ull}, 0x0102030405060708ull);
        Put(root / "previews", "media" + std::to_string(media), previews.ToString());
    }

    // A deep chain of folders: the shape that recursion-free reading is there for.
    CMedium deep(nullptr);
    CFile* parent = nullptr;
    for (int i = 0; i < 300; ++i)
        parent = sample::Add(deep, parent, "d", kindFolder, 0);
    Put(root / "block", "deep", sample::ContentBlock(deep));

    const std::string categories = scratch.File("list.cat");
    if (full.SaveCategories(categories))
        Put(root / "categories", "three", sample::DecompressedFile(categories));
    if (empty.SaveCategories(categories))
        Put(root / "categories", "none", sample::DecompressedFile(categories));

    // RAR archives of both formats: folders and files, a large member, encrypted data and
    // encrypted headers, one part of a volume set.
    const std::vector<rar::Member> rar4 = {{"d", "", true, 0x50220000},
                                           {"d\\a.txt", "alpha", false, 0x50220000},
                                           {"big", "", false, 0x50220000, 0, uint64_t(5) << 30},
                                           {"s", "x", false, 0x50220000, 0, ~uint64_t(0), true}};
    std::vector<rar::Member> rar5 = rar4;
    for (rar::Member& m : rar5) {
        if (m.name == "d\\a.txt") m.name = "d/a.txt";
        m.unixTime = 1700000000;
    }
    Put(root / "rar", "four", rar::Rar4(rar4));
    Put(root / "rar", "five", rar::Rar5(rar5));
    Put(root / "rar", "four-locked", rar::Rar4(rar4, {.encryptedHeaders = true}));
    Put(root / "rar", "five-volume", rar::Rar5(rar5, {.volume = true}));
    // Foreign catalogues, as the import target reads them: what follows the signature.
    AdcBytes adc;
    adc.Int(7).Int64(-1).Int(2).Int(0).Category("Music").Category("Films").Int(2);
    adc.Medium("1234-ABCD", "HOLIDAY", 5, 2, "notice").Int(2);
    adc.File("a.txt", 1, 10, kTicks2020).File("b.zip", 2, 900, kTicks2020, 2);
    adc.Member("x\\y.txt", 400, kTicks2020).Member("z", 500, 0);
    adc.Int(1).Folder("docs", 0).Int(1).File("c.doc", 0, 5, 0).Int(0);
    adc.Medium("0", "EMPTY", 3, 0, "").Int(0).Int(0);
    Put(root / "import", "two-media", adc.Text());
    // Language files: the translators' template as written, compressed as the program loads it,
    // and a small document with the object properties and a variable list.
    const std::string languageTemplate = language::Template();
    Put(root / "language", "template", languageTemplate);
    Put(root / "language", "template.bz2", sample::Compressed(languageTemplate));
    Put(root / "language", "small",
        "<Shelvix>\n<frmShelvix Caption=\"Cat&#65;log &lt;1&gt;\" Width=\"640\" Height=\"-1\">\n"
        "<Font Style=\"[fsBold, fsItalic]\"/>\n<VTExplorer><Header><Columns>"
        "<Column Index=\"0\" Text=\"Name\" Width=\"120\"/></Columns></Header></VTExplorer>\n"
        "<LabelVersion Alignment=\"taRightJustify\" WordWrap=\"1\" Hint=\"a\\nb\"/>\n"
        "<actSave ShortCut=\"Ctrl+S\"/><Variables><Variable Name=\"MSGERROR\" Value=\"E\\n\"/>"
        "</Variables>\n</frmShelvix>\n<frmSearch><ComboBoxSizeFrom><Items>"
        "<Line Index=\"1\" Value=\"KiB\"/></Items></ComboBoxSizeFrom></frmSearch>\n"
        "<frmImport Caption=\"x\"/>\n</Shelvix>\n");
    return 0;
}
