#include "widgets/sortvalues.h"

#include "catalogue/asciicase.h"

#include <QByteArray>
#include <QString>

#include <cmath>

namespace {

bool IsText(const QVariant& value) {
    const int type = value.typeId();
    return type == QMetaType::QByteArray || type == QMetaType::QString;
}

std::string_view View(const QByteArray& bytes) { return {bytes.constData(), size_t(bytes.size())}; }

// Texts are compared where they lie: a sort makes millions of comparisons.
QByteArray Bytes(const QVariant& value) {
    if (value.typeId() == QMetaType::QString) return value.toString().toUtf8();
    return *static_cast<const QByteArray*>(value.constData());
}

} // namespace

int CompareSortValues(const QVariant& a, const QVariant& b) {
    if (!a.isValid() || !b.isValid()) return int(a.isValid()) - int(b.isValid());
    if (IsText(a) || IsText(b)) {
        if (a.typeId() == QMetaType::QByteArray && b.typeId() == QMetaType::QByteArray)
            return CompareNatural(View(*static_cast<const QByteArray*>(a.constData())),
                                  View(*static_cast<const QByteArray*>(b.constData())));
        if (!IsText(a) || !IsText(b)) return IsText(a) ? 1 : -1; // numbers before texts
        return CompareNatural(View(Bytes(a)), View(Bytes(b)));
    }
    const double x = a.toDouble(), y = b.toDouble();
    if (std::isnan(x) || std::isnan(y)) return int(!std::isnan(x)) - int(!std::isnan(y));
    return x < y ? -1 : (y < x ? 1 : 0);
}

int CompareInOrder(const QVariant& a, const QVariant& b, bool descending) {
    if (a.isValid() != b.isValid()) return a.isValid() ? -1 : 1;
    const int result = CompareSortValues(a, b);
    return descending ? -result : result;
}

Qt::SortOrder NextSortOrder(int clicked, int sortColumn, Qt::SortOrder order) {
    if (clicked != sortColumn) return order;
    return order == Qt::AscendingOrder ? Qt::DescendingOrder : Qt::AscendingOrder;
}
