#pragma once
// A definition export run as the window runs it, for the tests that hold
// reading a schema in bulk to reading table by table: the same workbook, log
// and messages.
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "catalog/Browser.h"
#include "catalog/SchemaRows.h"
#include "support/ScriptedPrompts.h"

namespace zel::test {

struct ExportResult {
  std::string target;
  std::vector<std::string> log;  // oldest first, without the clock
  std::vector<std::string> messages;
};

// Exports the definitions of the node selected in `browser` to `target`
// (answered through `prompts`), reading the catalog as `read` says; `during`
// runs once, as soon as the run has written its first log line.
ExportResult RunDefinitionExport(TBrowser& browser, ScriptedPrompts& prompts,
                                 std::optional<CatalogRead> read, const std::string& target,
                                 const std::function<void()>& during = {});

// The browser's log lines, oldest first, without their clock.
std::vector<std::string> LogWithoutClock(const TBrowser& browser);

// The same bytes in every part of both packages but the time stamps of their
// metadata and, when `cells`, the same values read back cell by cell by an
// independent reader (slow for hundreds of sheets).
void ExpectSameWorkbook(const std::string& a, const std::string& b, bool cells = true);

}  // namespace zel::test
