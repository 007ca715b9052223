#include "widgets/columntitlesmodel.h"

TColumnTitlesModel::TColumnTitlesModel(QStringList titles, QObject* parent)
    : QAbstractItemModel(parent), titles_(std::move(titles)), messageTitles_(size_t(titles_.size())) {}

void TColumnTitlesModel::AddMessageColumns(std::vector<const std::string*> titles) {
    for (const std::string* title : titles) {
        titles_ << QString(); // null until a title of the view's own replaces the message
        messageTitles_.push_back(title);
    }
}

int TColumnTitlesModel::columnCount(const QModelIndex&) const {
    return int(titles_.size());
}

bool TColumnTitlesModel::IsColumn(int section, Qt::Orientation orientation) const {
    return orientation == Qt::Horizontal && section >= 0 && section < titles_.size();
}

QVariant TColumnTitlesModel::CellAlignment(int column) const {
    return column == rightAligned_ ? QVariant(int(Qt::AlignRight | Qt::AlignVCenter)) : QVariant();
}

QVariant TColumnTitlesModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (!IsColumn(section, orientation)) return {};
    if (role == Qt::TextAlignmentRole) return CellAlignment(section);
    // A column without a title (an icon column) is still named for screen readers.
    const bool spoken = titles_[section].isEmpty() && section < spokenTitles_.size();
    if (role == Qt::AccessibleTextRole && spoken) return spokenTitles_[section];
    const QString title = titles_[section].isNull() && messageTitles_[size_t(section)]
                              ? QString::fromStdString(*messageTitles_[size_t(section)])
                              : titles_[section];
    // Where a screen reader is in the row of titles.
    if (role == Qt::AccessibleDescriptionRole)
        return QStringLiteral("Column %1 of %2: %3")
            .arg(section + 1)
            .arg(titles_.size())
            .arg(spoken ? spokenTitles_[section] : title);
    return role == Qt::DisplayRole ? QVariant(title) : QVariant();
}

bool TColumnTitlesModel::setHeaderData(int section, Qt::Orientation orientation,
                                       const QVariant& value, int role) {
    if (!IsColumn(section, orientation) || (role != Qt::EditRole && role != Qt::DisplayRole))
        return false;
    titles_[section] = value.toString();
    emit headerDataChanged(orientation, section, section);
    return true;
}

void TColumnTitlesModel::ReorderRows(std::vector<int>& ids, const std::function<void()>& reorder) {
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const QModelIndexList from = persistentIndexList();
    std::vector<int> held; // the object each persistent index stood for
    for (const QModelIndex& index : from)
        held.push_back(index.isValid() && index.row() < int(ids.size()) ? ids[size_t(index.row())] : -1);
    reorder();
    std::vector<int> rowOf(ids.size());
    for (size_t row = 0; row < ids.size(); ++row) rowOf[size_t(ids[row])] = int(row);
    QModelIndexList to;
    for (qsizetype i = 0; i < from.size(); ++i)
        to << (held[size_t(i)] < 0 ? QModelIndex()
                                   : createIndex(rowOf[size_t(held[size_t(i)])], from[i].column()));
    changePersistentIndexList(from, to);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

QModelIndex TFlatListModel::index(int row, int column, const QModelIndex& parent) const {
    if (parent.isValid() || row < 0 || row >= int(Rows.size()) || column < 0 ||
        column >= columnCount())
        return {};
    return createIndex(row, column);
}

QModelIndex TFlatListModel::parent(const QModelIndex&) const { return {}; }

int TFlatListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(Rows.size());
}
