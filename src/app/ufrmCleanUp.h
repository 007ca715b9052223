// The clean-up dialog: lists the removed media that "OK" deletes for good. The list only
// informs; its selection has no effect. Results: 1 "OK", 2 "Abort".
#pragma once

#include <QDialog>

class QLabel;
class QPushButton;
class QTreeView;
class TImageList;
class TRemovedMediaModel;

class TfrmCleanUp : public QDialog {
    Q_OBJECT
public:
    // `drives` is the main window's ImageListDrives (not owned); it gives the rows' icons.
    explicit TfrmCleanUp(const TImageList* drives, QWidget* parent = nullptr);

    QLabel* LabelDelete;
    // Columns "Name" and "Category"; one cell at a time.
    QTreeView* VTCleanUp;
    QPushButton* ButtonOK;    // closes with mrOk
    QPushButton* ButtonAbort; // closes with mrCancel

    const TImageList* Drives() const { return FDrives; }
    // The removed media VTCleanUp lists; the caller fills it before an opening and clears it
    // before it deletes them.
    TRemovedMediaModel& Model() { return *FModel; }

private:
    const TImageList* FDrives;
    TRemovedMediaModel* FModel;
};
