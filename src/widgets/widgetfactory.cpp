#include "widgets/widgetfactory.h"

#include "widgets/fontscale.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QDialog>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTreeView>

QLabel* MakeLabel(QWidget* parent, const char* name, const char* text) {
    return Named(new QLabel(QString::fromLatin1(text), parent), name);
}

QPushButton* MakeButton(QWidget* parent, const char* name, const char* text) {
    return Named(new QPushButton(QString::fromLatin1(text), parent), name);
}

QPushButton* MakeNoDefaultButton(QWidget* parent, const char* name, const char* text) {
    QPushButton* button = MakeButton(parent, name, text);
    button->setAutoDefault(false);
    return button;
}

QCheckBox* MakeCheck(QWidget* parent, const char* name, const char* text) {
    return Named(new QCheckBox(QString::fromLatin1(text), parent), name);
}

QGroupBox* MakeGroup(QWidget* parent, const char* name, const char* title) {
    return Named(new QGroupBox(QString::fromLatin1(title), parent), name);
}

void CloseOnClick(QDialog* dialog, QAbstractButton* button, int result) {
    QObject::connect(button, &QAbstractButton::clicked, dialog,
                     [dialog, result] { dialog->done(result); });
}

QHBoxLayout* RightAlignedRow(std::initializer_list<QWidget*> widgets) {
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    for (QWidget* widget : widgets)
        row->addWidget(widget);
    return row;
}

QTreeView* MakeListView(QWidget* parent, const char* name, const QStringList& titles,
                        QAbstractItemView::SelectionBehavior behavior,
                        QAbstractItemView::SelectionMode mode) {
    auto* view = Named(new QTreeView(parent), name);
    auto* header = new QStandardItemModel(0, int(titles.size()), view);
    header->setHorizontalHeaderLabels(titles);
    view->setModel(header);
    view->setUniformRowHeights(true);
    view->setRootIsDecorated(false);
    view->setItemsExpandable(false);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setSelectionBehavior(behavior);
    view->setSelectionMode(mode);
    return view;
}

QTreeView* MakeRemovedMediaList(QWidget* parent, const char* name, QAbstractItemModel* model,
                                QAbstractItemView::SelectionBehavior behavior,
                                QAbstractItemView::SelectionMode mode) {
    QTreeView* view = MakeListView(
        parent, name, {QStringLiteral("Name"), QStringLiteral("Category")}, behavior, mode);
    // The list model takes the titles' place before the widths are set: a new model starts a
    // new header.
    QAbstractItemModel* titles = view->model();
    view->setModel(model);
    delete titles;
    const TFontScale scale(view);
    view->setFixedSize(scale.Size(289, 305));
    QHeaderView* columns = view->header();
    columns->setStretchLastSection(false);
    columns->setSectionsMovable(true);
    columns->setSectionResizeMode(QHeaderView::Interactive);
    columns->resizeSection(0, scale.X(140));
    columns->resizeSection(1, scale.X(140));
    return view;
}

namespace {
class THeaderClickFilter : public QObject {
public:
    THeaderClickFilter(QHeaderView* header, std::function<void(int)> click)
        : QObject(header), header_(header), click_(std::move(click)) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::MouseButtonRelease) {
            const auto* mouse = static_cast<QMouseEvent*>(event);
            if (mouse->button() != Qt::LeftButton) {
                const int column = header_->logicalIndexAt(mouse->position().toPoint());
                if (column >= 0) click_(column);
            }
        }
        return QObject::eventFilter(watched, event);
    }

private:
    QHeaderView* header_;
    std::function<void(int)> click_;
};
} // namespace

void OnHeaderClick(QTreeView* view, std::function<void(int column)> click) {
    QHeaderView* header = view->header();
    QObject::connect(header, &QHeaderView::sectionClicked, header, click);
    header->viewport()->installEventFilter(new THeaderClickFilter(header, std::move(click)));
}

QString MenuButtonText(const QString& title) {
    return title.contains(QLatin1Char('&')) ? title : QLatin1Char('&') + title;
}

QString PlainMenuTitle(const QString& title) {
    QString plain;
    for (qsizetype i = 0; i < title.size(); ++i) {
        if (title[i] == QLatin1Char('&') && i + 1 < title.size()) ++i; // "&&" is one "&"
        plain += title[i];
    }
    return plain;
}

QComboBox* MakeUnitList(QWidget* parent, const char* name) {
    auto* units = Named(new QComboBox(parent), name);
    units->addItems(
        {QStringLiteral("Byte"), QStringLiteral("KB"), QStringLiteral("MB"), QStringLiteral("GB")});
    units->setCurrentIndex(-1); // no unit chosen
    units->setEnabled(false);
    return units;
}

QLineEdit* MakeSizeEdit(QWidget* parent, const char* name) {
    auto* edit = Named(new QLineEdit(parent), name);
    edit->setEnabled(false);
    edit->setMaximumWidth(TFontScale(edit).X(90));
    return edit;
}
