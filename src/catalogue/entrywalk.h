// Depth-first walks over entry trees with an explicit stack: trees may be nested far deeper
// than the call stack allows.
#pragma once

#include "mediaclasses.h"

#include <vector>

// Calls visit(entry) for every entry below `roots`, parents before children, in stored order.
// visit returns true to stop the walk; descend(entry) says whether to enter its children.
// Returns true when the walk was stopped.
template <typename Visit, typename Descend>
bool WalkEntries(const EntryList& roots, Visit visit, Descend descend) {
    struct Frame {
        const EntryList* list;
        int next;
    };
    std::vector<Frame> stack{{&roots, 0}};
    while (!stack.empty()) {
        Frame& frame = stack.back();
        if (frame.next >= frame.list->Count()) {
            stack.pop_back();
            continue;
        }
        CFile* entry = frame.list->At(frame.next++);
        if (visit(entry)) return true;
        if (entry->ChildCount() > 0 && descend(entry)) stack.push_back({&entry->Children(), 0});
    }
    return false;
}

template <typename Visit> bool WalkEntries(const EntryList& roots, Visit visit) {
    return WalkEntries(roots, visit, [](const CFile*) { return true; });
}
