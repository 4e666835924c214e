#pragma once
// A TableFacts as text, so that a test compares the whole of what a reader
// handed over at once and a difference shows as the line that differs.
#include <string>
#include <vector>

#include "catalog/TableFacts.h"

namespace zel::test {

// "given D I F C" flags, then one line per default ("D col = text"),
// reference ("R col = text", line breaks shown as " | "), index, foreign key
// and constraint, fields separated by " | ".
std::string FactsText(const TableFacts& facts);
// The same facts a line each, every field named ("default col = text",
// "index name (cols) unique primary method=… note=…", "fk …", "constraint …").
std::vector<std::string> FactLines(const TableFacts& facts);

}  // namespace zel::test
