// The fields of one report row, as both report formats write them (raw bytes; each format
// escapes them its own way).
#pragma once

#include "catalogue/mediaclasses.h"
#include "search/searchrequest.h"

#include <string>
#include <string_view>
#include <vector>

struct TReportRow {
    std::string_view medium;
    std::string location; // the enclosing folders joined by "/"
    std::string_view name;
    const char* kind = "";
    std::string size; // bytes, files and archives only
    std::string date; // files and archives only
    std::string category;
    // The medium's free space and capacity in bytes when it was read; empty when not known.
    std::string free;
    std::string capacity;
};

const char* KindText(const CFile& entry);
// An entry's row; its location is given, since a walk builds it as it goes.
TReportRow EntryRow(const CFile& entry, std::string location);
// A search result's row: an entry's, or a medium's found by its name, label or notice.
TReportRow ResultRow(const TSearchRow& row);

// Walks the trees of `media`, parents before children, and calls
//   enter(entry, location) for each entry,
//   leave(entry) after the children of an entry that had any were visited.
// The location of each entry is kept on the walk's own stack, so deep trees cost no more than
// their output.
template <typename Enter, typename Leave>
void WalkWithLocation(const CMedium& medium, Enter enter, Leave leave) {
    struct Frame {
        const EntryList* list;
        int next;
        const CFile* owner;
        size_t pathLength; // the location's length for this list's entries
    };
    std::string location;
    std::vector<Frame> stack{{&medium.Entries(), 0, nullptr, 0}};
    while (!stack.empty()) {
        Frame& frame = stack.back();
        if (frame.next >= frame.list->Count()) {
            const CFile* owner = frame.owner;
            stack.pop_back();
            if (owner) leave(*owner);
            continue;
        }
        location.resize(frame.pathLength);
        const CFile* entry = frame.list->At(frame.next++);
        enter(*entry, location);
        if (entry->ChildCount() == 0) continue;
        if (!location.empty()) location += '/';
        location += entry->Name();
        stack.push_back({&entry->Children(), 0, entry, location.size()});
    }
}
