#pragma once
// docProps/app.xml lists the worksheet names (TitlesOfParts, counted under a
// heading in HeadingPairs). When sheets are added or renamed the list is
// brought in line, as Excel does when it saves.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zel::xl {

// The part with the worksheet group replaced by `now`; the group is the one
// that listed exactly `before`, or else the one under the heading
// "Worksheets"/"ワークシート". Nothing when the part has no such group.
std::optional<std::string> UpdateSheetTitles(std::string_view appXml,
                                             const std::vector<std::string>& before,
                                             const std::vector<std::string>& now);

}  // namespace zel::xl
