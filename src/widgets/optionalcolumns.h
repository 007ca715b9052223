// Columns a view shows only when the user asks for them: hidden at first, shown and hidden
// from the header's context menu, the choice kept in the settings file.
#pragma once

#include <QString>

#include <functional>
#include <vector>

class QTreeView;

// Applies the kept choice for `columns` of `view` (hidden when none is kept) and gives the
// header the menu that changes it, kept under "GROUP/ShowColumnN". The menu is made at each
// request, with the titles the model gives then. `shown` runs after the user showed a column;
// without one the column is given room in sight (MakeRoomForColumn).
void OfferOptionalColumns(QTreeView* view, std::vector<int> columns, const QString& group,
                          std::function<void(int column)> shown = {});
// A column just shown would otherwise appear beyond the right edge, where the user who asked
// for it does not see it: the widest other column gives up what is missing (down to a minimum),
// and what still does not fit is scrolled into sight.
void MakeRoomForColumn(QTreeView* view, int column);
// The same for a range of columns, first to last.
std::vector<int> ColumnRange(int first, int count);
