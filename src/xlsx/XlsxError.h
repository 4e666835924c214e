#pragma once
// Every failure of the spreadsheet engine: a bad or unsupported input file,
// a rule Excel would refuse (a sheet name, a cell outside the sheet), a file
// that cannot be written. The message is meant for the user; the kind lets a
// caller that speaks to the user in another language say why in its own
// words.
#include <stdexcept>
#include <string>

namespace zel::xl {

class EXlsxError : public std::runtime_error {
 public:
  enum class Kind {
    Other,        // damaged, or a rule broken while working on the workbook
    NotFound,     // no such file
    NotAFile,     // a folder, a device, a FIFO: nothing a workbook is read from
    Unreadable,   // the file is there but cannot be read (permission, I/O)
    NotWorkbook,  // empty, plain text, cut short, another kind of zip: no workbook
    Legacy,       // the 97-2003 format (.xls)
    Binary,       // the binary format (.xlsb)
    Encrypted,    // protected by a password to open
    TooLarge,     // inflates beyond what a model workbook may hold
    Strict,       // the "Strict Open XML" flavour
  };

  explicit EXlsxError(const std::string& message, Kind kind = Kind::Other)
      : std::runtime_error(message), kind_(kind) {}
  Kind kind() const { return kind_; }

 private:
  Kind kind_;
};

}  // namespace zel::xl
