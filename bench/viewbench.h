// The baseline model of the view benchmarks: the cheapest model a view can have, where every
// root row exists and nothing is looked up.
#pragma once

#include <QAbstractItemModel>
#include <QString>

class FlatModel : public QAbstractItemModel {
public:
    FlatModel(int rows, int columns) : rows_(rows), columns_(columns) {}
    QModelIndex index(int row, int column, const QModelIndex& parent) const override {
        return parent.isValid() || row < 0 || row >= rows_ ? QModelIndex() : createIndex(row, column);
    }
    QModelIndex parent(const QModelIndex&) const override { return {}; }
    int rowCount(const QModelIndex& parent) const override { return parent.isValid() ? 0 : rows_; }
    int columnCount(const QModelIndex&) const override { return columns_; }
    QVariant data(const QModelIndex& index, int role) const override {
        return role == Qt::DisplayRole ? QVariant(QString::number(index.row())) : QVariant();
    }
    void Reset() {
        beginResetModel();
        endResetModel();
    }

private:
    int rows_;
    int columns_;
};
