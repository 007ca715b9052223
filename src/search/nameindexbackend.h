// The find service's indexes are the catalogue's name indexes (search/nameindex.h).
#pragma once

#include "search/findservice.h"

// Opens the index kept for the pair the catalogue was read from, checked against the data
// file that pair names and the blocks of its media as saved; makes it from the pair's own
// trees, read into a catalogue of its own, never from the trees the window shows.
TIndexBackend NameIndexBackend();
