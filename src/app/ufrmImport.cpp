#include "app/ufrmImport.h"

#include "app/modalresult.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

template <class T> T* Named(T* object, const char* name) {
    object->setObjectName(QString::fromLatin1(name));
    return object;
}

} // namespace

TfrmImport::TfrmImport(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmImport"));
    setWindowTitle(QStringLiteral("Import"));

    LabelName = Named(new QLabel(this), "LabelName");
    LabelName->setTextFormat(Qt::PlainText);
    QFont name = LabelName->font();
    name.setBold(true);
    LabelName->setFont(name);
    Label1 = Named(new QLabel(QStringLiteral("Enter number of files:"), this), "Label1");
    EditFiles = Named(new QLineEdit(this), "EditFiles");
    EditFiles->setMinimumWidth(200);
    Label1->setBuddy(EditFiles);
    ButtonOK = Named(new QPushButton(QStringLiteral("OK"), this), "ButtonOK");
    ButtonOK->setDefault(true);
    connect(ButtonOK, &QPushButton::clicked, this, [this] { done(mrOk); });

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ButtonOK);

    auto* page = new QVBoxLayout(this);
    page->setSizeConstraint(QLayout::SetFixedSize); // sized to its contents
    page->addWidget(LabelName);
    page->addWidget(Label1);
    page->addWidget(EditFiles);
    page->addLayout(buttons);
}
