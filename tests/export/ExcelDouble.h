#pragma once
// An application double for the automation frame: it reports the version it
// is given (e.g. "11.0", which our engine never does), records every call in
// one journal, and can be told to fail at a named step.
#include <memory>
#include <string>
#include <vector>

#include "xlsx/ExcelApplication.h"

namespace zel::test {

struct ExcelJournal {
  std::vector<std::string> calls;  // "Version", "Visible(0)", "Open(path)", "Select(1)", ...
  std::string failAt;              // a call name ("Version", "Open", "Close(1)", ...) that throws
  int created = 0;
  bool Called(const std::string& call) const;
};

class ExcelDouble : public xl::IExcelApplication {
 public:
  ExcelDouble(std::string version, ExcelJournal& journal);
  ~ExcelDouble() override;
  std::string Version() override;
  void Quit() override;
  void Visible(bool visible) override;
  xl::IWorkbooks& Workbooks() override;

 private:
  class Books;
  std::string version_;
  ExcelJournal& journal_;
  std::unique_ptr<Books> books_;
};

}  // namespace zel::test
