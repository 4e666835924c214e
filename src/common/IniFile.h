#pragma once
// Windows private-profile semantics over a CP932 file: names matched without
// regard to ASCII case, blanks around keys and values ignored, a value in
// matching double quotes read without them, everything that is not written
// kept byte for byte. Texts in and out are UTF-8. A file that starts with a
// UTF-8 byte-order mark (a hand edit in an editor that saves UTF-8) is read
// and written as UTF-8, the mark kept.
#include <string>
#include <string_view>

namespace zel {

class IniFile {
 public:
  // Empty text when the file, section or key is missing or unreadable.
  static std::string Read(const std::string& path, std::string_view section, std::string_view key);

  // Writes through a temporary file in the same folder renamed over the old
  // one, so an interrupted write never leaves a half-written file. Returns
  // false on any failure; the old file is then untouched.
  static bool Write(const std::string& path, std::string_view section, std::string_view key,
                    std::string_view value);
};

}  // namespace zel
