#include "export/TableFilter.h"

#include <algorithm>

#include "common/Text.h"

namespace zel {
namespace {

// Code points of UTF-8 text; a byte that starts no valid sequence stands
// for itself (as U+DC80.. would), so no text fails to match by decoding.
std::u32string Decode(std::string_view s) {
  std::u32string out;
  out.reserve(s.size());
  for (std::size_t i = 0; i < s.size();) {
    const auto c = static_cast<unsigned char>(s[i]);
    std::size_t n = c < 0x80             ? 1
                    : (c & 0xE0) == 0xC0 ? 2
                    : (c & 0xF0) == 0xE0 ? 3
                    : (c & 0xF8) == 0xF0 ? 4
                                         : 0;
    if (n == 0 || i + n > s.size() || !text::IsValidUtf8(s.substr(i, n))) {
      out += static_cast<char32_t>(0xDC00 + c);
      ++i;
      continue;
    }
    char32_t cp = n == 1 ? c : n == 2 ? (c & 0x1F) : n == 3 ? (c & 0x0F) : (c & 0x07);
    for (std::size_t k = 1; k < n; ++k)
      cp = (cp << 6) | (static_cast<unsigned char>(s[i + k]) & 0x3F);
    out += cp;
    i += n;
  }
  return out;
}

// The end of the set that starts at p[i] == '[' (the index of its "]"),
// or npos when it is not closed.
std::size_t SetEnd(const std::u32string& p, std::size_t i) {
  std::size_t j = i + 1;
  if (j < p.size() && (p[j] == U'!' || p[j] == U'^')) ++j;
  if (j < p.size() && p[j] == U']') ++j;  // a "]" first is a member
  while (j < p.size() && p[j] != U']') ++j;
  return j < p.size() ? j : std::u32string::npos;
}

bool InSet(const std::u32string& p, std::size_t open, std::size_t close, char32_t c) {
  std::size_t j = open + 1;
  bool negate = false;
  if (p[j] == U'!' || p[j] == U'^') {
    negate = true;
    ++j;
  }
  bool found = false;
  for (bool first = true; j < close; first = false) {
    char32_t lo = p[j];
    if (!first && lo == U']') break;
    if (j + 2 < close && p[j + 1] == U'-') {
      if (lo <= c && c <= p[j + 2]) found = true;
      j += 3;
    } else {
      if (lo == c) found = true;
      ++j;
    }
  }
  return found != negate;
}

bool Match(const std::u32string& p, const std::u32string& t) {
  std::size_t pi = 0, ti = 0;
  std::size_t starP = std::u32string::npos, starT = 0;
  while (ti < t.size()) {
    if (pi < p.size()) {
      const char32_t pc = p[pi];
      if (pc == U'*') {
        starP = pi++;
        starT = ti;
        continue;
      }
      if (pc == U'[') {
        const std::size_t close = SetEnd(p, pi);
        if (close != std::u32string::npos) {
          if (InSet(p, pi, close, t[ti])) {
            pi = close + 1;
            ++ti;
            continue;
          }
        } else if (t[ti] == pc) {  // checked before use; kept literal here
          ++pi;
          ++ti;
          continue;
        }
      } else if (pc == U'?' || pc == t[ti]) {
        ++pi;
        ++ti;
        continue;
      }
    }
    if (starP == std::u32string::npos) return false;
    pi = starP + 1;
    ti = ++starT;
  }
  while (pi < p.size() && p[pi] == U'*') ++pi;
  return pi == p.size();
}

}  // namespace

bool WildcardMatch(std::string_view pattern, std::string_view text) {
  return Match(Decode(pattern), Decode(text));
}

std::string PatternProblem(std::string_view pattern) {
  if (pattern.empty()) return "an empty pattern matches no table";
  if (!text::IsValidUtf8(pattern)) return "the pattern is not UTF-8 text";
  const std::u32string p = Decode(pattern);
  for (std::size_t i = 0; i < p.size(); ++i) {
    if (p[i] != U'[') continue;
    const std::size_t close = SetEnd(p, i);
    if (close == std::u32string::npos) return "the \"[\" is not closed by \"]\"";
    i = close;
  }
  return {};
}

bool HasWildcards(std::string_view pattern) {
  return pattern.find_first_of("*?[") != std::string_view::npos;
}

bool TableFilter::KeepsName(std::string_view name) const {
  auto matches = [&](const std::string& pattern) {
    if (plainAsSubstring && !HasWildcards(pattern))
      return name.find(pattern) != std::string_view::npos;
    return WildcardMatch(pattern, name);
  };
  if (!include.empty() && std::none_of(include.begin(), include.end(), matches)) return false;
  return std::none_of(exclude.begin(), exclude.end(), matches);
}

std::string TableFilter::Problem() const {
  for (const auto* list : {&include, &exclude})
    for (const std::string& pattern : *list)
      if (std::string why = PatternProblem(pattern); !why.empty())
        return "'" + pattern + "': " + why;
  return {};
}

bool IsPartitionKind(std::string_view kind) {
  return kind.starts_with("パーティション");
}

std::vector<TTreeNode*> KeptTables(TBrowser& browser, TTreeNode& schema,
                                   const TableFilter& filter) {
  std::vector<TTreeNode*> kept;
  std::optional<SchemaRows> own;
  if (filter.excludePartitions && !browser.SchemaRowsOf(schema)) {
    // One statement for the schema's kinds, not one per table.
    own.emplace(schema);
    browser.SetSchemaRows(&*own);
  }
  struct Detach {
    TBrowser& browser;
    bool attached;
    ~Detach() {
      if (attached) browser.SetSchemaRows(nullptr);
    }
  } detach{browser, own.has_value()};
  for (int i = 0; i < schema.ChildCount(); ++i) {
    TTreeNode* table = schema.Child(i);
    if (!filter.KeepsName(table->Text())) continue;
    if (filter.excludePartitions && IsPartitionKind(browser.TableKindOf(*table))) continue;
    kept.push_back(table);
  }
  return kept;
}

}  // namespace zel
