#include "categories/ufrmCategories.h"

#include "app/modalresult.h"
#include "app/widgetfactory.h"

#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeView>
#include <QVBoxLayout>

TfrmCategories::TfrmCategories(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmCategories"));
    setWindowTitle(QStringLiteral("Categories"));

    EditName = Named(new QLineEdit(this), "EditName");
    LabelAvailCats = MakeLabel(this, "LabelAvailCats", "Available categories:");

    VSTCategories = MakeListView(this, "VSTCategories", {QStringLiteral("Name")},
                                 QAbstractItemView::SelectRows, QAbstractItemView::SingleSelection);
    VSTCategories->header()->setStretchLastSection(true); // the column follows the view
    VSTCategories->header()->setSectionsClickable(true);
    VSTCategories->header()->setSortIndicatorShown(true);
    VSTCategories->header()->setSortIndicator(-1, Qt::AscendingOrder); // list order at first
    VSTCategories->header()->resizeSection(0, 229);
    VSTCategories->setMinimumSize(233, 240);

    ButtonAddChange = MakeNoDefaultButton(this, "ButtonAddChange", "Add / Change");
    ButtonRemove = MakeNoDefaultButton(this, "ButtonRemove", "Remove");
    ButtonImport = MakeNoDefaultButton(this, "ButtonImport", "Import");
    ButtonExport = MakeNoDefaultButton(this, "ButtonExport", "Export");
    ButtonClose = MakeNoDefaultButton(this, "ButtonClose", "Close");
    CloseOnClick(this, ButtonClose, mrOk);

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
