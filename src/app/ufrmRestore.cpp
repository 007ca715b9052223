#include "app/ufrmRestore.h"

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

TfrmRestore::TfrmRestore(const TImageList* drives, QWidget* parent)
    : QDialog(parent), FDrives(drives) {
    setObjectName(QStringLiteral("frmRestore"));
    setWindowTitle(QStringLiteral("Restore"));

    LabelRestore =
        Named(new QLabel(QStringLiteral("Select media to restore:"), this), "LabelRestore");

    VTRestore = Named(new QTreeView(this), "VTRestore");
    auto* header = new QStandardItemModel(0, 2, VTRestore);
    header->setHorizontalHeaderLabels({QStringLiteral("Label"), QStringLiteral("Category")});
    VTRestore->setModel(header);
    VTRestore->setFixedSize(289, 305);
    VTRestore->setUniformRowHeights(true);
    VTRestore->setRootIsDecorated(false);
    VTRestore->setItemsExpandable(false);
    VTRestore->setEditTriggers(QAbstractItemView::NoEditTriggers);
    VTRestore->setSelectionBehavior(QAbstractItemView::SelectRows);
    VTRestore->setSelectionMode(QAbstractItemView::ExtendedSelection);
    VTRestore->header()->setStretchLastSection(false);
    VTRestore->header()->setSectionsMovable(true);
    VTRestore->header()->setSectionResizeMode(QHeaderView::Interactive);
    VTRestore->header()->resizeSection(0, 140);
    VTRestore->header()->resizeSection(1, 140);

    ButtonRestore = Named(new QPushButton(QStringLiteral("Restore"), this), "ButtonRestore");
    ButtonRestoreAll =
        Named(new QPushButton(QStringLiteral("Restore All"), this), "ButtonRestoreAll");
    ButtonAbort = Named(new QPushButton(QStringLiteral("Abort"), this), "ButtonAbort");
    ButtonRestore->setDefault(true);
    connect(ButtonRestore, &QPushButton::clicked, this, [this] { done(mrCustom100); });
    connect(ButtonRestoreAll, &QPushButton::clicked, this, [this] { done(mrCustom101); });
    connect(ButtonAbort, &QPushButton::clicked, this, [this] { done(mrCancel); });

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ButtonRestore);
    buttons->addWidget(ButtonRestoreAll);
    buttons->addWidget(ButtonAbort);

    auto* page = new QVBoxLayout(this);
    page->setSizeConstraint(QLayout::SetFixedSize); // sized to its contents
    page->addWidget(LabelRestore);
    page->addWidget(VTRestore);
    page->addLayout(buttons);
}
