#include "support/ExportRun.h"

#include <gtest/gtest.h>

#include <sstream>

#include "export/Exports.h"
#include "support/WorkbookCheck.h"

namespace zel::test {

std::vector<std::string> LogWithoutClock(const TBrowser& browser) {
  std::vector<std::string> log;
  for (auto it = browser.LogLines().rbegin(); it != browser.LogLines().rend(); ++it)
    log.push_back(it->substr(10));
  return log;
}

ExportResult RunDefinitionExport(TBrowser& browser, ScriptedPrompts& prompts,
                                 std::optional<CatalogRead> read, const std::string& target,
                                 const std::function<void()>& during) {
  ExportResult r;
  r.target = target;
  TExporter exporter(browser);
  exporter.read = read;
  prompts.saveAnswers.push_back(target);
  int listener = -1;
  bool done = false;  // read by the listener until it is removed
  if (during) {
    listener = browser.AddListener([&](unsigned changes) {
      if (done || !(changes & chLog) || browser.LogLines().empty()) return;
      done = true;
      during();
    });
  }
  exporter.DefinitionCommand();
  if (listener >= 0) browser.RemoveListener(listener);
  r.log = LogWithoutClock(browser);
  for (const auto& m : prompts.messages) r.messages.push_back(m.text);
  return r;
}

void ExpectSameWorkbook(const std::string& a, const std::string& b, bool cells) {
  if (cells) {
    const WorkbookDump da = DumpWorkbook(a, false), db = DumpWorkbook(b, false);
    ASSERT_TRUE(da.ok()) << da.error;
    ASSERT_TRUE(db.ok()) << db.error;
    EXPECT_EQ(da.values, db.values);
  }
  ASSERT_EQ(ZipPartList(a), ZipPartList(b));
  std::istringstream parts(ZipPartList(a));
  for (std::string part; std::getline(parts, part);) {
    if (part == "docProps/core.xml" || part.empty()) continue;
    EXPECT_EQ(ReadZipPart(a, part), ReadZipPart(b, part)) << part;
  }
}

}  // namespace zel::test
