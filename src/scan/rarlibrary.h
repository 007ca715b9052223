// RAR listing through libarchive (RAR 4 and RAR 5), behind the five operations the scan calls:
// probe, open, read header, skip, close (the last one is the archive's destruction).
//
// libarchive is linked at build time, so "the library is absent" exists only as a switch: set,
// the probe answers -1 and every open fails, exactly as a program without RAR support behaves.
#pragma once

#include "scan/archivenesting.h"

#include <memory>
#include <string>

// libarchive's version number (3006002 for 3.6.2), or -1 while the library counts as absent.
int ProbeRarLibrary();

// While set, the binding acts as if no RAR library were present. Starts set when the
// environment variable SHELVIX_NO_RAR is set to anything but an empty text.
void SetRarLibraryAbsent(bool absent);
bool RarLibraryAbsent();

// Opens `path` for listing; null when it cannot be opened as a RAR archive (no archive, damaged
// beyond its signature, headers encrypted) or the library counts as absent.
std::unique_ptr<IRarArchive> OpenRarArchive(const std::string& path);

// Probes once and, when the library is there, registers OpenRarArchive as the scan's RAR opener
// (none otherwise). Returns the probe's answer; 0 or more means RAR support.
int InstallRarListing();
