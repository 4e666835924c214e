#pragma once
// The user's own model workbook, looked at before a definition export copies
// it: when it is chosen in the settings dialog, when the dialog is confirmed,
// and when an export starts (window or command), so that a file that cannot
// serve is reported against itself, in the user's language, before any
// target is touched.
#include <string>

namespace zel {

// The design's message; the reason follows it on a line of its own.
inline constexpr const char* kModelSettingError = "Excelファイル設定エラー。";

// Empty when the file can be the model of a definition document: it exists,
// is a regular file that can be read, opens as a workbook within the
// engine's limits, and its first sheet is a worksheet (the template of every
// table). Otherwise the reason, naming the file.
std::string CheckModelWorkbook(const std::string& path);

// kModelSettingError and the reason.
std::string ModelWorkbookMessage(const std::string& reason);

}  // namespace zel
