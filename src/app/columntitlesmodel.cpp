#include "app/columntitlesmodel.h"

TColumnTitlesModel::TColumnTitlesModel(QStringList titles, QObject* parent)
    : QAbstractItemModel(parent), titles_(std::move(titles)) {}

int TColumnTitlesModel::columnCount(const QModelIndex&) const {
    return int(titles_.size());
}

bool TColumnTitlesModel::IsColumn(int section, Qt::Orientation orientation) const {
    return orientation == Qt::Horizontal && section >= 0 && section < titles_.size();
}

QVariant TColumnTitlesModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (!IsColumn(section, orientation)) return {};
    return role == Qt::DisplayRole ? QVariant(titles_[section]) : QVariant();
}

bool TColumnTitlesModel::setHeaderData(int section, Qt::Orientation orientation,
                                       const QVariant& value, int role) {
    if (!IsColumn(section, orientation) || (role != Qt::EditRole && role != Qt::DisplayRole))
        return false;
    titles_[section] = value.toString();
    emit headerDataChanged(orientation, section, section);
    return true;
}
