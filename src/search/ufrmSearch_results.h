// VSTResults as a model: one flat node per row of the search's result list, carrying the row's
// index. Texts and icons are read from the catalogue objects when the view asks; sorting
// reorders the nodes only, never the list.
#pragma once

#include "widgets/columntitlesmodel.h"
#include "widgets/detailtexts.h"
#include "catalogue/foundentry.h"
#include "search/searchrequest.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

class QHeaderView;
class TImageList;

class TSearchResultsModel : public TFlatListModel {
    Q_OBJECT
public:
    // The detail columns (TDetailColumn) follow these.
    enum Column { colMediumIcon, colMedium, colKindIcon, colResult, colSize, colDate, colLocation };
    static constexpr int kColumns = 7;
    static constexpr int kAllColumns = kColumns + kDetailColumnCount;

    TSearchResultsModel(const TImageList* drives, QObject* parent = nullptr);
    void SetFolderImages(const TImageList* folders) { folders_ = folders; }
    // Where the texts of indexed rows come from (rows without an entry that name an index row);
    // they must live as long as the list.
    void SetIndexedRows(const TIndexedRows* indexed) { indexed_ = indexed; }

    // One node per row, in list order, then the current sort; one model reset.
    void Fill(const TSearchResults* results);
    void Clear() { Fill(nullptr); }
    // The list grew by `count` rows at `first`, the rows from there on moved behind them: their
    // nodes are added, in the current sort, without a reset (a list filled while it is shown).
    void Inserted(int first, int count);
    // A header click: on the sort column it reverses the direction, on another column it sorts
    // by that column in the same direction; the header shows it.
    void ClickColumn(int column, QHeaderView* header);
    // The row a node carries, or none.
    const TSearchRow* RowAt(const QModelIndex& index) const;
    // Column -1 means list order.
    void SortBy(int column, Qt::SortOrder order);

    QVariant data(const QModelIndex& index, int role) const override;

private:
    void ApplySort();
    // The entry a row shows, from its tree or its index; none for a medium's row.
    std::optional<TFoundEntry> EntryOf(const TSearchRow& row) const;
    std::string FolderOf(const TSearchRow& row) const;
    // Its packed details, from its medium or its index row; empty for none.
    std::string_view DetailsOf(const TSearchRow& row) const;
    std::string_view TextOf(const TSearchRow& row) const;

    const TImageList* drives_;
    const TImageList* folders_ = nullptr;
    const TSearchResults* results_ = nullptr;
    const TIndexedRows* indexed_ = nullptr;
};
