#include "catalog/FactText.h"

namespace zel::facts {

void AddItem(std::string& list, const std::string& item, const char* separator) {
  if (!list.empty()) list += separator;
  list += item;
}

std::string TrimEnd(const std::string& text) {
  size_t end = text.size();
  while (end > 0 && (text[end - 1] == ' ' || text[end - 1] == '\t' || text[end - 1] == '\n' ||
                     text[end - 1] == '\r'))
    --end;
  return text.substr(0, end);
}

bool IsNullDefault(const std::string& text) {
  size_t b = 0, e = text.size();
  const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; };
  for (;;) {
    while (b < e && blank(text[b])) ++b;
    while (e > b && blank(text[e - 1])) --e;
    if (e - b >= 2 && text[b] == '(' && text[e - 1] == ')') {
      ++b;
      --e;
      continue;
    }
    break;
  }
  if (e - b != 4) return false;
  std::string word = text.substr(b, 4);
  for (char& c : word)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return word == "NULL";
}

}  // namespace zel::facts
