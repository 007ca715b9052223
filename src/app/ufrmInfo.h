// The about box: the logo, the program's name and version, and whether RAR and ZIP archives
// can be examined. A hidden credits line belongs to it as well.
#pragma once

#include <QDialog>

class QGroupBox;
class QLabel;
class QPixmap;
class QPushButton;

class TfrmInfo : public QDialog {
    Q_OBJECT
public:
    explicit TfrmInfo(QWidget* parent = nullptr);

    QLabel* Image1; // the logo, 393 x 81, on a transparent ground
    QLabel* Label1; // "Shelvix"
    QLabel* LabelVersion;
    QGroupBox* GroupBoxInfo;
    QLabel* LabelIRar;
    QLabel* LabelRAR;
    QLabel* LabelIZip;
    QLabel* LabelZIP;
    QLabel* ScrollingLabelEasterEgg; // the credits line; hidden until shown on purpose
    QPushButton* ButtonClose;        // closes with mrOk

    // The logo picture, drawn rather than loaded so that the program needs no image file.
    static QPixmap Logo();
};
