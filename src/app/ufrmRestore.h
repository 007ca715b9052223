// The restore dialog: lists the removed media so that chosen ones, or all, can be shown again.
// Results: 100 "Restore" (the selected rows), 101 "Restore All", 2 "Abort".
#pragma once

#include <QDialog>

#include <vector>

class CMedium;
class QLabel;
class QPushButton;
class QTreeView;
class TImageList;
class TRemovedMediaModel;

class TfrmRestore : public QDialog {
    Q_OBJECT
public:
    // `drives` is the main window's ImageListDrives (not owned); it gives the rows' icons.
    explicit TfrmRestore(const TImageList* drives, QWidget* parent = nullptr);

    QLabel* LabelRestore;
    // Columns "Name" and "Category"; whole rows, several at a time.
    QTreeView* VTRestore;
    QPushButton* ButtonRestore;    // closes with mrCustom100 when media are selected
    QPushButton* ButtonRestoreAll; // closes with mrCustom101
    QPushButton* ButtonAbort;      // closes with mrCancel

    const TImageList* Drives() const { return FDrives; }
    // The removed media VTRestore lists; the caller fills it before an opening and clears it
    // afterwards.
    TRemovedMediaModel& Model() { return *FModel; }
    // The media of the selected rows, in list order.
    std::vector<CMedium*> SelectedMedia() const;

protected:
    void showEvent(QShowEvent* event) override;

private:
    const TImageList* FDrives;
    TRemovedMediaModel* FModel;
};
