// What the user is told when a medium's content, a catalogue or a save did not go through. The
// catalogue code names its reason (LoadFailure, SaveFailure); where it names none, the files
// show it: a data file that is gone, one another program holds locked, one that was replaced.
// "In use" and "changed" are no damage: nothing may be dropped or repaired away for them.
#pragma once

#include "mediaclasses.h"

#include <string>

// Why `medium`'s content is not in memory after LoadContent from `dataFileName` failed.
TLoadFailure ContentLoadFailure(const CMedium& medium, const std::string& dataFileName);
// Why the last Load of `catalogue` failed; None for a file fault of another kind (its reason is
// the last file fault's).
TLoadFailure CatalogueLoadFailure(const CMedienListe& catalogue);

// A message for the user: a message variable with %1 where `argument` goes (raw bytes: a
// medium's name or a file's path; empty when the text has no %1).
struct TFailureText {
    const std::string* text;
    std::string argument;
};
// For a content that could not be read.
TFailureText ContentFailureText(const std::string& mediumName, TLoadFailure reason);
// For a failed Load of the catalogue.
TFailureText LoadFailureText(const CMedienListe& catalogue);
// For a failed Save onto `fileName`; `generic` stands for a failure without a reason of its own.
TFailureText SaveFailureText(const CMedienListe& catalogue, const std::string& fileName,
                             const std::string& generic);
// `text` with its first %1 replaced by `argument`.
std::string WithArgument(const std::string& text, const std::string& argument);
