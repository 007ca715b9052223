#include "search/ufrmSearchWindow.h"

TfrmSearchWindow::TfrmSearchWindow(QWidget* parent)
    : TProgressWindow("frmSearchWindow", "Searching...", parent) {
    AddCount(LabelSItems, "LabelSItems", "Items:", LabelItems, "LabelItems");
    AddCount(LabelSResults, "LabelSResults", "Results:", LabelResults, "LabelResults");
    FinishLayout(ClientHeight);
}
