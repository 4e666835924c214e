#pragma once
// The export settings of section [ExcelSet]: which template the definition
// export starts from, where each of the fourteen items (and the two optional
// body items after them) goes in the user's own workbook, and the four
// header texts. The settings dialog edits one of these;
// the exports load one from the settings file (which always equals what the
// hidden dialog holds, since the dialog reloads on every close).
#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "common/Common.h"

namespace zel {

enum class ItemGroup { Head, Body };

// The fourteen items in their fixed order: the order of validation, of saving
// and of the dialog's frames FrameLineSet1 to FrameLineSet14.
enum ExportItemId : int {
  eiDatabaseName,
  eiSchemaName,
  eiTableName,
  eiTableComment,
  eiNo,
  eiColumnName,
  eiColumnType,
  eiColumnLength,
  eiColumnDecimalLength,
  eiNotNull,
  eiPrimaryKey,
  eiColumnComment,
  eiCreateDate,
  eiUpdateDate,
  // Optional body items, kept after the fourteen so that a file written
  // before them reads unchanged (as not exported).
  eiColumnDefault,
  eiReferences,
};
inline constexpr int kExportItemCount = 14;
// The fourteen and the optional body items: what is loaded, saved, checked
// and shown in the dialog.
inline constexpr int kAllItemCount = 16;
inline constexpr int kBodyFirst = eiNo;
inline constexpr int kBodyLast = eiColumnComment;

struct ExportItemDef {
  std::string_view key;    // ItemKey in [ExcelSet]
  std::string_view label;  // the dialog's label, also the start of its error message
  ItemGroup group;
  std::string_view rowCaption;  // "行" for head items, "開始行" for body items
};
const ExportItemDef& ItemDef(int item);

// The dialog's label of the indexlink item.
inline constexpr std::string_view kIndexLinkLabel = "目次リンク";

// The dialog's choices: rows "1" to "20", columns "A" to "Z".
inline constexpr int kRowChoices = 20;
inline constexpr int kColChoices = 26;
// The choice equal to the text (columns without regard to letter case), or
// the empty text when there is none.
std::string RowChoice(std::string_view text);
std::string ColChoice(std::string_view text);

struct ExportItem {
  bool exported = false;  // chkExport
  std::string row;        // a row choice or empty
  std::string col;        // a column choice or empty

  // What the exports use: 0 when nothing is chosen; A = 1 ... Z = 26.
  int Row() const { return TdCommon::StrToIntOrZero(row); }
  int Column() const { return TdCommon::ColumnLetterToIndex(col); }

  // "1,8,A" / "0,," form of the settings file.
  std::string Stored() const;
  static ExportItem FromStored(std::string_view value);

  bool operator==(const ExportItem&) const = default;
};

// The choices of exporttype.
inline constexpr int kTemplateStandard = 0;
inline constexpr int kTemplateOwn = 1;
inline constexpr int kTemplateDetailed = 2;

struct ExportSettings {
  inline static constexpr std::string_view kSection = "ExcelSet";

  std::string fileName;    // filename: the model workbook
  // exporttype: 0 built-in template (標準), 1 own workbook, 2 the detailed
  // built-in template (詳細), -1 none chosen.
  int templateChoice = 0;
  std::array<ExportItem, kAllItemCount> items{};
  std::string systemName;     // SystemName
  std::string subSystemName;  // SybSystemName
  std::string createEmp;      // CreateEmp
  std::string managerEmp;     // ManagerEmp
  // Options beyond the fourteen items, stored after them and only once set
  // (a file that never had them keeps its content): the 目次 sheet
  // (IndexSheet, unset: on with the 詳細 template), leaving partitions out
  // (ExcludePartitions) and the cell of a sheet's link back to the 目次 in
  // the own workbook (indexlink, a head item; unset: no link).
  std::optional<bool> indexSheet;
  std::optional<bool> excludePartitions;
  std::optional<ExportItem> indexLink;

  ExportItem& Item(int id) { return items.at(static_cast<size_t>(id)); }
  const ExportItem& Item(int id) const { return items.at(static_cast<size_t>(id)); }
  bool UsesOwnWorkbook() const { return templateChoice == kTemplateOwn; }
  // One of the built-in templates (標準 or 詳細).
  bool UsesBuiltInTemplate() const {
    return templateChoice == kTemplateStandard || templateChoice == kTemplateDetailed;
  }
  bool Detailed() const { return templateChoice == kTemplateDetailed; }

  // LoadSettings: every value from the settings file.
  static ExportSettings Load(const TdCommon& common);
  static ExportItem LoadItem(const TdCommon& common, int id);
  void SaveItem(const TdCommon& common, int id) const;
  // False, after showing "<label>設定エラー。", when the item is exported
  // without a row or a column.
  bool ValidateItem(const TdCommon& common, int id) const;

  // The "OK" button: with the own workbook chosen, check the model workbook
  // (CheckModelWorkbook) and the items (first failure shown, nothing saved);
  // then save everything in its order. True when the dialog may close.
  bool Accept(const TdCommon& common) const;
  void Save(const TdCommon& common) const;

  // A row chosen in any body item becomes the row of all of them.
  void SetBodyRow(const std::string& row);
  // A column chosen for "No." lays the seven other body items out to its
  // right; one that would fall past "Z" loses its column.
  void LayOutBodyColumns();

  bool operator==(const ExportSettings&) const = default;
};

// The header texts as the exports read them, afresh from the file.
struct HeaderTexts {
  std::string systemName, subSystemName, createEmp, managerEmp;
};
HeaderTexts ReadHeaderTexts(const TdCommon& common);

}  // namespace zel
