#include "catalog/Reader.h"

namespace zel {

std::unique_ptr<ICatalogReader> ReaderRegistry::Create(int kind, TBrowser& browser) const {
  auto it = factories_.find(kind);
  if (it == factories_.end()) return nullptr;
  return it->second(browser);
}

}  // namespace zel
