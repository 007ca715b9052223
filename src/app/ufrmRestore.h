// The restore dialog: lists the removed media so that chosen ones, or all, can be shown again.
// Results: 100 "Restore" (the selected rows), 101 "Restore All", 2 "Abort".
#pragma once

#include <QDialog>

class QLabel;
class QPushButton;
class QTreeView;
class TImageList;

class TfrmRestore : public QDialog {
    Q_OBJECT
public:
    // `drives` is the main window's ImageListDrives (not owned); it gives the rows' icons.
    explicit TfrmRestore(const TImageList* drives, QWidget* parent = nullptr);

    QLabel* LabelRestore;
    // Columns "Label" and "Category"; whole rows, several at a time. It starts with an empty
    // model that only carries the column titles; the list model replaces it (and must give the
    // titles and re-apply the widths, since a new model resets the header).
    QTreeView* VTRestore;
    QPushButton* ButtonRestore;    // closes with mrCustom100
    QPushButton* ButtonRestoreAll; // closes with mrCustom101
    QPushButton* ButtonAbort;      // closes with mrCancel

    const TImageList* Drives() const { return FDrives; }

private:
    const TImageList* FDrives;
};
