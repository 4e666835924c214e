#pragma once
// Text on its way into a workbook part. XML 1.0 cannot carry most control
// characters, and ECMA-376 spells them as _xHHHH_; a literal "_xHHHH_" in the
// text must then be protected so it reads back as itself.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace zel::xl {

// Excel's limit for the text of one cell, in UTF-16 code units.
inline constexpr std::size_t kMaxCellChars = 32767;

// Valid UTF-8 passes unchanged; every invalid sequence becomes U+FFFD.
std::string SanitizeUtf8(std::string_view bytes);

// Number of UTF-16 code units of valid UTF-8 text.
std::size_t Utf16Length(std::string_view utf8);

// The longest prefix of valid UTF-8 text that has at most maxUnits UTF-16
// code units, cut at a whole character.
std::string CutUtf16(std::string_view utf8, std::size_t maxUnits);

// Valid UTF-8 text longer than a cell holds, cut at a whole character and
// ended with "…" so that the cut shows; nothing when the text fits.
std::optional<std::string> CutToCell(std::string_view utf8);

// ECMA-376 escaping of valid UTF-8 text: characters XML 1.0 cannot hold, and
// the carriage return that XML parsers would fold, become _xHHHH_; the "_" of
// a literal _xHHHH_ becomes _x005F_.
std::string EscapeOoxml(std::string_view utf8);

// The reverse, for reading back what EscapeOoxml (or Excel) wrote.
std::string UnescapeOoxml(std::string_view escaped);

// Sanitize, cut to the cell limit (CutToCell) and escape: the text a cell stores.
std::string CellTextForXml(std::string_view input);

}  // namespace zel::xl
