// The entry details dialog: an entry's name and the category given to it, optionally to
// everything beneath it as well. "OK" closes with 100, the only result that applies a change.
#pragma once

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;

class TfrmDetailsFile : public QDialog {
    Q_OBJECT
public:
    explicit TfrmDetailsFile(QWidget* parent = nullptr);

    QLabel* LabelFName;            // "Name:"
    QLabel* LabelName;             // the entry's name, set at each opening
    QLabel* LabelCat;              // "Category:"
    QComboBox* ComboBoxCategory;   // choose only, no typing
    QPushButton* ButtonCategories; // "..."
    QCheckBox* CheckBoxSub;        // checked at creation; keeps the user's choice afterwards
    QPushButton* ButtonOK;         // closes with mrCustom100
    QPushButton* ButtonAbort;      // closes with mrCancel
};
