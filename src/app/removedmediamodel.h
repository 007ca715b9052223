// The lists of the restore and clean-up dialogs as one model: a flat node per removed medium of
// the catalogue, in catalogue order, carrying the medium's position. Name, category and drive
// icon are read from the medium whenever the view asks; nothing is copied.
#pragma once

#include "widgets/columntitlesmodel.h"

class CMedienListe;
class CMedium;
class TImageList;

class TRemovedMediaModel : public TFlatListModel {
    Q_OBJECT
public:
    // `drives` is the main window's ImageListDrives (not owned).
    explicit TRemovedMediaModel(const TImageList* drives, QObject* parent = nullptr);

    // One node per medium whose Present flag is clear; one model reset. Returns the node count.
    int Fill(CMedienListe* catalogue);
    // Lets go of the catalogue: call it before media are deleted or the catalogue is replaced.
    void Clear() { Fill(nullptr); }
    CMedium* MediumAt(const QModelIndex& index) const;

    QVariant data(const QModelIndex& index, int role) const override;

private:
    const TImageList* drives_;
    CMedienListe* catalogue_ = nullptr;
};
