// A walk over the catalogue (a search, the duplicate finder) driven by a progress window: the
// places it reaches are noted for the labels, its item count goes to the window, and at each
// turn it gives the window's events run, so Stop is seen.
#pragma once

#include "widgets/progresswindow.h"

#include <utility>

template <typename Walk> class TWindowWalk : public Walk {
public:
    template <typename... Args>
    explicit TWindowWalk(TProgressWindow& window, Args&&... args)
        : Walk(std::forward<Args>(args)...), window_(window) {
        this->SetStopFlag(&window.FStopped);
    }

protected:
    void PositionChanged(const CMedium& medium, const CFile* folder) override {
        window_.FItemCount = this->ItemCount();
        window_.NotePlace(&medium, folder);
    }
    void Poll() override {
        window_.FItemCount = this->ItemCount();
        window_.Pump();
    }

private:
    TProgressWindow& window_;
};
