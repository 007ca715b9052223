// Writing a report from a window: the file is chosen through the interaction seam (the save
// dialog of its format, which remembers the last name chosen), then written; a file that could
// not be written is told.
#pragma once

#include "reports/reports.h"

class QWidget;

// False when the user cancelled or the file could not be written.
bool ExportReport(QWidget* parent, bool html, const TReport& report);
