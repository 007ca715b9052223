// The about box: the logo, the program's name and version, and whether RAR and ZIP archives
// can be examined. A hidden credits line belongs to it as well.
#pragma once

#include <QDialog>
#include <cstdint>

class QGroupBox;
class QLabel;
class QPixmap;
class QPushButton;
class QTimer;

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
    QTimer* ScrollTimer; // moves the credits line one step while it shows (part of the line, unnamed)

    // The credits line appears at this double click on the logo after the box was shown.
    static constexpr int CreditsAtDoubleClick = 6;
    static constexpr int ScrollStepMs = 75;

    // The logo picture for a screen with `devicePixelRatio`: the application icon and the name.
    static QPixmap Logo(qreal devicePixelRatio);

    void Image1DblClick();
    int DoubleClicks() const { return FDoubleClicks; }
    // One step of the credits line to the left: its first character moves to its end.
    void ScrollStep();

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    int32_t FDoubleClicks = 0;
};
