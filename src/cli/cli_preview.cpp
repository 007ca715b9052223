// shelvix-cli preview: an entry's preview written out as a PNG file.
#include "cli/cli.h"

#include "catalogue/contentloading.h"
#include "catalogue/entrywalk.h"
#include "catalogue/mediaclasses.h"
#include "catalogue/previews.h"
#include "details/previewpng.h"
#include "reports/entrytext.h"
#include "text/textescape.h"

#include <cstdio>
#include <string>

namespace cli {

int RunPreview(const Arguments& arguments) {
    const std::string& mediumName = arguments[1];
    const std::string& path = arguments[2];
    const std::string& outName = arguments[3];
    if (mediumName.empty() || path.empty() || outName.empty()) {
        ReportError("preview", "the medium, the path and the output file must not be empty");
        return kExitUsage;
    }
    CMedienListe catalogue;
    if (!LoadCatalogue(catalogue, arguments[0])) return kExitFailure;
    // A name as the command line gives it, or as find prints it (escaped).
    const auto same = [](std::string_view raw, const std::string& given) {
        return raw == given || EscapeBytes(raw, Controls::Escape) == given;
    };
    std::vector<CMedium*> media;
    for (int i = 0; i < catalogue.Count(); ++i)
        if (same(catalogue.GetMedium(i)->Name, mediumName)) media.push_back(catalogue.GetMedium(i));
    if (media.empty()) {
        ReportError(mediumName, "no medium of that name in " + arguments[0]);
        return kExitUsage;
    }
    const CFile* found = nullptr;
    CMedium* holder = nullptr;
    LoadContentsInOrder(media, catalogue.DataFileName, [&](CMedium& medium, bool loaded) {
        if (!loaded) {
            ReportContentFailure(medium.Name, medium, catalogue.DataFileName);
            return true;
        }
        WalkEntries(medium.Entries(), [&](const CFile* entry) {
            if (same(EntryPathText(*entry), path)) found = entry, holder = &medium;
            return found != nullptr;
        });
        return found == nullptr;
    });
    if (!found) {
        ReportError(path, "no entry of that path on " + mediumName);
        return kExitUsage;
    }
    const std::string jpeg = PreviewBytes(catalogue, *holder, found);
    if (jpeg.empty()) {
        ReportError(path, "has no preview");
        return kExitFailure;
    }
    const std::string png = PreviewPng(jpeg);
    if (png.empty()) {
        ReportError(path, "its preview cannot be read (damaged, or the details helper is missing)");
        return kExitFailure;
    }
    FILE* out = std::fopen(outName.c_str(), "wb");
    const bool written = out && std::fwrite(png.data(), 1, png.size(), out) == png.size();
    if (out && std::fclose(out) != 0) return ReportError(outName, "cannot be written"), kExitFailure;
    if (!written) {
        ReportError(outName, "cannot be written");
        return kExitFailure;
    }
    return kExitOk;
}

} // namespace cli
