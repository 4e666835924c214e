#pragma once
// The shared services of the program (the single dCommon instance): the
// settings file, the common message box, password scrambling and a few text
// and number conversions. None of them keeps state between calls.
#include <string>
#include <string_view>

#include "common/Prompts.h"
#include "common/StringGrid.h"
#include "common/Variant.h"

namespace zel {

class TdCommon {
 public:
  // The prompts may be null for headless use; messages are then dropped.
  explicit TdCommon(IPrompts* prompts = nullptr);

  void SetPrompts(IPrompts* prompts) { prompts_ = prompts; }
  IPrompts* Prompts() const { return prompts_; }

  // Modal box with caption "Zelmora", the information icon and OK.
  void ShowMessageBox(const std::string& text) const;

  static std::string SettingsFileName() { return "Zel.ini"; }
  // The folder of the executable with its trailing separator. Tests and the
  // command line point it elsewhere.
  const std::string& ProgramFolder() const { return folder_; }
  void SetProgramFolder(std::string folder);
  // Full path of a settings file name: an absolute name stands as it is; a
  // relative one lies beside the program or in the user's configuration
  // folder (SettingsLocation.h).
  std::string SettingsPath(const std::string& fileName) const;
  // Reads and writes of SettingsFileName() go to this file instead (the
  // command line's --settings).
  void SetSettingsFile(std::string path) { settingsFile_ = std::move(path); }

  std::string ReadSetting(const std::string& fileName, std::string_view section,
                          std::string_view key) const;
  void WriteSetting(const std::string& fileName, std::string_view section, std::string_view key,
                    std::string_view value) const;

  static void ClearGrid(TStringGrid& grid, int rowCount);
  static int StrToIntOrZero(std::string_view text);
  static int BoolToInt(bool value) { return value ? 1 : 0; }
  static int ColumnLetterToIndex(std::string_view text);
  static std::string GetToken(std::string_view text, int index, char separator);

  // Passwords are UTF-8 in the program and scrambled as such.
  static std::string ScramblePassword(std::string_view password);
  static std::string UnscramblePassword(std::string_view stored);
  // The byte-level pair underneath.
  static std::string ScrambleBytes(std::string_view bytes);
  static std::string UnscrambleBytes(std::string_view stored);
  static std::string_view ScrambleTable();

  static std::string VariantToStrDef(const TVariant& value, const std::string& defaultText);
  static std::string CleanFileName(std::string_view name);

 private:
  IPrompts* prompts_;
  std::string folder_;
  std::string settingsFile_;
};

// The executable's folder, with a trailing '/'.
std::string ExecutableFolder();
// The executable's full path.
std::string ExecutablePath();

}  // namespace zel
