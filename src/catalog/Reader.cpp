#include "catalog/Reader.h"

#include "catalog/CatalogRows.h"

namespace zel {

void ICatalogReader::FillColumns(TBrowser& browser, TTreeNode& node,
                                 const std::vector<ColumnRow>& rows) {
  (void)node;
  TCatalogRows fill(browser);
  for (const ColumnRow& row : rows) fill.Column(row);
}

std::unique_ptr<ICatalogReader> ReaderRegistry::Create(int kind, TBrowser& browser) const {
  auto it = factories_.find(kind);
  if (it == factories_.end()) return nullptr;
  return it->second(browser);
}

}  // namespace zel
