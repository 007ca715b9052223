#include "previews.h"

std::string PreviewBytes(const CMedienListe&, const CMedium&, const CFile*) { return {}; }

bool HasPreview(const CMedienListe&, const CMedium&, const CFile*) { return false; }

bool MediumHasPreviews(const CMedienListe&, const CMedium&) { return false; }

void SetPreview(CMedium&, const CFile*, std::string) {}
