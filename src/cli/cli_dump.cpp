// shelvix-cli dump: the whole catalogue as one JSON document, streamed medium by medium.
//
// Entry trees may be nested hundreds of thousands of levels deep, so both the walk and the
// writing use an explicit stack, and the text is written without indentation (indenting a deep
// tree would grow quadratically). Each medium's content is dropped again once it is written, so
// memory holds the tree being written and the few loading ahead of it on the other cores.
#include "cli/cli.h"
#include "cli/jsonout.h"

#include "catalogue/contentloading.h"
#include "catalogue/mediaclasses.h"

#include <cstdio>
#include <string>
#include <vector>

namespace cli {
namespace {

// A number as the catalogue keeps it ("4000", "-33.8688", "217.87"), which is JSON as it
// stands; anything else would be written as a string.
bool IsJsonNumber(std::string_view text) {
    size_t i = text.size() > 0 && text[0] == '-' ? 1 : 0;
    const size_t digits = i;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i;
    if (i == digits || (text[digits] == '0' && i > digits + 1)) return false;
    if (i < text.size() && text[i] == '.') {
        const size_t fraction = ++i;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i;
        if (i == fraction) return false;
    }
    return i == text.size();
}

// The details this version knows, numbers as numbers; keys of later versions stay out.
void WriteDetails(JsonOut& out, const std::string& packed) {
    out.Key("Details");
    out.Raw('{');
    bool first = true;
    ForEachDetail(packed, [&](std::string_view key, std::string_view value) {
        if (!IsKnownDetail(key)) return;
        if (!first) out.Raw(',');
        first = false;
        out.Key(key);
        if (IsNumberDetail(key) && IsJsonNumber(value)) out.Raw(value);
        else out.String(value);
    });
    out.Raw("},");
}

void WriteEntries(JsonOut& out, const EntryList& roots) {
    struct Frame {
        const EntryList* list;
        int next;
    };
    std::vector<Frame> stack{{&roots, 0}};
    out.Raw('[');
    while (!stack.empty()) {
        Frame& frame = stack.back();
        if (frame.next >= frame.list->Count()) {
            stack.pop_back();
            out.Raw(']');
            if (!stack.empty()) out.Raw('}'); // closes the entry that owned this list
            continue;
        }
        if (frame.next > 0) out.Raw(',');
        const CFile& e = *frame.list->At(frame.next++);
        out.Raw('{');
        out.Key("Name");
        out.String(e.Name());
        out.Raw(',');
        out.Key("Kind");
        out.Int(e.Kind);
        out.Raw(',');
        out.Key("Size");
        out.Int(e.Size);
        out.Raw(',');
        out.Key("Date");
        out.Double(e.Date);
        out.Raw(',');
        out.Key("Category");
        out.Int(e.Category);
        out.Raw(',');
        out.Key("Version");
        out.Int(e.Version);
        out.Raw(',');
        if (const std::string* details = e.Medium->Details.Packed(&e)) WriteDetails(out, *details);
        out.Key("children");
        out.Raw('['); // closed with the entry's '}' when its frame is popped
        stack.push_back({&e.Children(), 0});
    }
}

// Writes one medium. False when its content could not be read.
bool WriteMedium(JsonOut& out, CMedium& m, const std::string& dataFileName) {
    out.Raw('{');
    out.Key("Category");
    out.Int(m.Category);
    out.Raw(',');
    out.Key("FolderCount");
    out.Int(m.FolderCount);
    out.Raw(',');
    out.Key("FileCount");
    out.Int(m.FileCount);
    out.Raw(',');
    out.Key("DataOffset");
    out.Int(m.DataOffset);
    out.Raw(',');
    out.Key("Notice");
    out.String(m.Notice);
    out.Raw(',');
    out.Key("VolumeLabel");
    out.String(m.VolumeLabel);
    out.Raw(',');
    out.Key("Name");
    out.String(m.Name);
    out.Raw(',');
    out.Key("Serial");
    out.String(m.Serial);
    out.Raw(',');
    out.Key("TotalSize");
    out.Int(m.TotalSize);
    out.Raw(',');
    out.Key("DriveType");
    out.Int(m.DriveType);
    out.Raw(',');
    out.Key("Version");
    out.Int(m.Version);
    out.Raw(',');
    out.Key("Present");
    out.Bool(m.Present);
    out.Raw(',');
    out.Key("ContentLength");
    out.Int(m.ContentLength);
    out.Raw(',');
    out.Key("entries");
    const bool loaded = m.ContentLoaded || m.LoadContent(dataFileName);
    if (loaded) {
        WriteEntries(out, m.Entries());
    } else {
        out.Null();
        out.Raw(',');
        out.Key("ContentError");
        out.Bool(true);
    }
    out.Raw('}');
    m.ClearEntries();
    m.ContentLoaded = false;
    return loaded;
}

} // namespace

int RunDump(const Arguments& arguments) {
    const std::string& fileName = arguments[0];
    CMedienListe catalogue;
    if (!LoadCatalogue(catalogue, fileName)) return kExitFailure;

    JsonOut out(stdout);
    out.Raw('{');
    out.Key("Version");
    out.Int(catalogue.Version);
    out.Raw(',');
    out.Key("Categories");
    out.Raw('[');
    for (size_t i = 0; i < catalogue.Categories.size(); ++i) {
        if (i > 0) out.Raw(',');
        out.String(catalogue.Categories[i]);
    }
    out.Raw("],");
    out.Key("Media");
    out.Raw('[');
    int failed = 0;
    int i = 0;
    // The next media load on the other cores while this one is written out.
    LoadContentsInOrder(catalogue, [&](CMedium& medium, bool) {
        out.Raw(i > 0 ? ",\n" : "\n");
        if (!WriteMedium(out, medium, catalogue.DataFileName)) {
            ++failed;
            ReportContentFailure(fileName + " (medium " + std::to_string(i) + ")", medium,
                                 catalogue.DataFileName);
        }
        ++i;
        return true;
    });
    out.Raw("\n]}\n");
    if (!OutputWritten(out.Flush())) return kExitFailure;
    return failed > 0 ? kExitFailure : kExitOk;
}

} // namespace cli
