#include "widgets/dimmedrows.h"

#include <QColor>
#include <QPalette>

namespace {

QColor Blend(const QColor& a, const QColor& b, qreal share) {
    return QColor::fromRgbF(float(a.redF() * (1 - share) + b.redF() * share),
                            float(a.greenF() * (1 - share) + b.greenF() * share),
                            float(a.blueF() * (1 - share) + b.blueF() * share));
}

} // namespace

void TDimmedRowsDelegate::initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const {
    QStyledItemDelegate::initStyleOption(option, index);
    if (!index.data(Qt::ForegroundRole).isValid()) return;
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
        const QColor text = option->palette.color(group, QPalette::HighlightedText);
        const QColor highlight = option->palette.color(group, QPalette::Highlight);
        option->palette.setColor(group, QPalette::HighlightedText, Blend(text, highlight, 0.45));
    }
}
