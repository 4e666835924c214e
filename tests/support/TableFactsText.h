#pragma once
// A TableFacts as lines of text, so that a test compares the whole of it at
// once and a difference shows as the line that differs.
#include <string>

#include "catalog/TableFacts.h"

namespace zel::test {

// "given D I F C" flags, then one line per default ("D col = text"),
// reference ("R col = text", line breaks shown as " | "), index, foreign key
// and constraint, fields separated by " | ".
std::string FactsText(const TableFacts& facts);

}  // namespace zel::test
