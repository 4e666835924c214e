#include "common/SettingsLocation.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace zel {
namespace {

bool Exists(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0;
}

bool StartsWith(const std::string& text, const char* prefix) {
  return text.rfind(prefix, 0) == 0;
}

// Root may write anywhere, but a file dropped into /usr/bin belongs to no
// package and outlives the program's removal.
bool SystemFolder(const std::string& folder) {
  return StartsWith(folder, "/usr/") || StartsWith(folder, "/bin/") ||
         StartsWith(folder, "/sbin/");
}

}  // namespace

std::string ConfigFolder() {
  // Relative values are to be ignored, as the XDG base directory rules say.
  if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && xdg[0] == '/')
    return std::string(xdg) + "/zelmora/";
  if (const char* home = std::getenv("HOME"); home && home[0] == '/')
    return std::string(home) + "/.config/zelmora/";
  return {};
}

std::string SettingsFilePath(const std::string& programFolder, const std::string& fileName) {
  const std::string beside = programFolder + fileName;
  if (Exists(beside)) return beside;
  const std::string folder = programFolder.empty() ? std::string("./") : programFolder;
  if (access(folder.c_str(), W_OK) == 0 && !SystemFolder(folder)) return beside;
  const std::string config = ConfigFolder();
  return config.empty() ? beside : config + fileName;
}

bool MakeParentFolder(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos || slash == 0) return true;
  const std::string folder = path.substr(0, slash);
  if (Exists(folder)) return true;
  if (!MakeParentFolder(folder)) return false;
  return mkdir(folder.c_str(), 0700) == 0 || errno == EEXIST;
}

}  // namespace zel
