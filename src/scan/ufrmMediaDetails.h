// The medium details dialog: a medium's read-only facts (serial number, label, size, counts) and
// the values the user edits (name, notice, category), with "..." to the categories dialog.
#pragma once

#include <QDialog>

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

class TfrmMediaDetails : public QDialog {
    Q_OBJECT
public:
    explicit TfrmMediaDetails(QWidget* parent = nullptr);

    // Read-only facts.
    QGroupBox* GroupBox1;
    QLabel* LabelMSerial;
    QLabel* LabelSerial;
    QLabel* LabelMLabel;
    QLabel* LabelLabel;
    QLabel* LabelMSize;
    QLabel* LabelSize;
    QLabel* LabelMFolders;
    QLabel* LabelFolders;
    QLabel* LabelMFiles;
    QLabel* LabelFiles;
    // Editable values.
    QGroupBox* GroupBox2;
    QLabel* LabelMName;
    QLineEdit* EditName;
    QLabel* LabelMNotice;
    QPlainTextEdit* MemoNotice;
    QLabel* LabelMCat;
    QComboBox* ComboBoxCategory; // choose only, no typing
    QPushButton* ButtonCategory; // "..."
    QPushButton* ButtonOK;       // closes with mrOk
    QPushButton* ButtonAbort;    // closes with mrCancel

    static constexpr int ClientWidth = 417;
    static constexpr int ClientHeight = 329;
};
