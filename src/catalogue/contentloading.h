// Reading many media's contents at once: workers decompress and build the trees of the media
// a few places ahead while the calling thread uses each medium in catalogue order.
#pragma once

#include <functional>
#include <string>
#include <vector>

class CMedienListe;
class CMedium;

// Brings the contents of `media` in from `dataFileName` (those already in memory are not read
// again) and hands each medium, in the given order, to `use` on the calling thread with whether
// its content is in memory. `use` answers false to stop: the media not yet handed over may or
// may not have been loaded. Each medium must stay untouched by others until it is handed over.
void LoadContentsInOrder(const std::vector<CMedium*>& media, const std::string& dataFileName,
                         const std::function<bool(CMedium&, bool loaded)>& use);
// Every medium of the catalogue, from its own data file.
void LoadContentsInOrder(CMedienListe& catalogue,
                         const std::function<bool(CMedium&, bool loaded)>& use);
