// What a file is, as the views show it: the columns for photo, music and video details, the
// tooltip that sums them up, and the lines of the file details dialog. Every text is made from
// the medium's details when it is asked for; nothing is kept per entry.
#pragma once

#include <QString>
#include <QVariant>

#include <string>
#include <string_view>
#include <vector>

class CFile;
class QTreeView;

// The detail columns in the order every view adds them after its own.
enum class TDetailColumn { Dimensions, Duration, Taken, Artist, Album, Title, Camera };
constexpr int kDetailColumnCount = 7;

// The message variables that hold the columns' titles, in column order.
std::vector<const std::string*> DetailColumnTitles();
// "4000 × 3000", "3:37", the date as the Date column writes it, the texts as tagged; the camera
// is the model, with the make before it unless the model names it already. Empty when the
// entry has no such detail.
QString DetailColumnText(const CFile& entry, TDetailColumn column);
// The same from an entry's packed details, as the name index keeps them for a row whose tree is
// not in memory.
QString DetailColumnText(std::string_view packed, TDetailColumn column);
// What the column sorts by: pixels, seconds and day counts as numbers, texts as their bytes;
// nothing for an entry without the detail (CompareInOrder puts those last).
QVariant DetailColumnSortValue(const CFile& entry, TDetailColumn column);
QVariant DetailColumnSortValue(std::string_view packed, TDetailColumn column);
// The initial width of a detail column in `view`, scaled by its font.
int DetailColumnWidth(const QTreeView* view, TDetailColumn column);

// A file's tooltip: one "Title: text" line per detail column that has a text; empty for none.
QString DetailsToolTip(const CFile& entry);
QString DetailsToolTip(std::string_view packed);

// One line of the file details dialog.
struct TDetailLine {
    QString label;
    QString value;
    bool operator==(const TDetailLine&) const = default;
};
// Every detail of the entry, with readable names and units, in a fixed order (picture, time,
// place, music, video); keys this version does not know follow under their own names.
std::vector<TDetailLine> DetailLines(const CFile& entry);

// "3:37", "1:02:03": whole seconds, rounded.
QString DurationText(double seconds);
