// The scan's details pass: after the walk has filled a medium, the files that may have details
// are read through the helper and their details, and the previews of photos and videos, kept in
// the medium. Archive members are not opened for details.
#pragma once

#include "details/detailsclient.h"

#include <functional>
#include <string>

class CMedium;

// `root` is the folder the medium was scanned from. `poll` runs after each answer; false
// stops the pass (what was read is kept).
TDetailsOutcome ReadMediumDetails(CMedium& medium, const std::string& root,
                                  const std::function<bool()>& poll = {},
                                  TDetailsReader* reader = nullptr);
