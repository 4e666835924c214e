#include "common/Resources.h"

#include "common/Text.h"

namespace zel::res {

std::optional<std::string_view> Find(std::string_view type, std::string_view name) {
  for (const EmbeddedResource* r = EmbeddedTable(); r->type != nullptr; ++r) {
    if (text::EqualsNoCase(r->type, type) && text::EqualsNoCase(r->name, name))
      return std::string_view(reinterpret_cast<const char*>(r->data), r->size);
  }
  return std::nullopt;
}

}  // namespace zel::res
