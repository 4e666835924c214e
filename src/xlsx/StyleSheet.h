#pragma once
// The cell formats of styles.xml, as far as typed input and WrapText need
// them: whether a format shows General or text, and clones of a format with
// wrapping off or with the short-date number format. Each clone is made once
// per source format, however many cells ask for it.
#include <pugixml.hpp>

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace zel::xl {

class StyleSheet {
 public:
  void Parse(std::string_view xml, const std::string& partName);
  // A workbook without a styles part gets a minimal one when a clone is needed.
  void CreateDefault();
  bool Present() const { return present_; }
  std::size_t FormatCount() const { return xfs_.size(); }

  bool IsGeneral(uint32_t xf) const;     // number format General
  bool IsTextFormat(uint32_t xf) const;  // number format "@": typed input stays text
  bool WrapsText(uint32_t xf) const;

  // The format with wrapping switched on or off (the same format when it
  // already is so).
  uint32_t WithWrap(uint32_t xf, bool wrap);
  uint32_t WithShortDate(uint32_t xf);
  // The format with its font underlined in link blue.
  uint32_t WithLinkFont(uint32_t xf);

  bool Changed() const { return changed_; }
  std::string Serialize() const;

 private:
  pugi::xml_node Xf(uint32_t xf) const;
  uint32_t NumFmtId(uint32_t xf) const;
  uint32_t Clone(uint32_t xf);

  pugi::xml_document doc_;
  pugi::xml_node cellXfs_;
  std::vector<pugi::xml_node> xfs_;
  std::map<uint32_t, std::string> customFormats_;  // numFmtId -> format code
  std::map<uint32_t, uint32_t> noWrap_, wrap_, shortDate_, linkFont_;
  std::string prefix_;
  bool present_ = false, changed_ = false;
};

}  // namespace zel::xl
