#include "export/Exports.h"

#include <algorithm>
#include <filesystem>

#include "export/DocumentSheets.h"
#include "export/ExcelAutomation.h"
#include "export/ExportSettings.h"
#include "export/FileProblem.h"
#include "export/IndexSheet.h"
#include "export/SettingsCheck.h"

namespace zel {
namespace {

std::string ParentText(const TTreeNode& node) {
  return node.Parent() ? node.Parent()->Text() : std::string();
}

// Marks a command as running for its whole length, however it ends.
class RunningScope {
 public:
  explicit RunningScope(bool& running) : running_(running) { running_ = true; }
  ~RunningScope() { running_ = false; }
  RunningScope(const RunningScope&) = delete;
  RunningScope& operator=(const RunningScope&) = delete;

 private:
  bool& running_;
};

// A command reading in bulk runs in a bulk session; one already on (the
// command's, from its logon) stays on after it.
class BulkSessionScope {
 public:
  BulkSessionScope(TBrowser& browser, bool bulk) : browser_(browser), was_(browser.BulkSession()) {
    if (bulk) browser_.SetBulkSession(true);
  }
  ~BulkSessionScope() { browser_.SetBulkSession(was_); }
  BulkSessionScope(const BulkSessionScope&) = delete;
  BulkSessionScope& operator=(const BulkSessionScope&) = delete;

 private:
  TBrowser& browser_;
  bool was_;
};

}  // namespace

TExporter::TExporter(TBrowser& browser, ApplicationFactory createApplication)
    : browser_(browser), createApplication_(std::move(createApplication)) {}

void TExporter::RequestStop(bool quiet) {
  if (!running_) return;
  // A quiet request (the window closing) wins over an earlier loud one.
  if (quiet || stop_ == Stop::None) stop_ = quiet ? Stop::Quiet : Stop::Loud;
}

void TExporter::ProcessEventsOrStop() {
  browser_.Prompts().ProcessPendingEvents();
  if (stop_ != Stop::None) throw xl::EExportStopped(stop_ == Stop::Quiet);
}

void TExporter::TableListCommand() {
  TTreeNode* node = browser_.FCurrentNode();
  if (!node || running_) return;
  RunningScope running(running_);
  BulkSessionScope session(browser_, ReadMode() == CatalogRead::Bulk);
  stop_ = Stop::None;
  const int level = node->Level();
  if (level == browser_.FSchemaLevel) {
    ExportTableList(*node);
  } else if (level == browser_.FDatabaseLevel) {
    // The children are taken up front: each export rebuilds only the
    // grandchildren, never this list.
    std::vector<TTreeNode*> children;
    for (int i = 0; i < node->ChildCount(); ++i) children.push_back(node->Child(i));
    for (size_t i = 0; i < children.size() && stop_ == Stop::None; ++i) {
      listPosition_ = {static_cast<int>(i) + 1, static_cast<int>(children.size())};
      ExportTableList(*children[i]);
    }
    listPosition_ = {1, 1};
  }
}

void TExporter::DefinitionCommand() {
  TTreeNode* node = browser_.FCurrentNode();
  if (!node || running_) return;
  RunningScope running(running_);
  BulkSessionScope session(browser_, ReadMode() == CatalogRead::Bulk);
  stop_ = Stop::None;
  const int level = node->Level();
  if (level == browser_.FSchemaLevel || level == browser_.FTableLevel) {
    ExportTableDefinitions(*node);
  } else if (level == browser_.FDatabaseLevel) {
    std::vector<TTreeNode*> children;
    for (int i = 0; i < node->ChildCount(); ++i) children.push_back(node->Child(i));
    for (TTreeNode* child : children) {
      if (stop_ != Stop::None) break;
      ExportTableDefinitions(*child);
    }
  }
}

void TExporter::ExportTableList(TTreeNode& node) {
  xl::AutomationContext ctx = Context();
  const std::string version = xl::GetExcelVersion(ctx);
  browser_.FExcelVersion = version;
  if (version.empty()) return;
  // The list is always made from a built-in template (the detailed one with
  // 詳細); the settings only decide whether its header block is filled.
  const ExportSettings settings = Settings();
  std::optional<std::string> target =
      xl::SelectTargetFile(ctx, ParentText(node), node.Text(), xl::DocumentKind::TableList,
                           settings.UsesBuiltInTemplate() ? std::string() : settings.fileName);
  if (!target) return;
  std::unique_ptr<xl::TTargetFile> file = xl::ReserveTargetFile(ctx, *target);
  if (!file) return;
  const xl::FileFormat format = xl::FileFormatOf(version);
  const std::string& listTemplate =
      settings.Detailed() ? format.detailedListTemplate : format.listTemplate;
  if (!xl::ExtractTemplate(ctx, listTemplate, file->TempPath(), format.resourceType)) return;

  // With a filter the list is read before the run, to know whether any
  // table is left; a reader failure then escapes as in the definitions.
  const TableFilter tableFilter = FilterFor(settings);
  // The kinds (the detailed list's, or to leave partitions out) come from one
  // statement for the schema.
  std::optional<SchemaRows> kinds;
  struct Detach {
    TBrowser& browser;
    ~Detach() { browser.SetSchemaRows(nullptr); }
  } detach{browser_};
  auto loadTables = [&] {
    browser_.LoadTables(node);
    if (settings.Detailed() || tableFilter.excludePartitions) {
      kinds.emplace(node);
      browser_.SetSchemaRows(&*kinds);
    }
  };
  std::optional<std::vector<int>> rows;
  const bool loaded = tableFilter.Active();
  if (loaded) {
    loadTables();
    std::vector<TTreeNode*> kept = KeptTables(browser_, node, tableFilter);
    // A schema without tables stays the design's empty list.
    if (kept.empty() && node.ChildCount() > 0) return NothingKept(node, *target);
    const TStringGrid& grid = browser_.grdTableList();
    if (node.ChildCount() > 0) {
      rows.emplace();
      std::size_t k = 0;
      for (int r = 1; r < grid.RowCount() && k < kept.size(); ++r)
        if (grid.Cell(1, r) == kept[k]->Text()) rows->push_back(r), ++k;
    }
  }

  SheetWriter writer{browser_, settings, [this] { ProcessEventsOrStop(); }, OnNotice, {}};
  runs_.push_back({*target, false});
  const bool saved = xl::RunAutomation(ctx, *file, [&](xl::IWorkbook& book) {
    if (!loaded) loadTables();
    if (OnProgress) OnProgress(listPosition_.first, listPosition_.second, node.Text());
    writer.WriteTableListSheet(book.WorkSheets(1), node, rows ? &*rows : nullptr);
  });
  runs_.back().saved = saved;
}

TableFilter TExporter::FilterFor(const ExportSettings& settings) const {
  TableFilter f = filter;
  if (settings.excludePartitions.value_or(false)) f.excludePartitions = true;
  return f;
}

void TExporter::NothingKept(TTreeNode& schema, const std::string& target) {
  const std::string line = schema.Text() + "　条件に合うテーブルがないため出力しません";
  browser_.WriteLog(line);
  if (OnNotice) OnNotice(line);
  runs_.push_back({target, false, true});
}

void TExporter::ExportTableDefinitions(TTreeNode& node) {
  // A template chosen for the run leaves the model workbook's settings unused.
  if (!templateChoice && !DefinitionSettingsUsable()) return;
  const ExportSettings settings = Settings();
  const bool builtIn = settings.UsesBuiltInTemplate();
  xl::AutomationContext ctx = Context();
  const std::string version = xl::GetExcelVersion(ctx);
  browser_.FExcelVersion = version;
  if (version.empty()) return;
  std::optional<std::string> target =
      xl::SelectTargetFile(ctx, ParentText(node), node.Text(), xl::DocumentKind::TableDefinition,
                           builtIn ? std::string() : settings.fileName);
  if (!target) return;
  std::unique_ptr<xl::TTargetFile> file = xl::ReserveTargetFile(ctx, *target);
  if (!file) return;
  const xl::FileFormat format = xl::FileFormatOf(version);
  if (builtIn) {
    const std::string& name =
        settings.Detailed() ? format.detailedDefinitionTemplate : format.definitionTemplate;
    if (!xl::ExtractTemplate(ctx, name, file->TempPath(), format.resourceType)) return;
  } else {
    std::error_code ec;
    std::filesystem::copy_file(settings.fileName, file->TempPath(),
                               std::filesystem::copy_options::overwrite_existing, ec);
    if (ec) {
      browser_.ShowError("「" + *target + "」" + FileErrorReason(ec.value(), true));
      return;
    }
  }

  // A schema's columns come from one statement, sent as the first sheet
  // needs them, so that it fails where a table's own statement would.
  std::optional<SchemaRows> bulk;
  if (node.Level() == browser_.FSchemaLevel && ReadMode() == CatalogRead::Bulk) bulk.emplace(node);
  struct Detach {
    TBrowser& browser;
    ~Detach() { browser.SetSchemaRows(nullptr); }
  } detach{browser_};
  browser_.SetSchemaRows(bulk ? &*bulk : nullptr);
  // Outside the run: a reader failure here escapes to the caller; the
  // target stays as it was.
  browser_.LoadTables(node);
  // The detailed facts come from one statement per fact for the whole
  // schema however the columns are read: with the columns read per table,
  // the schema's rows hold the facts only.
  if (!bulk && node.Level() == browser_.FSchemaLevel && LayoutFor(settings).NeedsFacts()) {
    bulk.emplace(node);
    bulk->columns.tried = true;
    browser_.SetSchemaRows(&*bulk);
  }

  // The tables of the document, in tree order.
  std::vector<TTreeNode*> tables;
  if (node.Level() == browser_.FTableLevel) {
    tables.push_back(&node);
  } else if (const TableFilter tableFilter = FilterFor(settings); tableFilter.Active()) {
    tables = KeptTables(browser_, node, tableFilter);
    if (tables.empty() && node.ChildCount() > 0) return NothingKept(node, *target);
  } else {
    for (int i = 0; i < node.ChildCount(); ++i) tables.push_back(node.Child(i));
  }
  const bool withIndex = node.Level() == browser_.FSchemaLevel &&
                         IndexSheetWanted(settings, indexSheet) && !tables.empty();

  SheetWriter writer{browser_, settings, [this] { ProcessEventsOrStop(); }, OnNotice, {}};
  runs_.push_back({*target, false});
  const bool saved = xl::RunAutomation(ctx, *file, [&](xl::IWorkbook& book) {
    if (node.Level() == browser_.FTableLevel) {
      if (OnProgress) OnProgress(1, 1, node.Text());
      writer.WriteTableDefinitionSheet(book.WorkSheets(1), node);
      return;
    }
    const int n = static_cast<int>(tables.size());
    for (int i = 1; i < n; ++i) {
      const int c = book.sheets().count();
      book.WorkSheets(1).Copy(book.WorkSheets(c));
    }
    // The 目次 comes first and takes its name before any table does, so a
    // table called 目次 is the one renamed.
    const int first = withIndex ? 2 : 1;
    std::string indexName;
    if (withIndex) {
      xl::IWorksheet& index = book.AddWorksheet(1);
      indexName = writer.sheetNames.Name(kIndexSheetName, 0,
                                         [&](const std::string& name) { index.Name(name); });
    }
    std::vector<IndexEntry> entries;
    for (int i = 1; i <= n; ++i) {
      TTreeNode& table = *tables[static_cast<std::size_t>(i - 1)];
      if (OnProgress) OnProgress(i, n, table.Text());
      xl::IWorksheet& sheet = book.WorkSheets(first + i - 1);
      std::string name = writer.WriteTableDefinitionSheet(sheet, table);
      if (withIndex) {
        WriteBackLink(sheet, settings, indexName);
        entries.push_back({&table, std::move(name)});
      }
    }
    if (withIndex)
      WriteIndexSheet(
          book.WorkSheets(1), browser_, node, settings, entries,
          [&](const std::string& value, const std::string& where) {
            return writer.Fit(value, where);
          },
          [this] { ProcessEventsOrStop(); });
  });
  runs_.back().saved = saved;
}

bool TExporter::DefinitionSettingsUsable() {
  const std::string problem = DefinitionSettingsProblem(browser_.Common());
  if (problem.empty()) return true;
  // Ends as a failure before a target is chosen or touched; the other
  // schemas of a database-level command would meet the same settings.
  browser_.ClearLog();
  browser_.WriteLog("Excel　出力異常終了。");
  browser_.ShowError(problem);
  runs_.push_back({{}, false});
  if (running_) stop_ = Stop::Quiet;
  return false;
}

CatalogRead TExporter::ReadSetting(const TdCommon& common) {
  CatalogRead read = CatalogRead::Bulk;
  ParseCatalogRead(common.ReadSetting(TdCommon::SettingsFileName(), "catalog", "read"), read);
  return read;
}

ExportSettings TExporter::Settings() {
  ExportSettings settings = ExportSettings::Load(browser_.Common());
  if (templateChoice) settings.templateChoice = *templateChoice;
  return settings;
}

std::string TExporter::DetectExcelVersion() {
  xl::AutomationContext ctx = Context();
  return xl::GetExcelVersion(ctx);
}

xl::AutomationContext TExporter::Context() {
  return xl::AutomationContext{
      browser_.FExcelVersion,
      browser_.Prompts(),
      browser_.Common(),
      [this](const std::string& line) { browser_.WriteLog(line); },
      [this] { browser_.ClearLog(); },
      [this](const std::string& text) { browser_.ShowError(text); },
      createApplication_,
  };
}

}  // namespace zel
