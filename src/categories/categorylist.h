// Category indexes across a whole catalogue, the entries still waiting in the data file included.
// A category index is only a position in the catalogue's list of names, so taking a name out of
// that list must move every later index with it, or the media and entries would silently name
// other categories than before.
#pragma once

#include <cstdint>
#include <string_view>

class CMedienListe;

// True when any medium, present or removed, or any entry of any kind at any depth holds `index`.
// Entries of a medium whose content is not in memory are read from the catalogue's data file
// into a scratch tree that is dropped again, so a refused removal does not leave the whole
// catalogue resident. A medium whose content cannot be read counts as holding the index: the
// question cannot be answered, and answering "no" could lead to corrupted indexes.
bool CategoryHeldAnywhere(CMedienListe& catalogue, int32_t index);

// True when any medium or entry holds a category at all (any index other than -1), read the same
// way; unreadable content counts as holding one.
bool AnyCategoryHeld(CMedienListe& catalogue);

// Deletes the name at `index` from the list and moves every index above it down by one in every
// medium and entry, so each one goes on naming the same text as before. Contents not in memory
// are loaded first (they must be rewritten anyway) and stay loaded; a medium whose indexes moved
// is no longer Stored, so the next save writes it. Does not touch the catalogue's Modified flag.
// Refuses, returning false and leaving the catalogue as it was (contents it loaded are dropped
// again), when the index is not in the list, when anything holds it, or when a content cannot
// be loaded.
bool RemoveCategory(CMedienListe& catalogue, int32_t index);

// The order of the categories view: letters a to z fold to A to Z, every other byte compares by
// its code. Negative, zero or positive as a is before, equal to or after b.
int CompareCategoryNames(std::string_view a, std::string_view b);
