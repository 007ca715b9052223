// shelvix-cli info: what the index file says, without touching the contents.
#include "cli/cli.h"
#include "text/textescape.h"

#include "catalogue/IO_BZIP.h"
#include "catalogue/mediaclasses.h"
#include "platform/mountedmedia.h"

#include <cinttypes>
#include <cstdio>

namespace cli {
namespace {

// Control characters escaped too, so that every medium stays on its own line.
std::string Shown(std::string_view bytes) { return EscapeBytes(bytes, Controls::Escape); }

} // namespace

int RunInfo(const Arguments& arguments) {
    const std::string& fileName = arguments[0];
    CMedienListe catalogue;
    if (!LoadCatalogue(catalogue, fileName)) return kExitFailure;

    std::printf("Catalogue: %s\n", Shown(fileName).c_str());
    std::printf("Version: %d\n", static_cast<int>(catalogue.Version));
    std::printf("Categories: %zu\n", catalogue.Categories.size());
    for (size_t i = 0; i < catalogue.Categories.size(); ++i)
        std::printf("  [%zu] %s\n", i, Shown(catalogue.Categories[i]).c_str());
    std::printf("Media: %d\n", catalogue.Count());
    const auto volumes = TLinuxVolumes("/", BlkidDeviceProbe()).MountedVolumes();
    for (int i = 0; i < catalogue.Count(); ++i) {
        const CMedium& m = *catalogue.GetMedium(i);
        const std::string location = MountedLocation(m, volumes);
        std::printf("  [%d] \"%s\"  serial %s  %d folders  %d files  %" PRId64
                    " bytes (%s)  %s  %s%s\n",
                    i, Shown(m.Name).c_str(), Shown(m.Serial).c_str(), static_cast<int>(m.FolderCount),
                    static_cast<int>(m.FileCount), m.TotalSize, FormatSize(m.TotalSize).c_str(),
                    m.Present ? "present" : "removed", location.empty() ? "-" : "mounted at ",
                    Shown(location).c_str());
        if (m.Additions.HasSpace())
            std::printf("      free %" PRId64 " bytes of %" PRId64 " (%s)\n", m.Additions.FreeSpace,
                        m.Additions.Capacity, FreeSpaceText(m.Additions).c_str());
    }
    if (!OutputWritten()) return kExitFailure;
    return kExitOk;
}

} // namespace cli
