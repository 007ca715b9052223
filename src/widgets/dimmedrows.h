// Rows a model draws dimmed (its ForegroundRole answers a disabled text colour) stay dimmed when
// selected: the selection takes the palette's highlight colours, and the text on it is a blend
// of the highlighted text and the highlight, so a selected unmounted medium still looks unmounted.
#pragma once

#include <QStyledItemDelegate>

class TDimmedRowsDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;
};
