// Runs an archive listing in a child process of its own. libarchive parses hostile bytes; a
// fault in one of its readers (there are some in the version Debian ships) then ends the child,
// not the program: the archive keeps what the child sent before it ended. The child also runs
// with an address-space limit, Stop ends it at once, wherever its reading is, and a child that
// stops reading without ending (a reader caught in a loop) is ended after 30 s of silence.
#pragma once

#include "scan/archivelisting.h"

#include <functional>
#include <vector>

class CFile;

// Forks; the child runs `list` with a listing of its own (no Stop to consult: the parent ends
// it) and sends the entries it placed under its copies of `roots` (entries without children
// yet), which are then made under the real ones, counted on their medium. The paths the child
// announces reach listing.onArchive; its unnamed members add to listing.unnamed. When the
// process cannot be forked, nothing is listed.
void ListIsolated(const std::vector<CFile*>& roots, ArchiveListing& listing,
                  const std::function<void(ArchiveListing&)>& list);
