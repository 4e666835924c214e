#include "catalog/SchemaRows.h"

namespace zel {

bool ParseCatalogRead(const std::string& text, CatalogRead& out) {
  if (text == "bulk") {
    out = CatalogRead::Bulk;
  } else if (text == "per-table") {
    out = CatalogRead::PerTable;
  } else {
    return false;
  }
  return true;
}

}  // namespace zel
