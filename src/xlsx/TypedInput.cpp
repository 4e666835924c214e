#include "xlsx/TypedInput.h"

namespace zel::xl {
namespace {

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// Days since 1970-01-01 of a proleptic Gregorian date (H. Hinnant's method).
long DaysFromCivil(long y, unsigned m, unsigned d) {
  y -= m <= 2;
  const long era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<long>(doe) - 719468;
}

bool IsLeap(int y) {
  return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

// Excel shows at most 15 significant digits; a number that needs more would
// lose digits, so it stays text. Integer parts beyond 15 digits would be shown
// in exponent form, which is no longer what the catalog said.
bool IsPlainNumber(std::string_view s) {
  std::size_t i = 0;
  bool negative = false;
  if (i < s.size() && s[i] == '-') negative = true, ++i;
  std::size_t intStart = i;
  while (i < s.size() && IsDigit(s[i])) ++i;
  std::size_t intLen = i - intStart;
  if (intLen == 0) return false;
  if (intLen > 1 && s[intStart] == '0') return false;  // "007" is a code, not a number
  std::size_t fracStart = i, fracLen = 0;
  if (i < s.size() && s[i] == '.') {
    fracStart = ++i;
    while (i < s.size() && IsDigit(s[i])) ++i;
    fracLen = i - fracStart;
    if (fracLen == 0) return false;
  }
  if (i != s.size()) return false;
  if (intLen > 15) return false;
  // Significant digits: from the first non-zero digit to the last non-zero one.
  std::string digits(s.substr(intStart, intLen));
  if (fracLen) digits += s.substr(fracStart, fracLen);
  std::size_t first = digits.find_first_not_of('0');
  if (first == std::string::npos) return !negative;  // "-0" would read back as "0"
  std::size_t last = digits.find_last_not_of('0');
  std::size_t significant = (fracLen ? last : digits.size() - 1) - first + 1;
  return significant <= 15;
}

// Up to maxLen digits at s[i]; advances i. Returns -1 when there are none.
int ReadNumber(std::string_view s, std::size_t& i, std::size_t minLen, std::size_t maxLen) {
  std::size_t start = i;
  int value = 0;
  while (i < s.size() && IsDigit(s[i]) && i - start < maxLen) value = value * 10 + (s[i++] - '0');
  return i - start >= minLen ? value : -1;
}

}  // namespace

long DateSerial(int year, int month, int day, bool date1904) {
  static const int monthDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (year < 1900 || year > 9999 || month < 1 || month > 12 || day < 1) return -1;
  int dim = monthDays[month - 1] + (month == 2 && IsLeap(year) ? 1 : 0);
  if (day > dim) return -1;
  long days = DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day));
  if (date1904) {
    long serial = days - DaysFromCivil(1904, 1, 1);
    return serial >= 0 ? serial : -1;
  }
  // The 1900 system counts 1900-01-01 as day 1 and, for Lotus compatibility,
  // has a 29 February 1900 that never was: later days are one higher.
  long serial = days - DaysFromCivil(1899, 12, 31);
  if (days >= DaysFromCivil(1900, 3, 1)) serial += 1;
  return serial;
}

TypedValue ClassifyInput(std::string_view input, bool date1904) {
  TypedValue v;
  if (input.empty()) return v;
  v.text = std::string(input);
  if (IsPlainNumber(input)) {
    v.kind = InputKind::Number;
    return v;
  }
  // yyyy/m/d or yyyy/mm/dd
  std::size_t i = 0;
  int y = ReadNumber(input, i, 4, 4);
  if (y >= 0 && i < input.size() && input[i] == '/') {
    ++i;
    int m = ReadNumber(input, i, 1, 2);
    if (m >= 0 && i < input.size() && input[i] == '/') {
      ++i;
      int d = ReadNumber(input, i, 1, 2);
      if (d >= 0 && i == input.size()) {
        long serial = DateSerial(y, m, d, date1904);
        if (serial >= 0) {
          v.kind = InputKind::Date;
          v.serial = serial;
          return v;
        }
      }
    }
  }
  v.kind = InputKind::Text;
  return v;
}

}  // namespace zel::xl
