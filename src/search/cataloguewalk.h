// What the search and the duplicate finder share as walks over the whole catalogue: the count of
// items visited, the stop flag the caller sets, and the hooks through which the caller sees where
// the walk is and gets turns for its own work (a window's events).
#pragma once

#include <cstdint>

class CFile;
class CMedium;

class TCatalogueWalk {
public:
    virtual ~TCatalogueWalk() = default;

    // Media and entries visited so far.
    int64_t ItemCount() const { return itemCount_; }
    bool Stopped() const { return stopped_ && *stopped_; }
    // The flag that ends the walk at its next check (not owned).
    void SetStopFlag(const bool* stopped) { stopped_ = stopped; }

protected:
    // Where the walk is: a medium before its entries (folder none), or a folder, an archive or
    // another entry with children before its children. Called per medium and per entry that
    // can hold children, never per plain file.
    virtual void PositionChanged(const CMedium&, const CFile*) {}
    // Pending work of the caller (window messages) may run here; the stop flag is read right
    // after.
    virtual void Poll() {}

    bool CheckStop() {
        Poll();
        return Stopped();
    }

    int64_t itemCount_ = 0;

private:
    const bool* stopped_ = nullptr;
};
