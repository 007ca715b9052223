#include "app/ufrmCleanUp.h"

#include "widgets/languagetranslator.h"
#include "widgets/modalresult.h"
#include "app/removedmediamodel.h"
#include "widgets/keyboardaccess.h"
#include "widgets/widgetfactory.h"

#include <QLabel>
#include <QPushButton>
#include <QTreeView>
#include <QVBoxLayout>

TfrmCleanUp::TfrmCleanUp(const TImageList* drives, QWidget* parent)
    : QDialog(parent), FDrives(drives), FModel(new TRemovedMediaModel(drives, this)) {
    setObjectName(QStringLiteral("frmCleanUp"));
    setWindowTitle(QStringLiteral("Clean up"));

    LabelDelete = MakeLabel(this, "LabelDelete", "&The following items will be deleted:");
    VTCleanUp = MakeRemovedMediaList(this, "VTCleanUp", FModel, QAbstractItemView::SelectItems,
                                     QAbstractItemView::SingleSelection);

    LabelDelete->setBuddy(VTCleanUp);

    ButtonOK = MakeButton(this, "ButtonOK", "&OK");
    ButtonAbort = MakeButton(this, "ButtonAbort", "&Abort");
    // Deleting is final, so Enter does not press OK; the user clicks it.
    ButtonAbort->setDefault(true);
    CloseOnClick(this, ButtonOK, mrOk);
    CloseOnClick(this, ButtonAbort, mrCancel);

    NameForScreenReaders({
        {VTCleanUp, "Media to delete", "The removed media that OK deletes from the catalogue"},
        {ButtonOK, nullptr, "Deletes these media from the catalogue for good"},
        {ButtonAbort, nullptr, "Keeps the removed media"},
    });

    auto* page = new QVBoxLayout(this);
    page->setSizeConstraint(QLayout::SetFixedSize); // sized to its contents
    page->addWidget(LabelDelete);
    page->addWidget(VTCleanUp);
    page->addLayout(RightAlignedRow({ButtonOK, ButtonAbort}));
    // Its texts from the language file, once its message keys are registered.
    translator::LoadLanguage(this, nullptr);
}
