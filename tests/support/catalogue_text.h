// A canonical text of a whole catalogue (every field, every entry, depth first), so that tests
// compare catalogues with one equality and show the difference when it fails.
#pragma once

#include "catalogue/mediaclasses.h"

#include <string>

std::string DescribeCatalogue(const CMedienListe& cat, bool withFileFields = false);
std::string DescribeMedium(const CMedium& m);
// The catalogue a pair opens as, every content loaded; "no catalogue" or "no content" when it
// cannot be read whole.
std::string LoadedCatalogueText(const std::string& index);

// A small catalogue with categories, nesting, an archive, odd bytes and a size above 4 GiB.
void FillSampleCatalogue(CMedienListe& cat);
CFile* AddTestEntry(CMedium& m, CFile* parent, std::string_view name, int32_t kind,
                    int64_t size = 0, double date = 45000.5, int32_t category = -1);

