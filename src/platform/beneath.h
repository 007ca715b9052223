// Finding what lies beneath a medium's folder, and nothing else. Names come from a catalogue file
// and links from the medium, both of which anyone may have made: a name "..", an absolute name,
// or a symbolic link whose target climbs out (or starts at "/") would lead off the medium. Such
// a path is refused, never followed; a link that stays on the medium is followed.
#pragma once

#include <string>

enum class TBeneath {
    Inside,  // found on the medium
    Outside, // "..", an absolute name or a link leads off the medium (or links loop)
    Missing, // nothing there
    Failed,  // the medium's folder or a component cannot be read
};

struct TBeneathPath {
    TBeneath result = TBeneath::Failed;
    // Inside: the path it resolved to, without links or "..", starting at the folder's own path.
    std::string path;
    int error = 0; // the system's reason for Missing and Failed
};

// Resolves `relative` beneath `folder` with openat2(RESOLVE_BENEATH) where the kernel has it,
// else by an equal walk over each component opened without following links.
TBeneathPath ResolveBeneath(const std::string& folder, const std::string& relative);

// Tests: walk component by component even where openat2 is there.
void SetBeneathWalkOnly(bool walkOnly);
