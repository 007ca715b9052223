#include "widgets/progresswindow.h"

#include "widgets/modalresult.h"
#include "widgets/keyboardaccess.h"
#include "widgets/widgetfactory.h"
#include "catalogue/mediaclasses.h"

#include <QCoreApplication>

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

TProgressWindow::TProgressWindow(const char* name, const char* title, QWidget* parent)
    : QDialog(parent), FScale(this) {
    setObjectName(QString::fromLatin1(name));
    setWindowTitle(QString::fromLatin1(title));

    LabelPos = MakeLabel(this, "LabelPos", "Current position");
    // The label never grows with its text: ShowPlace shortens a long path instead.
    LabelPos->setFixedWidth(FScale.X(249));
    LabelPos->setTextFormat(Qt::PlainText);

    FGrid = new QGridLayout(this);
    FGrid->setContentsMargins(8, 8, 8, 8);
    FGrid->setHorizontalSpacing(0);
    FGrid->setVerticalSpacing(0);
    FGrid->setColumnMinimumWidth(0, FScale.X(88));
    FGrid->addWidget(LabelPos, 0, 0, 1, 2);
}

void TProgressWindow::AddCount(QLabel*& caption, const char* captionName, const char* captionText,
                               QLabel*& value, const char* valueName) {
    caption = MakeLabel(this, captionName, captionText);
    value = MakeLabel(this, valueName, "0");
    FGrid->addWidget(caption, FRows, 0);
    FGrid->addWidget(value, FRows, 1);
    ++FRows;
}

void TProgressWindow::ButtonStopClick() {
    FStopped = true;
    done(mrCancel);
}

void TProgressWindow::FinishLayout(int clientHeight) {
    ButtonStop = MakeButton(this, "ButtonStop", "&Stop");
    NameForScreenReaders({{ButtonStop, nullptr, "Stops the walk before its end"}});
    ButtonStop->setFixedSize(FScale.Size(75, 25));
    connect(ButtonStop, &QPushButton::clicked, this, &TProgressWindow::ButtonStopClick);
    Timer = Named(new QTimer(this), "Timer");
    Timer->setInterval(100);

    for (int row = 0; row < FRows; ++row)
        FGrid->setRowMinimumHeight(row, FScale.Y(16));
    FGrid->setRowStretch(FRows, 1);
    FGrid->addWidget(ButtonStop, FRows + 1, 1, Qt::AlignLeft);
    FGrid->setColumnStretch(1, 1);

    setFixedSize(FScale.Size(ClientWidth, clientHeight));
}

void TProgressWindow::ShowPlace(const QString& place) {
    // Both ends of a path tell where the work is: the medium or top folder, and the folder
    // being read. The middle gives way.
    LabelPos->setText(LabelPos->fontMetrics().elidedText(place, Qt::ElideMiddle, LabelPos->width()));
    LabelPos->setToolTip(place);
}

void TProgressWindow::NotePlace(const CMedium* medium, const CFile* folder) {
    FPlaceMedium = medium;
    FPlaceFolder = folder;
    FPlaceChanged = true;
}

void TProgressWindow::WritePlace() {
    if (!FPlaceChanged || !FPlaceMedium) return;
    FPlaceChanged = false;
    std::string place = FPlaceMedium->Name;
    if (FPlaceFolder) place.append(" / ").append(FPlaceFolder->Name());
    ShowPlace(QString::fromLocal8Bit(place.data(), qsizetype(place.size())));
}

void TProgressWindow::RunWalkOnTick(bool ready, const std::function<void()>& walk) {
    if (!isVisible()) return;
    Timer->stop();
    if (ready) {
        ForgetPlace();
        WriteLabels(); // the counts of an earlier run go
        BeginWork();
        walk();
        EndWork();
        WriteLabels();
    }
    done(mrCancel);
}

void TProgressWindow::BeginWork() {
    FWorking = true;
    FLastPump = std::chrono::steady_clock::now();
}

void TProgressWindow::Pump() {
    const auto now = std::chrono::steady_clock::now();
    if (now - FLastPump < PumpInterval) return;
    WriteLabels();
    QCoreApplication::processEvents();
    FLastPump = std::chrono::steady_clock::now();
}

void TProgressWindow::done(int result) {
    if (FWorking && !FStopped) return;
    Timer->stop();
    // Closed before the work began counts as cancelled.
    QDialog::done(result == QDialog::Rejected ? mrCancel : result);
}
