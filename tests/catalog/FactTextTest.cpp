// The shared rules of the readers' fact texts: which defaults say only NULL
// (left empty in the document) and which only look like it, and what a
// LONG's trailing blanks lose.
#include <gtest/gtest.h>

#include "catalog/FactText.h"

namespace zel {
namespace {

TEST(FactText, OnlyADefaultOfNullIsNull) {
  for (const char* text : {"NULL", "null", "(NULL)", "((NULL))", " ( NULL ) ", "NULL \n", "Null"})
    EXPECT_TRUE(facts::IsNullDefault(text)) << text;
  for (const char* text : {"", "'NULL'", "(N'NULL')", "NULLIF(a, 0)", "(NULL) + (NULL)", "(NULL",
                           "NUL", "((0))", "NOT NULL"})
    EXPECT_FALSE(facts::IsNullDefault(text)) << text;

  EXPECT_EQ(facts::TrimEnd("SYSDATE \n\t\r "), "SYSDATE");
  EXPECT_EQ(facts::TrimEnd("  'a '  "), "  'a '");
  EXPECT_EQ(facts::TrimEnd(" \n"), "");

  std::string list;
  facts::AddItem(list, "a");
  facts::AddItem(list, "b DESC");
  facts::AddItem(list, "s.t.c", "\n");
  EXPECT_EQ(list, "a, b DESC\ns.t.c");
}

}  // namespace
}  // namespace zel
