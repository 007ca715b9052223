#include "widgets/fontscale.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QFontMetrics>
#include <QStyle>
#include <QStyleOptionViewItem>

#include <algorithm>
#include <cmath>

namespace {
// The metrics the sizes were drawn for.
constexpr double kDrawnCharWidth = 6.0;
constexpr double kDrawnLineHeight = 13.0;

int Stretched(int pixels, double factor) { return static_cast<int>(std::lround(pixels * factor)); }
} // namespace

TFontScale::TFontScale(const QWidget* widget)
    : TFontScale(widget ? widget->fontMetrics() : QFontMetrics(QApplication::font())) {}

TFontScale::TFontScale(const QFontMetrics& metrics) {
    // The average of the 52 letters, as dialog units are measured.
    static const QString letters =
        QStringLiteral("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ");
    x_ = std::max(1.0, metrics.horizontalAdvance(letters) / 52.0 / kDrawnCharWidth);
    y_ = std::max(1.0, metrics.height() / kDrawnLineHeight);
}

int TFontScale::X(int pixels) const { return Stretched(pixels, x_); }
int TFontScale::Y(int pixels) const { return Stretched(pixels, y_); }

int TFontScale::ColumnWidth(const QAbstractItemView* view, int pixels, const QStringList& samples) {
    int width = TFontScale(view).X(pixels);
    // What the view's delegate asks for such a cell: the text and the style's margins.
    QStyleOptionViewItem option;
    option.initFrom(view);
    option.font = view->font();
    option.features = QStyleOptionViewItem::HasDisplay;
    option.displayAlignment = Qt::AlignLeft | Qt::AlignVCenter;
    for (const QString& sample : samples) {
        option.text = sample;
        width = std::max(width, view->style()->sizeFromContents(QStyle::CT_ItemViewItem, &option,
                                                                QSize(), view).width());
    }
    return width;
}
