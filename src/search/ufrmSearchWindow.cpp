#include "search/ufrmSearchWindow.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

namespace {

template <class T> T* Named(T* object, const char* name) {
    object->setObjectName(QString::fromLatin1(name));
    return object;
}

} // namespace

TfrmSearchWindow::TfrmSearchWindow(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmSearchWindow"));
    setWindowTitle(QStringLiteral("Searching..."));

    LabelPos = Named(new QLabel(QStringLiteral("Current position"), this), "LabelPos");
    LabelSItems = Named(new QLabel(QStringLiteral("Items:"), this), "LabelSItems");
    LabelItems = Named(new QLabel(QStringLiteral("0"), this), "LabelItems");
    LabelSResults = Named(new QLabel(QStringLiteral("Results:"), this), "LabelSResults");
    LabelResults = Named(new QLabel(QStringLiteral("0"), this), "LabelResults");
    ButtonStop = Named(new QPushButton(QStringLiteral("Stop"), this), "ButtonStop");
    Timer = Named(new QTimer(this), "Timer");
    Timer->setInterval(100);

    // Same look as the scan window: captions at x 8, values at x 96, the button under them.
    LabelPos->setFixedWidth(249);
    LabelPos->setTextFormat(Qt::PlainText);
    ButtonStop->setFixedSize(75, 25);

    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(8, 8, 8, 8);
    grid->setHorizontalSpacing(0);
    grid->setVerticalSpacing(0);
    grid->setColumnMinimumWidth(0, 88);
    grid->addWidget(LabelPos, 0, 0, 1, 2);
    grid->addWidget(LabelSItems, 1, 0);
    grid->addWidget(LabelItems, 1, 1);
    grid->addWidget(LabelSResults, 2, 0);
    grid->addWidget(LabelResults, 2, 1);
    for (int row = 0; row < 3; ++row)
        grid->setRowMinimumHeight(row, 16);
    grid->setRowStretch(3, 1);
    grid->addWidget(ButtonStop, 4, 1, Qt::AlignLeft);
    grid->setColumnStretch(1, 1);

    setFixedSize(ClientWidth, ClientHeight);
}
