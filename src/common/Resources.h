#pragma once
// Named binary resources embedded in the program at build time (the template
// workbooks). Looked up by type and name without regard to letter case.
#include <cstddef>
#include <optional>
#include <string_view>

namespace zel::res {

struct EmbeddedResource {
  const char* type;
  const char* name;
  const unsigned char* data;
  std::size_t size;
};

// The generated table, ended by an entry whose type is null.
const EmbeddedResource* EmbeddedTable();

std::optional<std::string_view> Find(std::string_view type, std::string_view name);

}  // namespace zel::res
