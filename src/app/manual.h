// Where the user's manual lies: copied beside the program in the build tree, or in the
// program's data folder once installed.
#pragma once

#include <QString>

// The manual's start page for the program in `programDir`; empty when there is none.
QString FindManual(const QString& programDir);
