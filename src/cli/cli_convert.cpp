// shelvix-cli convert: read a catalogue completely and write it under a new name, as "Save as"
// does. Every content is brought into memory first, so that a medium whose block cannot be
// read stops the conversion instead of being written out empty.
#include "cli/cli.h"

#include "catalogue/contentloading.h"
#include "catalogue/mediaclasses.h"

#include <string>
#include <sys/stat.h>

namespace cli {

namespace {

// Whether both names exist and are one file (the same device and inode): another spelling, a
// link, a folder reached another way.
bool SameFile(const std::string& a, const std::string& b) {
    struct stat sa {}, sb {};
    return ::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
           sa.st_ino == sb.st_ino;
}

// The output would replace a file of the input while it is read: X.SXF and X.sxf share X.SXD.
bool WritesOverInput(const std::string& in, const std::string& out) {
    const std::string inData = DataFileNameOf(in), outData = DataFileNameOf(out);
    return outData == inData || SameFile(out, in) || SameFile(outData, inData) ||
           SameFile(out, inData) || SameFile(outData, in);
}

} // namespace

int RunConvert(const Arguments& arguments) {
    const std::string& inName = arguments[0];
    const std::string& outName = arguments[1];
    if (!UsableIndexName(outName)) return kExitUsage;
    if (WritesOverInput(inName, outName)) {
        ReportError(outName, "the output would overwrite the files of " + inName);
        return kExitUsage;
    }
    CMedienListe catalogue;
    if (!LoadCatalogue(catalogue, inName)) return kExitFailure;
    int position = 0;
    bool allLoaded = true;
    LoadContentsInOrder(catalogue, [&](CMedium& medium, bool loaded) {
        if (!loaded)
            ReportContentFailure(inName + " (medium " + std::to_string(position) + ")", medium,
                                 catalogue.DataFileName);
        ++position;
        return allLoaded = loaded;
    });
    if (!allLoaded) return kExitFailure;
    return SaveCatalogue(catalogue, outName) ? kExitOk : kExitFailure;
}

} // namespace cli
