#include "export/SettingsCheck.h"

#include "export/ExportSettings.h"
#include "export/ModelWorkbook.h"

namespace zel {
namespace {

// Why a stored row or column cannot be used; empty when it can.
std::string PositionProblem(std::string_view row, std::string_view col) {
  if (row.empty()) return "行が指定されていません";
  if (RowChoice(row).empty())
    return "行「" + std::string(row) + "」は 1～" + std::to_string(kRowChoices) +
           " のどれでもありません";
  if (col.empty()) return "列が指定されていません";
  if (ColChoice(col).empty()) return "列「" + std::string(col) + "」は A～Z のどれでもありません";
  return {};
}

}  // namespace

std::string DefinitionSettingsProblem(const TdCommon& common) {
  const ExportSettings settings = ExportSettings::Load(common);
  if (settings.UsesBuiltInTemplate()) return {};
  if (std::string reason = CheckModelWorkbook(settings.fileName); !reason.empty())
    return ModelWorkbookMessage(reason);
  for (int id = 0; id < kAllItemCount; ++id) {
    if (!settings.Item(id).exported) continue;
    const ExportItemDef& def = ItemDef(id);
    const std::string stored =
        common.ReadSetting(TdCommon::SettingsFileName(), ExportSettings::kSection, def.key);
    const std::string problem =
        PositionProblem(TdCommon::GetToken(stored, 2, ','), TdCommon::GetToken(stored, 3, ','));
    if (!problem.empty())
      return std::string(def.label) + "設定エラー。\n[" + std::string(ExportSettings::kSection) +
             "] " + std::string(def.key) + "=" + stored + "：" + problem + "。";
  }
  return {};
}

}  // namespace zel
