// The look the scan window and the search progress window share: a fixed-size dialog with the
// place being worked on, running counts under it (caption at x 8, value at x 96, one 16-pixel
// line each) and a "Stop" button under the values.
#pragma once

#include <QDialog>

class QGridLayout;
class QLabel;
class QPushButton;
class QTimer;

class TProgressWindow : public QDialog {
    Q_OBJECT
public:
    QLabel* LabelPos; // the place being worked on; cut at its fixed width, shown as plain text
    QPushButton* ButtonStop = nullptr;
    // Starts the work once the window is visible; 100 ms, stopped at creation.
    QTimer* Timer = nullptr;

    static constexpr int ClientWidth = 265;

protected:
    TProgressWindow(const char* name, const char* title, QWidget* parent);

    // The next line of counts: a caption and its value, which starts at "0".
    void AddCount(QLabel*& caption, const char* captionName, const char* captionText,
                  QLabel*& value, const char* valueName);
    // Makes the button and the timer (after the counts, so the children keep their order), puts
    // the button under the counts and fixes the window's size.
    void FinishLayout(int clientHeight);

private:
    QGridLayout* FGrid;
    int FRows = 1; // lines used so far; the place is the first
};
