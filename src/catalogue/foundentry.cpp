#include "foundentry.h"

#include "mediaclasses.h"

TFoundEntry FoundEntryOf(const CFile& entry) { return {entry.Name(), entry.Kind, entry.Size, entry.Date}; }

std::string FoundPathText(const TFoundEntry& entry, std::string folderPath) {
    // A folder's or archive's folder path already ends with its own name.
    if ((entry.kind & 2) != 0) return folderPath;
    if (!folderPath.empty()) folderPath += '/';
    folderPath += entry.name;
    return folderPath;
}
