// Small pictures of a medium's photos and videos (JPEG, longest side at most 256 pixels), kept
// beside the catalogue's pair in a previews file of their own (docs/catalogue-format.md,
// "Previews"), so that a reader of the plain layout never meets them. An open reads only that
// file's small index; each picture is read from it when it is asked for, with one small read.
#pragma once

#include <string>

class CFile;
class CMedienListe;
class CMedium;

// The preview of `entry`, an entry of `medium` in `catalogue`, as JPEG bytes; empty when it has
// none or the previews file no longer gives it whole. Cheap: a lookup and at most one read.
std::string PreviewBytes(const CMedienListe& catalogue, const CMedium& medium, const CFile* entry);

// Whether `entry` has a preview, without reading it.
bool HasPreview(const CMedienListe& catalogue, const CMedium& medium, const CFile* entry);

// Whether any entry of `medium` has a preview.
bool MediumHasPreviews(const CMedienListe& catalogue, const CMedium& medium);

// Gives `entry` of `medium` the preview `jpeg` (empty takes it away). Scans do this for what
// they read; the next save keeps it.
void SetPreview(CMedium& medium, const CFile* entry, std::string jpeg);
