// Which media of a catalogue are within reach now, and where their entries lie on disk. Qt-free:
// the mount table comes in as TLinuxVolumes::MountedVolumes() gives it, and the one question put
// to the file system (is this a folder?) can be answered by tests.
#pragma once

#include "catalogue/mediaclasses.h"
#include "platform/volumeinfo.h"

#include <functional>
#include <string>
#include <vector>

using FolderTest = std::function<bool(const std::string& path)>;

// The folder a medium's entries lie in now, or empty when the medium is not mounted. A mounted
// file system is the medium's when its serial is the medium's and, when the medium has a label,
// its label is the medium's too. A medium that remembers the folder it was read from (every medium
// read since the folder was kept) must find that folder again through a mount that shows it:
// folders of the system disk share its serial, so the serial alone would call every one of them
// mounted, and a deleted folder is no longer there to open. Older media are where their file
// system is mounted.
std::string MountedLocation(const CMedium& medium, const std::vector<MountedVolume>& volumes,
                            const FolderTest& isFolder = IsExistingFolder);

// What lies on disk for an entry: the entry itself, or for a member of an archive the outermost
// archive that holds it.
const CFile& EntryOnDisk(const CFile& entry);

// Free space and capacity as the desk shows them: one decimal, "12.3 GB".
std::string SpaceText(int64_t bytes);
// "Free 12.3 GB of 64.0 GB when read on 4 Mar 2025"; empty for a medium read before these were
// kept.
std::string FreeSpaceText(const TMediumAdditions& reading);
