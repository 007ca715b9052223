// A preview written out as PNG. A catalogue's bytes may come from anywhere, so they are decoded
// in the details helper with its limits, never in the process that asks.
#pragma once

#include "details/detailsclient.h"

#include <string>

// The PNG of the JPEG `jpeg`; empty when it is no picture or the helper cannot be run.
std::string PreviewPng(const std::string& jpeg, const std::string& helper = DefaultDetailsHelper(),
                       TDetailsLimits limits = {});
