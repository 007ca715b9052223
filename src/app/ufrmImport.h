// The import dialog: asks for the number of files of one medium's root level when a foreign
// catalogue is read. It is never translated.
#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

class TfrmImport : public QDialog {
    Q_OBJECT
public:
    explicit TfrmImport(QWidget* parent = nullptr);

    QLabel* LabelName;     // the medium's name, set before each showing
    QLabel* Label1;        // "Enter number of files:"
    QLineEdit* EditFiles;  // keeps its text from one showing to the next
    QPushButton* ButtonOK; // closes with mrOk
};
