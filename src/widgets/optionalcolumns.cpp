#include "widgets/optionalcolumns.h"

#include "widgets/fontscale.h"
#include "widgets/keyboardaccess.h"
#include "widgets/windowsettings.h"

#include <QAction>
#include <QHeaderView>
#include <QMenu>
#include <QScrollBar>
#include <QTimer>
#include <QTreeView>

#include <algorithm>
#include <numeric>

namespace {
QString ShowKey(const QString& group, int column) {
    return group + QStringLiteral("/ShowColumn%1").arg(column);
}
} // namespace

std::vector<int> ColumnRange(int first, int count) {
    std::vector<int> columns(size_t(std::max(count, 0)));
    std::iota(columns.begin(), columns.end(), first);
    return columns;
}

void MakeRoomForColumn(QTreeView* view, int column) {
    QHeaderView* header = view->header();
    int used = 0, widest = -1;
    for (int i = 0; i < header->count(); ++i) {
        if (header->isSectionHidden(i)) continue;
        used += header->sectionSize(i);
        if (i != column && (widest < 0 || header->sectionSize(i) > header->sectionSize(widest))) widest = i;
    }
    const int missing = used - view->viewport()->width();
    if (missing > 0 && widest >= 0) {
        const int least = TFontScale(view).X(120);
        const int give = std::min(missing, header->sectionSize(widest) - least);
        if (give > 0) header->resizeSection(widest, header->sectionSize(widest) - give);
    }
    // The column's right edge in sight, once the view has taken in the new widths.
    QTimer::singleShot(0, view, [view, header, column] {
        const int right = header->sectionPosition(column) + header->sectionSize(column);
        QScrollBar* bar = view->horizontalScrollBar();
        if (right - bar->value() > view->viewport()->width())
            bar->setValue(right - view->viewport()->width());
    });
}

void OfferOptionalColumns(QTreeView* view, std::vector<int> columns, const QString& group,
                          std::function<void(int column)> shown) {
    if (!shown) shown = [view](int column) { MakeRoomForColumn(view, column); };
    {
        const auto settings = WindowSettings();
        for (int column : columns)
            view->setColumnHidden(column, !settings->value(ShowKey(group, column), false).toBool());
    }
    QHeaderView* header = view->header();
    header->setContextMenuPolicy(Qt::CustomContextMenu);
    QObject::connect(header, &QWidget::customContextMenuRequested, view,
                     [view, header, columns, group, shown](const QPoint& at) {
        auto* menu = new QMenu(header);
        menu->setAttribute(Qt::WA_DeleteOnClose);
        // Marked letters of their own, as every menu has; an ampersand of a title is kept.
        QStringList titles;
        for (int column : columns)
            titles << view->model()->headerData(column, Qt::Horizontal, Qt::DisplayRole).toString().replace(
                QLatin1Char('&'), QLatin1String("&&"));
        titles = WithMnemonics(titles);
        for (size_t i = 0; i < columns.size(); ++i) {
            const int column = columns[i];
            QAction* toggle = menu->addAction(titles[qsizetype(i)]);
            toggle->setCheckable(true);
            toggle->setChecked(!view->isColumnHidden(column));
            QObject::connect(toggle, &QAction::toggled, view, [view, column, group, shown](bool on) {
                view->setColumnHidden(column, !on);
                WindowSettings()->setValue(ShowKey(group, column), on);
                if (on && shown) shown(column);
            });
        }
        menu->popup(header->mapToGlobal(at));
    });
}
