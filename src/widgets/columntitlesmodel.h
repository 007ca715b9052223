// The header part the main window's models share: their columns are given by titles, which
// show in the horizontal header and can be replaced (language files).
#pragma once

#include <QAbstractItemModel>
#include <QStringList>

#include <functional>
#include <string>
#include <utility>
#include <vector>

class TColumnTitlesModel : public QAbstractItemModel {
    Q_OBJECT
public:
    // One column per title.
    int columnCount(const QModelIndex& parent = {}) const override;
    // The title of a horizontal section as its display text, the right alignment of the
    // right-aligned column, and for screen readers its spoken title and place; nothing else.
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    // Replaces a title (edit or display role); anything else is refused.
    bool setHeaderData(int section, Qt::Orientation orientation, const QVariant& value,
                       int role = Qt::EditRole) override;

protected:
    TColumnTitlesModel(QStringList titles, QObject* parent);

    // Columns after the titled ones whose titles are message texts (not owned), read each time
    // the header asks, so a language file's text shows; a title set through setHeaderData (a
    // view's own Columns in the language file) takes the place of the message.
    void AddMessageColumns(std::vector<const std::string*> titles);

    // A horizontal section that is one of the columns.
    bool IsColumn(int section, Qt::Orientation orientation) const;

    // One column (sizes) may be right-aligned, in the header and in its cells; CellAlignment
    // is a cell's alignment role.
    void SetRightAlignedColumn(int column) { rightAligned_ = column; }
    // What a screen reader calls the columns that show no title (icons only), by position.
    void SetSpokenTitles(QStringList titles) { spokenTitles_ = std::move(titles); }
    QVariant CellAlignment(int column) const;

    // For flat lists whose row r shows object ids[r], the ids being 0 to n-1 in some order:
    // runs `reorder`, which rearranges `ids`, as one layout change, and the selection and the
    // current node follow their objects to their new rows.
    void ReorderRows(std::vector<int>& ids, const std::function<void()>& reorder);

private:
    QStringList titles_;
    std::vector<const std::string*> messageTitles_; // by column; null: the column's own title
    QStringList spokenTitles_;
    int rightAligned_ = -1;
};

// A flat list whose row r shows object Rows[r] (an index into the owner's list): index, parent,
// row count and the current sort for every such list.
class TFlatListModel : public TColumnTitlesModel {
    Q_OBJECT
public:
    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    // The column the rows are sorted by (-1: list order) and its direction.
    int SortColumn() const { return sortColumn_; }
    Qt::SortOrder SortOrder() const { return sortOrder_; }

protected:
    using TColumnTitlesModel::TColumnTitlesModel;
    std::vector<int> Rows;
    int sortColumn_ = -1;
    Qt::SortOrder sortOrder_ = Qt::AscendingOrder;
};
