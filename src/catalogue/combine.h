// Combining and repairing catalogues: moving the media of another catalogue into the open one,
// and finding the media whose content can no longer be read.
#pragma once

#include "mediaclasses.h"

#include <string>
#include <vector>

// Moves every medium of `source` (freshly loaded, contents still on disk) to the end of
// `target`, in order, with its flags; its categories are remapped to `target` by name. A medium
// whose content cannot be read from the source's data file is dropped, and named in
// `notAttached` (when given). Progress goes to the source's OnProgress. `source` is left empty;
// its files are only read. Answers the number of media attached.
struct TNotAttached {
    std::string line; // Name + "_" + Serial
    std::string name;
    TLoadFailure reason;
};
int AttachMedia(CMedienListe& target, CMedienListe& source,
                std::vector<TNotAttached>* notAttached = nullptr);

// Brings every content not yet in memory in from the catalogue's data file; contents already in
// memory are not read again. Answers the positions of the media whose content cannot be read, in
// catalogue order. Progress goes to the catalogue's OnProgress.
std::vector<int> FindLostMedia(CMedienListe& catalogue);

// Takes the media at `positions` (ascending) out of the catalogue and frees them. Answers one
// line per medium, Name + "_" + Serial, in the same order.
std::vector<std::string> RemoveLostMedia(CMedienListe& catalogue,
                                         const std::vector<int>& positions);
