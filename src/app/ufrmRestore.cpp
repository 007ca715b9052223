#include "app/ufrmRestore.h"

#include "language/messagetable.h"
#include "widgets/interaction.h"
#include "widgets/languagetranslator.h"
#include "widgets/modalresult.h"
#include "app/removedmediamodel.h"
#include "widgets/keyboardaccess.h"
#include "widgets/widgetfactory.h"

#include <QLabel>
#include <QPushButton>
#include <QTreeView>
#include <QVBoxLayout>

#include <algorithm>

TfrmRestore::TfrmRestore(const TImageList* drives, QWidget* parent)
    : QDialog(parent), FDrives(drives), FModel(new TRemovedMediaModel(drives, this)) {
    setObjectName(QStringLiteral("frmRestore"));
    setWindowTitle(QStringLiteral("Restore"));

    LabelRestore = MakeLabel(this, "LabelRestore", "&Select media to restore:");
    VTRestore = MakeRemovedMediaList(this, "VTRestore", FModel, QAbstractItemView::SelectRows,
                                     QAbstractItemView::ExtendedSelection);

    LabelRestore->setBuddy(VTRestore);

    ButtonRestore = MakeButton(this, "ButtonRestore", "&Restore");
    ButtonRestoreAll = MakeButton(this, "ButtonRestoreAll", "Restore &All");
    ButtonAbort = MakeButton(this, "ButtonAbort", "A&bort");
    ButtonRestore->setDefault(true);
    // Restore with nothing chosen says so and leaves the list open.
    connect(ButtonRestore, &QPushButton::clicked, this, [this] {
        if (SelectedMedia().empty())
            Interaction().MessageBox(this, QString::fromStdString(ShelvixMessages::msgHint),
                                     QString::fromStdString(ShelvixMessages::msgNothingToRestore),
                                     TMessageButtons::Ok);
        else
            done(mrCustom100);
    });
    CloseOnClick(this, ButtonRestoreAll, mrCustom101);
    CloseOnClick(this, ButtonAbort, mrCancel);

    NameForScreenReaders({
        {VTRestore, "Removed media", "The removed media: choose the ones to bring back"},
        {ButtonRestore, nullptr, "Brings back the chosen media"},
        {ButtonRestoreAll, nullptr, "Brings back every removed medium"},
        {ButtonAbort, nullptr, "Closes the list and restores nothing"},
    });

    auto* page = new QVBoxLayout(this);
    page->setSizeConstraint(QLayout::SetFixedSize); // sized to its contents
    page->addWidget(LabelRestore);
    page->addWidget(VTRestore);
    page->addLayout(RightAlignedRow({ButtonRestore, ButtonRestoreAll, ButtonAbort}));
    // Its texts from the language file, once its message keys are registered.
    translator::LoadLanguage(this, nullptr);
}

// The keyboard starts in the list, on its first row, so the arrows and Space choose at once.
void TfrmRestore::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    VTRestore->setFocus(Qt::OtherFocusReason);
    if (!VTRestore->currentIndex().isValid() && FModel->rowCount() > 0)
        VTRestore->selectionModel()->setCurrentIndex(FModel->index(0, 0), QItemSelectionModel::NoUpdate);
}

std::vector<CMedium*> TfrmRestore::SelectedMedia() const {
    QModelIndexList rows = VTRestore->selectionModel()->selectedRows();
    std::sort(rows.begin(), rows.end(),
              [](const QModelIndex& a, const QModelIndex& b) { return a.row() < b.row(); });
    std::vector<CMedium*> media;
    for (const QModelIndex& row : rows)
        if (CMedium* medium = FModel->MediumAt(row)) media.push_back(medium);
    return media;
}
