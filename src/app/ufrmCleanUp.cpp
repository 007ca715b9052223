#include "app/ufrmCleanUp.h"

#include "app/modalresult.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTreeView>
#include <QVBoxLayout>

namespace {

template <class T> T* Named(T* object, const char* name) {
    object->setObjectName(QString::fromLatin1(name));
    return object;
}

} // namespace

TfrmCleanUp::TfrmCleanUp(const TImageList* drives, QWidget* parent)
    : QDialog(parent), FDrives(drives) {
    setObjectName(QStringLiteral("frmCleanUp"));
    setWindowTitle(QStringLiteral("Clean up"));

    LabelDelete = Named(new QLabel(QStringLiteral("The following items will be deleted:"), this),
                        "LabelDelete");

    VTCleanUp = Named(new QTreeView(this), "VTCleanUp");
    auto* header = new QStandardItemModel(0, 2, VTCleanUp);
    header->setHorizontalHeaderLabels({QStringLiteral("Label"), QStringLiteral("Category")});
    VTCleanUp->setModel(header);
    VTCleanUp->setFixedSize(289, 305);
    VTCleanUp->setUniformRowHeights(true);
    VTCleanUp->setRootIsDecorated(false);
    VTCleanUp->setItemsExpandable(false);
    VTCleanUp->setEditTriggers(QAbstractItemView::NoEditTriggers);
    VTCleanUp->setSelectionBehavior(QAbstractItemView::SelectItems);
    VTCleanUp->setSelectionMode(QAbstractItemView::SingleSelection);
    VTCleanUp->header()->setStretchLastSection(false);
    VTCleanUp->header()->setSectionsMovable(true);
    VTCleanUp->header()->setSectionResizeMode(QHeaderView::Interactive);
    VTCleanUp->header()->resizeSection(0, 140);
    VTCleanUp->header()->resizeSection(1, 140);

    ButtonOK = Named(new QPushButton(QStringLiteral("OK"), this), "ButtonOK");
    ButtonAbort = Named(new QPushButton(QStringLiteral("Abort"), this), "ButtonAbort");
    // Deleting is final, so Enter does not press OK; the user clicks it.
    ButtonAbort->setDefault(true);
    connect(ButtonOK, &QPushButton::clicked, this, [this] { done(mrOk); });
    connect(ButtonAbort, &QPushButton::clicked, this, [this] { done(mrCancel); });

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ButtonOK);
    buttons->addWidget(ButtonAbort);

    auto* page = new QVBoxLayout(this);
    page->setSizeConstraint(QLayout::SetFixedSize); // sized to its contents
    page->addWidget(LabelDelete);
    page->addWidget(VTCleanUp);
    page->addLayout(buttons);
}
