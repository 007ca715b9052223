#include "categories/ufrmCategories.h"

#include "app/modalresult.h"

#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTreeView>
#include <QVBoxLayout>

namespace {

template <class T> T* Named(T* object, const char* name) {
    object->setObjectName(QString::fromLatin1(name));
    return object;
}

QPushButton* MakeButton(QWidget* parent, const char* name, const char* text) {
    auto* button = Named(new QPushButton(QString::fromLatin1(text), parent), name);
    button->setAutoDefault(false);
    return button;
}

} // namespace

TfrmCategories::TfrmCategories(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmCategories"));
    setWindowTitle(QStringLiteral("Categories"));

    EditName = Named(new QLineEdit(this), "EditName");
    LabelAvailCats =
        Named(new QLabel(QStringLiteral("Available categories:"), this), "LabelAvailCats");

    VSTCategories = Named(new QTreeView(this), "VSTCategories");
    auto* header = new QStandardItemModel(0, 1, VSTCategories);
    header->setHorizontalHeaderLabels({QStringLiteral("Name")});
    VSTCategories->setModel(header);
    VSTCategories->setUniformRowHeights(true);
    VSTCategories->setRootIsDecorated(false);
    VSTCategories->setItemsExpandable(false);
    VSTCategories->setEditTriggers(QAbstractItemView::NoEditTriggers);
    VSTCategories->setSelectionBehavior(QAbstractItemView::SelectRows);
    VSTCategories->setSelectionMode(QAbstractItemView::SingleSelection);
    VSTCategories->header()->setStretchLastSection(true); // the column follows the view
    VSTCategories->header()->setSectionsClickable(true);
    VSTCategories->header()->setSortIndicatorShown(true);
    VSTCategories->header()->setSortIndicator(-1, Qt::AscendingOrder); // list order at first
    VSTCategories->header()->resizeSection(0, 229);
    VSTCategories->setMinimumSize(233, 240);

    ButtonAddChange = MakeButton(this, "ButtonAddChange", "Add / Change");
    ButtonRemove = MakeButton(this, "ButtonRemove", "Remove");
    ButtonImport = MakeButton(this, "ButtonImport", "Import");
    ButtonExport = MakeButton(this, "ButtonExport", "Export");
    ButtonClose = MakeButton(this, "ButtonClose", "Close");
    connect(ButtonClose, &QPushButton::clicked, this, [this] { done(mrOk); });

    // Edit with its button on top; the list below with the list's own buttons beside it.
    auto* side = new QVBoxLayout;
    side->addWidget(ButtonRemove);
    side->addSpacing(12);
    side->addWidget(ButtonImport);
    side->addWidget(ButtonExport);
    side->addStretch(1);
    side->addWidget(ButtonClose);

    auto* grid = new QGridLayout(this);
    grid->addWidget(EditName, 0, 0);
    grid->addWidget(ButtonAddChange, 0, 1);
    grid->addWidget(LabelAvailCats, 1, 0, 1, 2);
    grid->addWidget(VSTCategories, 2, 0);
    grid->addLayout(side, 2, 1);
    grid->setColumnStretch(0, 1);
    grid->setRowStretch(2, 1);

    OpenDialogCategories.filter =
        QStringLiteral("Category files (*.SXC)|*.SXC|All files (*.*)|*.*");
    OpenDialogCategories.defaultExtension = QStringLiteral("*.SXC");
    SaveDialogCategories.filter =
        QStringLiteral("Category files (*.SXC)|*.SXC|All files (*:*)|*.*");
    SaveDialogCategories.defaultExtension = QStringLiteral("*.cat");
    SaveDialogCategories.confirmOverwrite = true;

    resize(380, 340);
}
