#pragma once
// Program text is UTF-8. CP932 is used only where stored data or a byte rule
// depends on it: the settings file on disk, the bytes password scrambling works
// on, and byte-counted cuts such as the 31-byte worksheet name.
#include <cstddef>
#include <string>
#include <string_view>

namespace zel::text {

// UTF-8 -> CP932. A character CP932 cannot hold becomes "?".
std::string Utf8ToCp932(std::string_view utf8);

// CP932 -> UTF-8. A byte sequence that is not valid CP932 becomes U+FFFD.
std::string Cp932ToUtf8(std::string_view cp932);

bool IsValidUtf8(std::string_view bytes);

// Text from a server: valid UTF-8 passes unchanged; otherwise it is decoded
// as CP932 where that works, and whatever is left becomes U+FFFD. The result
// is always valid UTF-8.
std::string FromServer(std::string_view bytes);

// Number of bytes the UTF-8 text takes in CP932.
std::size_t Cp932Length(std::string_view utf8);

// The longest prefix of the text that takes at most maxBytes in CP932, cut at
// a whole character.
std::string CutCp932(std::string_view utf8, std::size_t maxBytes);

// Blanks (space, tab, CR, LF) removed at both ends.
std::string Trim(std::string_view s);

// ASCII-only case folding, enough for INI keys and sheet names compared the
// way Windows compares ASCII.
std::string AsciiLower(std::string_view s);
bool EqualsNoCase(std::string_view a, std::string_view b);

}  // namespace zel::text
