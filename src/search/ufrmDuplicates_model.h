// The duplicates list as a model: one node per group (its name, how many copies, the space the
// extra copies take), its copies beneath it. Texts and icons are read from the catalogue when
// the view asks; nothing is copied.
#pragma once

#include "widgets/columntitlesmodel.h"
#include "search/duplicates.h"

class TImageList;

class TDuplicatesModel : public TColumnTitlesModel {
    Q_OBJECT
public:
    enum Column { colMedium, colLocation, colName, colSize, colDate };
    static constexpr int kColumns = 5;

    TDuplicatesModel(const TImageList* drives, const TImageList* folders, QObject* parent = nullptr);

    // One model reset; nullptr empties the model.
    void Fill(const TDuplicates* duplicates);
    // The copy a node shows; none for a group's node.
    CFile* EntryAt(const QModelIndex& index) const;

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;

private:
    const TDuplicateGroup* GroupOf(const QModelIndex& index) const;

    const TImageList* drives_;
    const TImageList* folders_;
    const TDuplicates* duplicates_ = nullptr;
};
