#include "categories/ufrmDetailsFiles.h"

#include "app/modalresult.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

namespace {

template <class T> T* Named(T* object, const char* name) {
    object->setObjectName(QString::fromLatin1(name));
    return object;
}

} // namespace

TfrmDetailsFile::TfrmDetailsFile(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmDetailsFile"));
    setWindowTitle(QStringLiteral("Details"));

    LabelFName = Named(new QLabel(QStringLiteral("Name:"), this), "LabelFName");
    LabelName = Named(new QLabel(QStringLiteral("###"), this), "LabelName");
    LabelName->setTextFormat(Qt::PlainText);
    // A long name is cut at the dialog's edge instead of widening the dialog.
    LabelName->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    LabelCat = Named(new QLabel(QStringLiteral("Category:"), this), "LabelCat");
    ComboBoxCategory = Named(new QComboBox(this), "ComboBoxCategory");
    ComboBoxCategory->setEditable(false);
    ComboBoxCategory->setFixedWidth(265);
    ButtonCategories = Named(new QPushButton(QStringLiteral("..."), this), "ButtonCategories");
    ButtonCategories->setFixedSize(25, 21);
    ButtonCategories->setAutoDefault(false);
    CheckBoxSub =
        Named(new QCheckBox(QStringLiteral("Include subfolders and files"), this), "CheckBoxSub");
    CheckBoxSub->setChecked(true);

    ButtonOK = Named(new QPushButton(QStringLiteral("OK"), this), "ButtonOK");
    ButtonAbort = Named(new QPushButton(QStringLiteral("Abort"), this), "ButtonAbort");
    ButtonOK->setDefault(true);
    connect(ButtonOK, &QPushButton::clicked, this, [this] { done(mrCustom100); });
    connect(ButtonAbort, &QPushButton::clicked, this, [this] { done(mrCancel); });

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ButtonOK);
    buttons->addWidget(ButtonAbort);

    auto* grid = new QGridLayout(this);
    grid->setSizeConstraint(QLayout::SetFixedSize); // sized to its contents
    grid->setColumnMinimumWidth(0, 80);
    grid->addWidget(LabelFName, 0, 0);
    grid->addWidget(LabelName, 0, 1, 1, 2);
    grid->addWidget(LabelCat, 1, 0);
    grid->addWidget(ComboBoxCategory, 1, 1);
    grid->addWidget(ButtonCategories, 1, 2);
    grid->addWidget(CheckBoxSub, 2, 1, 1, 2);
    grid->setRowMinimumHeight(3, 8);
    grid->addLayout(buttons, 4, 0, 1, 3);
}
