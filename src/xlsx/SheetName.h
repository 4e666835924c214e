#pragma once
// Excel's rules for worksheet tab names.
#include <functional>
#include <string>
#include <string_view>

namespace zel::xl {

inline constexpr std::size_t kMaxSheetNameChars = 31;

// Throws EXlsxError with a message saying which rule the name breaks:
// 1 to 31 characters (UTF-16 units), none of : \ / ? * [ ], no apostrophe
// at either end, no control characters, valid UTF-8.
void CheckSheetName(std::string_view name);

// A byte Excel refuses anywhere in a tab name: one of : \ / ? * [ ] or a
// control character.
bool ForbiddenInSheetName(unsigned char c);

// Names compare without regard to case, as Excel compares them.
std::string FoldSheetName(std::string_view name);
bool SameSheetName(std::string_view a, std::string_view b);

// The name Excel gives a copy: "Sheet1 (2)", "Sheet1 (3)", ... the first that
// `taken` does not report, with the base shortened so the whole fits 31.
// `next`, when given, is where the search starts and is left behind the
// number used, so a thousand copies do not try every number again.
std::string CopySheetName(std::string_view base,
                          const std::function<bool(const std::string&)>& taken,
                          int* next = nullptr);

}  // namespace zel::xl
