// Results of modal windows. The numbers are kept because windows and their callers compare them.
#pragma once

enum TModalResult : int {
    mrNone = 0,
    mrOk = 1,
    mrCancel = 2,
    mrYes = 6,
    mrNo = 7,
    mrCustom100 = 100, // a window's own first choice beyond OK and Cancel
    mrCustom101 = 101,
};
