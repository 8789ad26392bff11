#ifndef TARNO_TOOLS_CATALOGUE_CATALOGUE_DATA_H_
#define TARNO_TOOLS_CATALOGUE_CATALOGUE_DATA_H_

// The catalogues as the build makes them from i18n/*.po (cmake/po_to_cpp.py): per language,
// its entries sorted by key. Only catalogue.cpp reads these.

#include <cstddef>

namespace tarno::score {

struct CatalogueEntry {
  const char* key;
  const char* text;  // UTF-8
};

struct CatalogueTable {
  const char* code;  // "en", "hu"
  const CatalogueEntry* entries;
  size_t count;
};

extern const CatalogueTable kCatalogueTables[];
extern const size_t kCatalogueTableCount;

}  // namespace tarno::score

#endif  // TARNO_TOOLS_CATALOGUE_CATALOGUE_DATA_H_
