// Pixel sizes in the window code were drawn for an 8-point font at 96 dpi, whose average
// character is 6 pixels wide and whose lines are 13 pixels high. On Linux the desktop's font is
// usually larger, so those sizes would clip the texts they were made for. TFontScale stretches
// them by the running font's metrics; a drawn size is the minimum, never shrunk.
#pragma once

#include <QSize>
#include <QStringList>

class QAbstractItemView;
class QFontMetrics;
class QWidget;

class TFontScale {
public:
    // By the widget's font; the application's font when there is no widget.
    explicit TFontScale(const QWidget* widget = nullptr);
    explicit TFontScale(const QFontMetrics& metrics);

    int X(int pixels) const;
    int Y(int pixels) const;
    QSize Size(int width, int height) const { return {X(width), Y(height)}; }

    // The width of a column drawn `pixels` wide, widened so that a cell of `view` shows each of
    // `samples` whole.
    static int ColumnWidth(const QAbstractItemView* view, int pixels, const QStringList& samples);

private:
    double x_ = 1, y_ = 1;
};
