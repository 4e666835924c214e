#include "ExcelDouble.h"

#include <algorithm>
#include <stdexcept>

namespace zel::test {
namespace {

void Log(ExcelJournal& j, const std::string& call) {
  j.calls.push_back(call);
  if (!j.failAt.empty() && call.rfind(j.failAt, 0) == 0)
    throw std::runtime_error("double fails at " + call);
}

class SheetDouble : public xl::IWorksheet {
 public:
  SheetDouble(ExcelJournal& j, int index) : j_(j), index_(index) {}
  void Copy(xl::IWorksheet&) override { Log(j_, "Copy"); }
  std::string Name() const override { return "Sheet" + std::to_string(index_); }
  void Name(std::string_view n) override { Log(j_, "Name(" + std::string(n) + ")"); }
  void Select() override { Log(j_, "Select(" + std::to_string(index_) + ")"); }
  void SetFormulaR1C1(int r, int c, std::string_view t) override {
    Log(j_, "Cells(" + std::to_string(r) + "," + std::to_string(c) + ")=" + std::string(t));
  }
  void SetText(int r, int c, std::string_view t) override {
    Log(j_, "Text(" + std::to_string(r) + "," + std::to_string(c) + ")=" + std::string(t));
  }
  void SetWrapText(int, int, bool) override { Log(j_, "WrapText"); }
  void FormRows(int first, int last, int model, int, int) override {
    Log(j_, "FormRows(" + std::to_string(first) + "-" + std::to_string(last) + "<" +
                std::to_string(model) + ")");
  }
  void FormCells(int row, int first, int last, int modelRow, int modelColumn) override {
    Log(j_, "FormCells(" + std::to_string(row) + "," + std::to_string(first) + "-" +
                std::to_string(last) + "<" + std::to_string(modelRow) + "," +
                std::to_string(modelColumn) + ")");
  }
  int LastFormattedRow(int start, int, int) override { return start - 1; }
  void PrintTitleRows(int, int) override {}
  void PrintArea(int, int, int, int) override {}
  void Hyperlink(int r, int c, std::string_view location, std::string_view) override {
    Log(j_,
        "Hyperlink(" + std::to_string(r) + "," + std::to_string(c) + ")=" + std::string(location));
  }
  void ColumnWidth(int, double) override {}

 private:
  ExcelJournal& j_;
  int index_;
};

class BookDouble : public xl::IWorkbook, private xl::ISheets {
 public:
  explicit BookDouble(ExcelJournal& j) : j_(j), sheet_(j, 1) {}
  xl::IWorksheet& WorkSheets(int index) override {
    Log(j_, "WorkSheets(" + std::to_string(index) + ")");
    if (index != 1) throw std::runtime_error("no such worksheet");
    return sheet_;
  }
  xl::ISheets& sheets() override { return *this; }
  xl::IWorksheet& AddWorksheet(int before) override {
    Log(j_, "AddWorksheet(" + std::to_string(before) + ")");
    throw std::runtime_error("the double holds one worksheet");
  }
  void Close(bool save) override { Log(j_, std::string("Close(") + (save ? "1" : "0") + ")"); }

 private:
  int count() const override { return 1; }
  ExcelJournal& j_;
  SheetDouble sheet_;
};

}  // namespace

bool ExcelJournal::Called(const std::string& call) const {
  return std::find(calls.begin(), calls.end(), call) != calls.end();
}

class ExcelDouble::Books : public xl::IWorkbooks {
 public:
  explicit Books(ExcelJournal& j) : j_(j) {}
  xl::IWorkbook& Open(const std::string& path) override {
    Log(j_, "Open(" + path + ")");
    books_.push_back(std::make_unique<BookDouble>(j_));
    return *books_.back();
  }
  xl::IWorkbook& Item(int index) override {
    Log(j_, "Workbooks(" + std::to_string(index) + ")");
    if (index < 1 || index > static_cast<int>(books_.size())) throw std::runtime_error("no book");
    return *books_[static_cast<std::size_t>(index - 1)];
  }
  int Count() const override { return static_cast<int>(books_.size()); }

 private:
  ExcelJournal& j_;
  std::vector<std::unique_ptr<BookDouble>> books_;
};

ExcelDouble::ExcelDouble(std::string version, ExcelJournal& journal)
    : version_(std::move(version)), journal_(journal), books_(std::make_unique<Books>(journal)) {
  ++journal_.created;
}
ExcelDouble::~ExcelDouble() = default;

std::string ExcelDouble::Version() {
  Log(journal_, "Version");
  return version_;
}
void ExcelDouble::Quit() {
  Log(journal_, "Quit");
}
void ExcelDouble::Visible(bool v) {
  Log(journal_, std::string("Visible(") + (v ? "1" : "0") + ")");
}
xl::IWorkbooks& ExcelDouble::Workbooks() {
  return *books_;
}

}  // namespace zel::test
