#include "app/ufrmImport.h"

#include "widgets/fontscale.h"
#include "widgets/modalresult.h"
#include "widgets/keyboardaccess.h"
#include "widgets/widgetfactory.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

TfrmImport::TfrmImport(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmImport"));
    setWindowTitle(QStringLiteral("Import"));

    LabelName = Named(new QLabel(this), "LabelName");
    LabelName->setTextFormat(Qt::PlainText);
    QFont name = LabelName->font();
    name.setBold(true);
    LabelName->setFont(name);
    Label1 = MakeLabel(this, "Label1", "&Enter number of files:");
    EditFiles = Named(new QLineEdit(this), "EditFiles");
    EditFiles->setMinimumWidth(TFontScale(EditFiles).X(200));
    Label1->setBuddy(EditFiles);
    ButtonOK = MakeButton(this, "ButtonOK", "&OK");
    ButtonOK->setDefault(true);
    CloseOnClick(this, ButtonOK, mrOk);

    NameForScreenReaders({
        {EditFiles, nullptr, "How many files the medium named above holds"},
        {ButtonOK, nullptr, "Goes on with the import"},
    });

    auto* page = new QVBoxLayout(this);
    page->setSizeConstraint(QLayout::SetFixedSize); // sized to its contents
    page->addWidget(LabelName);
    page->addWidget(Label1);
    page->addWidget(EditFiles);
    page->addLayout(RightAlignedRow({ButtonOK}));
}
