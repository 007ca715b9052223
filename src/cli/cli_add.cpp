// shelvix-cli add: what Add does in the window, without questions. The volume of PATH is read,
// the folder is scanned with the same engine into a new medium at the end of the catalogue,
// and the catalogue is saved (created when the file does not exist yet, after backup copies of
// the old pair when it does).
#include "cli/cli.h"

#include "language/messagetable.h"
#include "catalogue/IO_BZIP.h"
#include "catalogue/failurereasons.h"
#include "catalogue/contentstream.h"
#include "catalogue/workers.h"
#include "catalogue/mediaclasses.h"
#include "platform/volumeinfo.h"
#include "scan/mediascan.h"
#include "details/mediumdetails.h"

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace cli {
namespace {

struct AddOptions {
    std::string catalogue, path, name;
    bool nameGiven = false;
    bool archives = true;
    bool details = true;
};

bool ParseAddOptions(const Arguments& arguments, AddOptions& options) {
    std::vector<std::string> positional;
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::string& a = arguments[i];
        if (a == "--no-archives") {
            options.archives = false;
        } else if (a == "--no-details") {
            options.details = false;
        } else if (a == "--name" && i + 1 < arguments.size()) {
            options.name = arguments[++i];
            options.nameGiven = true;
        } else if (a.rfind("--", 0) == 0) {
            return false;
        } else {
            positional.push_back(a);
        }
    }
    if (positional.size() != 2) return false;
    options.catalogue = positional[0];
    options.path = positional[1];
    return true;
}

// One line on a terminal, rewritten at most ten times a second.
class ProgressLine {
public:
    explicit ProgressLine(const CMedium& medium) : medium_(medium), shown_(::isatty(2) == 1) {}
    ~ProgressLine() { Finish(); }
    void Finish() {
        if (written_) std::fputc('\n', stderr);
        written_ = false;
    }
    void Folder(const std::string& path) {
        if (!shown_) return;
        const auto now = std::chrono::steady_clock::now();
        if (written_ && now - last_ < std::chrono::milliseconds(100)) return;
        last_ = now;
        written_ = true;
        std::fprintf(stderr, "\r\033[KFiles: %d  Folders: %d  Size: %s  %.60s", medium_.FileCount,
                     medium_.FolderCount, FormatSize(medium_.TotalSize).c_str(), path.c_str());
        std::fflush(stderr);
    }

private:
    const CMedium& medium_;
    const bool shown_;
    bool written_ = false;
    std::chrono::steady_clock::time_point last_;
};

std::string AbsolutePath(const std::string& path) {
    char* real = ::realpath(path.c_str(), nullptr);
    if (!real) return path;
    std::string result(real);
    std::free(real);
    return result;
}

} // namespace

int RunAdd(const Arguments& arguments) {
    AddOptions options;
    if (!ParseAddOptions(arguments, options)) {
        std::fprintf(stderr, "Usage: shelvix-cli add CAT.SXF PATH [--name TEXT] [--no-archives] [--no-details]\n");
        return kExitUsage;
    }
    if (!UsableIndexName(options.catalogue)) return kExitUsage;
    CMedienListe catalogue;
    struct stat st;
    // A data file without its index may be all that is left of a catalogue: it is not replaced,
    // and no scan is started for a save that would be refused. An interrupted save may have
    // left the index under its temporary name, which the load puts back.
    const std::string dataName = DataFileNameOf(options.catalogue);
    bool exists = ::stat(options.catalogue.c_str(), &st) == 0;
    if (!exists && ::lstat(dataName.c_str(), &st) == 0) {
        const bool loaded = catalogue.Load(options.catalogue);
        if (!loaded && ::stat(options.catalogue.c_str(), &st) != 0) {
            ReportError(options.catalogue, WithArgument(ShelvixMessages::msgLoneDataFile, dataName));
            return kExitFailure;
        }
        if (!loaded) {
            ReportFailure(options.catalogue, LoadFailureText(catalogue));
            return kExitFailure;
        }
        exists = true;
    } else if (exists && !LoadCatalogue(catalogue, options.catalogue)) {
        return kExitFailure;
    }

    InstallLinuxVolumeInfoReader();
    const std::string path = AbsolutePath(options.path);
    CMedium* medium = catalogue.AddMediumFromPath(path);
    if (!medium) {
        ReportError(options.path, ShelvixMessages::msgNoAdd);
        return kExitFailure;
    }
    // Named as Add names it in the window (the label, else the folder's own name) unless told.
    if (options.nameGiven) medium->Name = options.name;
    for (int i = 0; i + 1 < catalogue.Count(); ++i) {
        const CMedium* other = catalogue.GetMedium(i);
        if (other->Present && other->Serial == medium->Serial)
            std::fprintf(stderr, "shelvix-cli: note: medium \"%s\" has the same serial %s\n",
                         Printable(other->Name).c_str(), Printable(other->Serial).c_str());
    }

    {
        // The content block is compressed on the other cores while the walk goes on; the save
        // then writes it as it stands.
        TOrderedWork work;
        TContentStream content(*medium, work);
        ProgressLine progress(*medium);
        TMediaScan scan(*medium);
        scan.Content = &content;
        scan.ExamineZip = options.archives;
        scan.ExamineRar = options.archives && static_cast<bool>(scan.OpenRar);
        scan.OnFolderEntered = [&](const std::string& folder) { progress.Folder(folder); };
        scan.OnArchiveEntered = scan.OnFolderEntered;
        scan.ScanFolder(path, nullptr);
        // Before the block is ended: the details travel in its trailer.
        TDetailsOutcome details;
        if (options.details) details = ReadMediumDetails(*medium, path);
        if (auto packed = content.End()) OfferPackedContent(medium, std::move(packed));
        progress.Finish();
        // Catalogued empty or in part, as in the window; named here so that they can be fixed.
        for (const std::string& folder : scan.UnreadFolders)
            std::fprintf(stderr, "shelvix-cli: %s: could not be read\n", Printable(folder).c_str());
        if (!scan.UnreadFolders.empty())
            std::fprintf(stderr, "shelvix-cli: %zu %s\n", scan.UnreadFolders.size(),
                         ShelvixMessages::msgUnreadFolders.c_str());
        if (scan.UnnamedMembers > 0)
            std::fprintf(stderr, "shelvix-cli: note: %d archive member(s) without a name left out\n",
                         scan.UnnamedMembers);
        if (details.helperMissing)
            std::fprintf(stderr, "shelvix-cli: note: file details not read: %s cannot be started\n",
                         DefaultDetailsHelper().c_str());
        if (details.skipped > 0)
            std::fprintf(stderr, "shelvix-cli: note: details of %d file(s) skipped (the reader failed on them)\n",
                         details.skipped);
    }

    // As "Make backups" does in the window: one generation of copies of the pair being replaced,
    // made by the save from the pair it has checked.
    catalogue.MakeBackups = exists;
    if (!SaveCatalogue(catalogue, options.catalogue)) {
        // Another program saved the catalogue during the scan: its changes are not overwritten.
        if (catalogue.SaveFailure == CMedienListe::TSaveFailure::ChangedOnDisk)
            ReportError(options.catalogue, "nothing was saved; run add again to add the medium "
                                           "to the catalogue as it is now");
        return kExitFailure;
    }
    std::printf("%s\t%s\tFiles: %d\tFolders: %d\tSize: %s\n", medium->Name.c_str(),
                medium->Serial.c_str(), medium->FileCount, medium->FolderCount,
                FormatSize(medium->TotalSize).c_str());
    return kExitOk;
}

} // namespace cli
