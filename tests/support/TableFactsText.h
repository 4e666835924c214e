#pragma once
// A TableFacts as lines of text, every field named, so that a test compares
// the whole of what a reader handed over and a mismatch shows which fact
// differs.
#include <string>
#include <vector>

#include "catalog/TableFacts.h"

namespace zel::test {

std::vector<std::string> FactLines(const TableFacts& facts);

}  // namespace zel::test
