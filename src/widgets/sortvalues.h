// Sorting by a column's value, for every view people read sorted: a model answers SortRole with
// the value a cell sorts by (a number, or the bytes of a name), and CompareSortValues orders two
// of them. A column added to a model sorts as soon as it answers the role.
#pragma once

#include <QVariant>

#include <Qt>

constexpr int SortRole = Qt::UserRole + 64;

// Numbers by value (NaN and no value first), byte texts (QByteArray) and texts in natural
// order. Negative, zero or positive.
int CompareSortValues(const QVariant& a, const QVariant& b);

// The order of two values in a sort in either direction: the values compared as above, turned
// round for a descending sort, except that cells without a value come last either way (most
// files have no artist: a sort by artist shows the songs first).
int CompareInOrder(const QVariant& a, const QVariant& b, bool descending);

// The direction a header click chooses: on the column sorted by it turns round, on another
// column it stays.
Qt::SortOrder NextSortOrder(int clicked, int sortColumn, Qt::SortOrder order);
