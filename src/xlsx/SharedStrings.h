#pragma once
// The shared string table. Existing entries are kept as read; new plain texts
// are appended, and a hash index finds a text already there so a repeated
// value costs one entry.
#include <pugixml.hpp>

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>

namespace zel::xl {

class SharedStrings {
 public:
  SharedStrings();
  // Reads an existing table (the part's bytes).
  void Parse(std::string_view xml, const std::string& partName);
  // The index of an entry holding exactly this text (already escaped for
  // OOXML, see CellText), appending one when there is none.
  uint32_t Add(const std::string& escapedText);
  bool Changed() const { return appended_ != 0; }
  std::size_t Count() const { return entries_; }
  // The whole part: existing entries, then the new ones.
  std::string Serialize();

 private:
  pugi::xml_document doc_;
  std::string prefix_;  // "x:" when the producer used a prefix
  std::string added_;   // new <si> entries, already serialized
  std::size_t entries_ = 0, appended_ = 0;
  std::unordered_map<std::string, uint32_t> index_;
};

}  // namespace zel::xl
