// What the engine saves is always an ordinary workbook (.xlsx). Excel refuses
// a file named .xlsx whose package says it is macro-enabled or a template,
// so a model saved as .xlsm, .xltx or .xltm loses its VBA project and takes
// the content type of an ordinary workbook in the documents made from it.
#include "xlsx/XlsxWorkbook.h"

namespace zel::xl {
namespace {

constexpr const char* kWorkbookType =
    "application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml";
constexpr const char* kVbaProjectType = "application/vnd.ms-office.vbaProject";

// The VBA project, its signatures (plain, agile, V3) and VBA data parts.
bool IsMacroType(std::string_view type) {
  return type.starts_with(kVbaProjectType) || type.ends_with(".vbaData+xml");
}

bool IsMacroRelation(std::string_view kind) {
  return kind == "vbaProject" || kind.starts_with("vbaProjectSignature") || kind == "wordVbaData";
}

}  // namespace

void XlsxWorkbook::MakeOrdinaryWorkbook() {
  if (pkg_.ContentType(bookPart_) != kWorkbookType) pkg_.SetOverride(bookPart_, kWorkbookType);
  std::vector<std::string> macroRelations;
  for (const Relationship& r : bookRels_.Items())
    if (IsMacroRelation(RelKind(r.type))) macroRelations.push_back(r.id);
  for (const std::string& id : macroRelations) {
    bookRels_.RemoveById(id);
    relsDirty_ = true;
  }
  for (const std::string& part : pkg_.PartNames()) {
    if (!IsMacroType(pkg_.ContentType(part))) continue;
    pkg_.Remove(XlsxPackage::RelsPartOf(part));
    pkg_.Remove(part);
  }
  pkg_.RemoveDefaultsOf(kVbaProjectType);
}

}  // namespace zel::xl
