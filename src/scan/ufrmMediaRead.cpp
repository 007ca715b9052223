#include "scan/ufrmMediaRead.h"

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

TfrmMediaRead::TfrmMediaRead(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmMediaRead"));
    setWindowTitle(QStringLiteral("Examining Media..."));

    LabelPos = Named(new QLabel(QStringLiteral("Current position"), this), "LabelPos");
    LabelMFiles = Named(new QLabel(QStringLiteral("Files:"), this), "LabelMFiles");
    LabelFiles = Named(new QLabel(QStringLiteral("0"), this), "LabelFiles");
    LabelMDirs = Named(new QLabel(QStringLiteral("Directories:"), this), "LabelMDirs");
    LabelDirectories = Named(new QLabel(QStringLiteral("0"), this), "LabelDirectories");
    LabelMSize = Named(new QLabel(QStringLiteral("Size:"), this), "LabelMSize");
    LabelSize = Named(new QLabel(QStringLiteral("0"), this), "LabelSize");
    ButtonStop = Named(new QPushButton(QStringLiteral("Stop"), this), "ButtonStop");
    Timer = Named(new QTimer(this), "Timer");
    Timer->setInterval(100);

    // A path longer than the label is cut at the label's edge; the label never grows with it.
    LabelPos->setFixedWidth(249);
    LabelPos->setTextFormat(Qt::PlainText);
    ButtonStop->setFixedSize(75, 25);

    // Captions at x 8, values at x 96, one 16-pixel line each; the button under the values.
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(8, 8, 8, 8);
    grid->setHorizontalSpacing(0);
    grid->setVerticalSpacing(0);
    grid->setColumnMinimumWidth(0, 88);
    grid->addWidget(LabelPos, 0, 0, 1, 2);
    grid->addWidget(LabelMFiles, 1, 0);
    grid->addWidget(LabelFiles, 1, 1);
    grid->addWidget(LabelMDirs, 2, 0);
    grid->addWidget(LabelDirectories, 2, 1);
    grid->addWidget(LabelMSize, 3, 0);
    grid->addWidget(LabelSize, 3, 1);
    for (int row = 0; row < 4; ++row)
        grid->setRowMinimumHeight(row, 16);
    grid->setRowStretch(4, 1);
    grid->addWidget(ButtonStop, 5, 1, Qt::AlignLeft);
    grid->setColumnStretch(1, 1);

    setFixedSize(ClientWidth, ClientHeight);
}
