#pragma once
// Which tables of a schema a document covers: shell-style name patterns to
// take in and to leave out, and whether the partitions of a partitioned
// table are left out. Without any of them every table stays.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "catalog/Browser.h"

namespace zel {

// Shell wildcards on UTF-8 text, case-sensitive: * any run of characters,
// ? one character (a Japanese one too), [abc] [a-z] one of a set, [!...]
// (or [^...]) one not in it. A "]" right after "[" or "[!" belongs to the
// set. Nothing escapes: a "*" in a name is matched by "[*]".
bool WildcardMatch(std::string_view pattern, std::string_view text);
// Why the pattern cannot be used (an unclosed "[", text that is not UTF-8),
// or the empty text.
std::string PatternProblem(std::string_view pattern);
bool HasWildcards(std::string_view pattern);

struct TableFilter {
  std::vector<std::string> include, exclude;
  bool excludePartitions = false;
  // The window's filter field: a pattern without wildcards matches
  // anywhere in the name.
  bool plainAsSubstring = false;

  bool ByName() const { return !include.empty() || !exclude.empty(); }
  bool Active() const { return ByName() || excludePartitions; }
  // Kept when it matches some include (or there is none) and no exclude.
  bool KeepsName(std::string_view name) const;
  // The first pattern that cannot be used, with the reason; empty when all can.
  std::string Problem() const;
};

// The kind text of a partition starts so (PostgreSQL's "パーティション (PARENT)").
bool IsPartitionKind(std::string_view kind);

// The table children of `schema` the filter keeps, in tree order. Kinds are
// read once for the schema when partitions are left out.
std::vector<TTreeNode*> KeptTables(TBrowser& browser, TTreeNode& schema, const TableFilter& filter);

}  // namespace zel
