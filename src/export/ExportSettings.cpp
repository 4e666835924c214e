#include "export/ExportSettings.h"

#include <algorithm>

#include "export/ModelWorkbook.h"

namespace zel {
namespace {

constexpr std::string_view kHeadRow = "行";
constexpr std::string_view kBodyRow = "開始行";

const std::array<ExportItemDef, kAllItemCount> kItems = {{
    {"databasename", "データベース名", ItemGroup::Head, kHeadRow},
    {"schemaname", "スキーマ名", ItemGroup::Head, kHeadRow},
    {"tablename", "テーブル名", ItemGroup::Head, kHeadRow},
    {"tablecomment", "テーブルコメント", ItemGroup::Head, kHeadRow},
    {"no", "No.", ItemGroup::Body, kBodyRow},
    {"columnname", "項目名", ItemGroup::Body, kBodyRow},
    {"columntype", "型", ItemGroup::Body, kBodyRow},
    {"columnlength", "長さ", ItemGroup::Body, kBodyRow},
    {"columndecimallength", "小数", ItemGroup::Body, kBodyRow},
    {"notnull", "必須", ItemGroup::Body, kBodyRow},
    {"primarykey", "主キー", ItemGroup::Body, kBodyRow},
    {"columncomment", "コメント", ItemGroup::Body, kBodyRow},
    {"createdate", "作成日", ItemGroup::Head, kHeadRow},
    {"updatedate", "更新日", ItemGroup::Head, kHeadRow},
    {"columndefault", "デフォルト値", ItemGroup::Body, kBodyRow},
    {"references", "参照先", ItemGroup::Body, kBodyRow},
}};

constexpr std::string_view kFileName = "filename";
constexpr std::string_view kExportType = "exporttype";
constexpr std::string_view kSystemName = "SystemName";
// The key has always been spelt this way; files written by earlier runs use it.
constexpr std::string_view kSubSystemName = "SybSystemName";
constexpr std::string_view kCreateEmp = "CreateEmp";
constexpr std::string_view kManagerEmp = "ManagerEmp";
constexpr std::string_view kIndexSheet = "IndexSheet";
constexpr std::string_view kExcludePartitions = "ExcludePartitions";
constexpr std::string_view kIndexLink = "indexlink";

std::string Read(const TdCommon& common, std::string_view key) {
  return common.ReadSetting(TdCommon::SettingsFileName(), ExportSettings::kSection, key);
}

void Write(const TdCommon& common, std::string_view key, std::string_view value) {
  common.WriteSetting(TdCommon::SettingsFileName(), ExportSettings::kSection, key, value);
}

std::optional<bool> ReadFlag(const TdCommon& common, std::string_view key) {
  const std::string value = Read(common, key);
  if (value.empty()) return std::nullopt;
  return value == "1";
}

std::string ColumnLetter(int index) {
  return std::string(1, static_cast<char>('A' + index));
}

}  // namespace

const ExportItemDef& ItemDef(int item) {
  return kItems.at(static_cast<size_t>(item));
}

std::string RowChoice(std::string_view text) {
  for (int r = 1; r <= kRowChoices; ++r)
    if (text == std::to_string(r)) return std::string(text);
  return {};
}

std::string ColChoice(std::string_view text) {
  if (text.size() != 1) return {};
  char c = text[0];
  if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  if (c < 'A' || c > 'Z') return {};
  return std::string(1, c);
}

std::string ExportItem::Stored() const {
  return (exported ? "1," : "0,") + row + "," + col;
}

ExportItem ExportItem::FromStored(std::string_view value) {
  ExportItem item;
  item.exported = TdCommon::GetToken(value, 1, ',') == "1";
  item.row = RowChoice(TdCommon::GetToken(value, 2, ','));
  item.col = ColChoice(TdCommon::GetToken(value, 3, ','));
  return item;
}

ExportSettings ExportSettings::Load(const TdCommon& common) {
  ExportSettings s;
  s.fileName = Read(common, kFileName);
  int choice = TdCommon::StrToIntOrZero(Read(common, kExportType));
  // Numbers above the known choices have always meant the own workbook.
  s.templateChoice = choice > kTemplateDetailed ? kTemplateOwn : (choice < 0 ? -1 : choice);
  for (int i = 0; i < kAllItemCount; ++i) s.Item(i) = LoadItem(common, i);
  HeaderTexts h = ReadHeaderTexts(common);
  s.systemName = std::move(h.systemName);
  s.subSystemName = std::move(h.subSystemName);
  s.createEmp = std::move(h.createEmp);
  s.managerEmp = std::move(h.managerEmp);
  s.indexSheet = ReadFlag(common, kIndexSheet);
  s.excludePartitions = ReadFlag(common, kExcludePartitions);
  if (std::string link = Read(common, kIndexLink); !link.empty())
    s.indexLink = ExportItem::FromStored(link);
  return s;
}

ExportItem ExportSettings::LoadItem(const TdCommon& common, int id) {
  return ExportItem::FromStored(Read(common, ItemDef(id).key));
}

void ExportSettings::SaveItem(const TdCommon& common, int id) const {
  Write(common, ItemDef(id).key, Item(id).Stored());
}

bool ExportSettings::ValidateItem(const TdCommon& common, int id) const {
  const ExportItem& item = Item(id);
  if (!item.exported || (!item.row.empty() && !item.col.empty())) return true;
  common.ShowMessageBox(std::string(ItemDef(id).label) + "設定エラー。");
  return false;
}

bool ExportSettings::Accept(const TdCommon& common) const {
  if (templateChoice == kTemplateOwn) {
    if (std::string reason = CheckModelWorkbook(fileName); !reason.empty()) {
      common.ShowMessageBox(ModelWorkbookMessage(reason));
      return false;
    }
    for (int i = 0; i < kAllItemCount; ++i)
      if (!ValidateItem(common, i)) return false;
    if (indexLink && indexLink->exported && (indexLink->row.empty() || indexLink->col.empty())) {
      common.ShowMessageBox(std::string(kIndexLinkLabel) + "設定エラー。");
      return false;
    }
  }
  Save(common);
  return true;
}

void ExportSettings::Save(const TdCommon& common) const {
  Write(common, kFileName, fileName);
  Write(common, kExportType, std::to_string(templateChoice));
  for (int i = 0; i < kAllItemCount; ++i) SaveItem(common, i);
  Write(common, kSystemName, systemName);
  Write(common, kSubSystemName, subSystemName);
  Write(common, kCreateEmp, createEmp);
  Write(common, kManagerEmp, managerEmp);
  if (indexSheet) Write(common, kIndexSheet, *indexSheet ? "1" : "0");
  if (excludePartitions) Write(common, kExcludePartitions, *excludePartitions ? "1" : "0");
  if (indexLink) Write(common, kIndexLink, indexLink->Stored());
}

void ExportSettings::SetBodyRow(const std::string& row) {
  std::string choice = RowChoice(row);
  for (int i = 0; i < kAllItemCount; ++i)
    if (ItemDef(i).group == ItemGroup::Body) Item(i).row = choice;
}

void ExportSettings::LayOutBodyColumns() {
  const std::string& no = Item(eiNo).col;
  if (no.empty()) return;
  int c = no[0] - 'A';
  for (int k = 1; k <= kBodyLast - kBodyFirst; ++k) {
    int index = std::min(c + k, kColChoices);
    Item(kBodyFirst + k).col = index < kColChoices ? ColumnLetter(index) : std::string();
  }
}

HeaderTexts ReadHeaderTexts(const TdCommon& common) {
  return {Read(common, kSystemName), Read(common, kSubSystemName), Read(common, kCreateEmp),
          Read(common, kManagerEmp)};
}

}  // namespace zel
