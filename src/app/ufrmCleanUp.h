// The clean-up dialog: lists the removed media that "OK" deletes for good. The list only
// informs; its selection has no effect. Results: 1 "OK", 2 "Abort".
#pragma once

#include <QDialog>

class QLabel;
class QPushButton;
class QTreeView;
class TImageList;

class TfrmCleanUp : public QDialog {
    Q_OBJECT
public:
    // `drives` is the main window's ImageListDrives (not owned); it gives the rows' icons.
    explicit TfrmCleanUp(const TImageList* drives, QWidget* parent = nullptr);

    QLabel* LabelDelete;
    // Columns "Label" and "Category"; one cell at a time. Starts with an empty model that only
    // carries the column titles; the list model replaces it and re-applies the widths.
    QTreeView* VTCleanUp;
    QPushButton* ButtonOK;    // closes with mrOk
    QPushButton* ButtonAbort; // closes with mrCancel

    const TImageList* Drives() const { return FDrives; }

private:
    const TImageList* FDrives;
};
