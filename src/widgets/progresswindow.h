// The look the scan window and the search progress window share: a fixed-size dialog with the
// place being worked on, running counts under it (caption at x 8, value at x 96, one 16-pixel
// line each) and a "Stop" button under the values.
#pragma once

#include "widgets/fontscale.h"

#include <QDialog>

#include <chrono>
#include <cstdint>
#include <functional>

class CFile;
class CMedium;
class QGridLayout;
class QLabel;
class QPushButton;
class QTimer;

class TProgressWindow : public QDialog {
    Q_OBJECT
public:
    QLabel* LabelPos; // the place being worked on, at a fixed width, as plain text (ShowPlace)
    QPushButton* ButtonStop = nullptr;
    // Starts the work once the window is visible; 100 ms, stopped at creation.
    QTimer* Timer = nullptr;

    static constexpr int ClientWidth = 265; // as drawn for an 8-point font (TFontScale)

    // Set by "Stop"; the work ends at its next check.
    bool FStopped = false;
    // Items a catalogue walk has visited, for the labels.
    int64_t FItemCount = 0;
    // How long the work may run before pending events get their turn. Letting them run at every
    // item would cost more than the work itself, and each turn repaints the labels; 25 turns a
    // second keep the window live at a few percent of the work's time, and Stop is still seen
    // before the next item.
    std::chrono::milliseconds PumpInterval{40};

    // "Stop": the work ends at its next check and the window closes once it has.
    void ButtonStopClick();

    // The title bar's close button and Escape end in here too (by reject). While the work runs
    // only Stop ends it: the window stays until the work is through.
    void done(int result) override;

protected:
    // For a window whose timer starts a walk: on the first tick while the window shows, runs
    // `walk` (with the place forgotten and the labels written before and after) and closes the
    // window with mrCancel when it ends; when not `ready`, closes it at once.
    void RunWalkOnTick(bool ready, const std::function<void()>& walk);
    // Around the work that Pump interrupts.
    void BeginWork();
    void EndWork() { FWorking = false; }
    // Lets pending events run when PumpInterval has passed since their last turn, after writing
    // the labels: the only moment they can be painted or read.
    void Pump();
    virtual void WriteLabels() {}
    // Writes the place into LabelPos, shortened in the middle when it is wider than the label;
    // the tool tip keeps it whole.
    void ShowPlace(const QString& place);
    // A walk over the catalogue notes the medium, or the folder within it, it has come to;
    // WritePlace shows it ("medium / folder") when the labels are written and it has changed.
    void NotePlace(const CMedium* medium, const CFile* folder);
    void WritePlace();
    void ForgetPlace() { FPlaceChanged = false; }

    TProgressWindow(const char* name, const char* title, QWidget* parent);

    // The next line of counts: a caption and its value, which starts at "0".
    void AddCount(QLabel*& caption, const char* captionName, const char* captionText,
                  QLabel*& value, const char* valueName);
    // Makes the button and the timer (after the counts, so the children keep their order), puts
    // the button under the counts and fixes the window's size.
    void FinishLayout(int clientHeight);

private:
    template <typename> friend class TWindowWalk;
    const TFontScale FScale;
    QGridLayout* FGrid;
    bool FWorking = false;
    std::chrono::steady_clock::time_point FLastPump;
    int FRows = 1; // lines used so far; the place is the first
    const CMedium* FPlaceMedium = nullptr;
    const CFile* FPlaceFolder = nullptr;
    bool FPlaceChanged = false;
};
