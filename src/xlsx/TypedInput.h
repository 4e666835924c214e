#pragma once
// What a text typed into a cell becomes. Only plain decimal numbers and
// calendar dates written year/month/day turn into values; everything else is
// kept as the literal text, so no catalog text can ever become a formula.
#include <string>
#include <string_view>

namespace zel::xl {

enum class InputKind { Empty, Number, Date, Text };

struct TypedValue {
  InputKind kind = InputKind::Empty;
  // Number: the lexical form to store (the input itself). Text: the input.
  std::string text;
  // Date: the day serial in the workbook's date system.
  long serial = 0;
};

// date1904: the workbook counts days from 1904-01-01 (Mac Excel's system).
TypedValue ClassifyInput(std::string_view input, bool date1904 = false);

// Day serial of a calendar date in Excel's 1900 or 1904 system, or -1 when
// the date is not valid or lies before the system's first day or after 9999.
long DateSerial(int year, int month, int day, bool date1904);

}  // namespace zel::xl
