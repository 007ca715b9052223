#include "backups.h"

#include "faults.h"
#include "savepair.h"
#include "streams.h"

#include <cstdio>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

// A copy of `source` under a temporary name beside `target`, flushed to the disk.
bool CopyToTemporary(const std::string& source, const std::string& target, std::string& temp) {
    // A shared lock: a program writing the file makes the copy fail rather than read half of it.
    auto in = TFileStream::Open(source, TFileStream::Mode::ReadOnly);
    if (!in) return false;
    auto out = CreateTemporaryBeside(target, "new", temp);
    if (!out) return false;
    const int64_t size = in->Size();
    std::vector<char> buffer(size_t(1) << 20);
    while (in->Position() < size) {
        const size_t got = in->Read(buffer.data(), buffer.size());
        if (got == 0 || out->Write(buffer.data(), got) != got) return false;
    }
    return size >= 0 && out->Sync();
}

} // namespace

std::string IndexBackupName(const std::string& indexFileName) {
    return indexFileName + ".bak";
}

std::string DataBackupName(const std::string& indexFileName) {
    const size_t slash = indexFileName.rfind('/');
    const size_t dot = indexFileName.rfind('.');
    const bool hasExtension =
        dot != std::string::npos && (slash == std::string::npos || dot > slash);
    return (hasExtension ? indexFileName.substr(0, dot) : indexFileName) + ".sxd.bak";
}

bool MakeBackupCopies(const std::string& indexFileName, const std::string& dataFileName) {
    ClearFileFault();
    const std::string indexCopy = IndexBackupName(indexFileName);
    const std::string dataCopy = DataBackupName(indexFileName);
    std::string indexTemp, dataTemp;
    const bool copied =
        !faults::Fail("backup-index") && CopyToTemporary(indexFileName, indexCopy, indexTemp) &&
        !faults::Fail("backup-data") && CopyToTemporary(dataFileName, dataCopy, dataTemp);
    // The data copy goes in place first, as in a save, so the index copy never names blocks
    // that are not there.
    const bool placed = copied && !faults::Fail("backup-rename") &&
                        ::rename(dataTemp.c_str(), dataCopy.c_str()) == 0 &&
                        ::rename(indexTemp.c_str(), indexCopy.c_str()) == 0;
    if (!placed) {
        if (!indexTemp.empty()) ::unlink(indexTemp.c_str());
        if (!dataTemp.empty()) ::unlink(dataTemp.c_str());
        return false;
    }
    SyncFolderOf(indexCopy);
    return true;
}

bool SameCatalogueFile(const std::string& a, const std::string& b) {
    if (a == b) return true;
    if (a.empty() || b.empty()) return false;
    struct stat sa {
    }, sb{};
    return ::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
           sa.st_ino == sb.st_ino;
}
