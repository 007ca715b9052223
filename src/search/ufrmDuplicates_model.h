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

    // Header-click sorting: the groups by the column's value in their own row (name, size, the
    // copies' count in Location), the copies inside each group by theirs. Column -1 is the
    // order found (largest waste first).
    void SortBy(int column, Qt::SortOrder order);
    int SortColumn() const { return sortColumn_; }
    Qt::SortOrder SortOrder() const { return sortOrder_; }

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;

private:
    const TDuplicateGroup* GroupOf(const QModelIndex& index) const;
    size_t GroupAtRow(int row) const { return groupAt_.empty() ? size_t(row) : groupAt_[size_t(row)]; }
    QVariant GroupSortValue(const TDuplicateGroup& group, int column) const;
    QVariant CopySortValue(const CFile& entry, int column) const;
    void ApplySort();

    // Display order: the group shown in row r, and each group's row; the copy shown in row r of
    // a group, as a position in Entries. Empty while the order is the one found.
    std::vector<size_t> groupAt_, rowOfGroup_, copyAt_;
    int sortColumn_ = -1;
    Qt::SortOrder sortOrder_ = Qt::AscendingOrder;

    const TImageList* drives_;
    const TImageList* folders_;
    const TDuplicates* duplicates_ = nullptr;
};
