// An entry's place and date as text, the way the command line prints search results and the
// reports write their rows.
#pragma once

#include <string>

class CFile;

// "YYYY-MM-DD hh:mm:ss" in the catalogue's local time; empty for a date that is no number or
// lies millennia away (damaged files), and for an imported file time of 0.
std::string DateTimeText(double dayCount);
// The enclosing folders and the entry's own name joined by "/" (A/B/song.mp3), without the
// medium. Members of an archive follow the archive's name.
std::string EntryPathText(const CFile& entry);
// Only the enclosing folders (A/B for A/B/song.mp3); empty at a medium's top.
std::string EntryLocationText(const CFile& entry);
