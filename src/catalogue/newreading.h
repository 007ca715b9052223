// What Add and Update weigh up when a medium is read: which media of the catalogue the new
// reading may be (same serial), what of the user's own the old reading holds, and carrying it
// over to the new one.
#pragma once

#include "catalogue/mediaclasses.h"

#include <vector>

// Present media other than `added` that the new reading may be a second copy of. Every folder of
// one file system carries the file system's serial, so the serial alone would name every medium
// read from that disk: a medium counts when it has the serial and was read from the same folder.
// Media from catalogues that did not keep the folder count by serial alone. In catalogue order.
std::vector<CMedium*> SameSerialMedia(const CMedienListe& catalogue, const CMedium& added);

// Whether `old` holds anything the user gave it: a name other than the one a fresh reading
// takes (`freshName`), a notice, a category, or a category on any entry. Entries are looked at
// only when its content is in memory.
bool HasOwnAnnotations(const CMedium& old, const std::string& freshName);

// Gives `fresh` the name, notice and category of `old`, and each of its entries the category of
// the entry of `old` at the same path (folders and archive members alike). Entries that are new
// keep none; categories of entries that are gone are dropped with them.
void CarryOverAnnotations(const CMedium& old, CMedium& fresh);
