#include "previews.h"

#include "mediaclasses.h"

std::string PreviewBytes(const CMedienListe&, const CMedium& medium, const CFile* entry) {
    return entry ? medium.Previews.Bytes(medium, entry) : std::string();
}

bool HasPreview(const CMedienListe&, const CMedium& medium, const CFile* entry) {
    if (!entry) return false;
    if (const std::string* fresh = medium.Previews.Fresh(entry)) return !fresh->empty();
    return medium.Previews.StoredOf(medium, entry) != nullptr;
}

bool MediumHasPreviews(const CMedienListe&, const CMedium& medium) { return !medium.Previews.Empty(); }

void SetPreview(CMedium& medium, const CFile* entry, std::string jpeg) {
    if (entry) medium.Previews.Set(entry, std::move(jpeg));
}
