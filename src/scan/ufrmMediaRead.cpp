#include "scan/ufrmMediaRead.h"

TfrmMediaRead::TfrmMediaRead(QWidget* parent)
    : TProgressWindow("frmMediaRead", "Examining Media...", parent) {
    AddCount(LabelMFiles, "LabelMFiles", "Files:", LabelFiles, "LabelFiles");
    AddCount(LabelMDirs, "LabelMDirs", "Directories:", LabelDirectories, "LabelDirectories");
    AddCount(LabelMSize, "LabelMSize", "Size:", LabelSize, "LabelSize");
    FinishLayout(ClientHeight);
}
