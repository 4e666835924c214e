// The in-process application: a workbook collection over XlsxWorkbook.
#include <vector>

#include "xlsx/ExcelApplication.h"
#include "xlsx/XlsxError.h"
#include "xlsx/XlsxWorkbook.h"

namespace zel::xl {
namespace {

class ExcelEngine : public IExcelApplication, private IWorkbooks {
 public:
  std::string Version() override {
    CheckRunning();
    return "12.0";
  }

  void Quit() override {
    // Like Excel quitting without saving: whatever is still open is dropped.
    for (auto& b : books_)
      if (!b->Closed()) b->Close(false);
    quit_ = true;
  }

  void Visible(bool visible) override {
    CheckRunning();
    visible_ = visible;  // nothing to show in process; kept for completeness
  }

  IWorkbooks& Workbooks() override {
    CheckRunning();
    return *this;
  }

 private:
  IWorkbook& Open(const std::string& path) override {
    CheckRunning();
    books_.push_back(XlsxWorkbook::Open(path));
    return *books_.back();
  }

  IWorkbook& Item(int index) override {
    CheckRunning();
    int n = 0;
    // Closed workbooks stay alive (callers may hold them) but are no longer
    // in the collection.
    for (auto& b : books_)
      if (!b->Closed() && ++n == index) return *b;
    throw EXlsxError("there is no open workbook number " + std::to_string(index));
  }

  int Count() const override {
    int n = 0;
    for (auto& b : books_) n += b->Closed() ? 0 : 1;
    return n;
  }

  void CheckRunning() const {
    if (quit_) throw EXlsxError("the spreadsheet application has already quit");
  }

  std::vector<std::unique_ptr<XlsxWorkbook>> books_;
  bool visible_ = false;
  bool quit_ = false;
};

}  // namespace

std::unique_ptr<IExcelApplication> CreateExcelEngine() {
  return std::make_unique<ExcelEngine>();
}

}  // namespace zel::xl
