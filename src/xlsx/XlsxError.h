#pragma once
// Every failure of the spreadsheet engine: a bad or unsupported input file,
// a rule Excel would refuse (a sheet name, a cell outside the sheet), a file
// that cannot be written. The message is meant for the user.
#include <stdexcept>
#include <string>

namespace zel::xl {

class EXlsxError : public std::runtime_error {
 public:
  explicit EXlsxError(const std::string& message) : std::runtime_error(message) {}
};

}  // namespace zel::xl
