#include "cli/CliPrompts.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <iostream>

#include "catalog/Kinds.h"

namespace zel::cli {
namespace {

bool IsDirectory(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// A file (or a link to one) there; anything else is refused with its reason
// by the target checks, --force or not.
bool FileThere(const std::string& path) {
  struct stat st {};
  if (lstat(path.c_str(), &st) != 0) return false;
  if (!S_ISLNK(st.st_mode)) return S_ISREG(st.st_mode);
  // A link that leads nowhere takes the name as well.
  return stat(path.c_str(), &st) != 0 || S_ISREG(st.st_mode);
}

// The name as C would spell it, so the message stays on one line.
std::string Printable(const std::string& text) {
  static const char* hex = "0123456789abcdef";
  std::string out;
  for (char c : text) {
    if (!IsControl(c)) {
      out += c;
    } else {
      out += "\\x";
      out += hex[(static_cast<unsigned char>(c) >> 4) & 0xf];
      out += hex[static_cast<unsigned char>(c) & 0xf];
    }
  }
  return out;
}

std::string Join(const std::string& folder, const std::string& name) {
  if (folder.empty()) return name;
  return folder.back() == '/' ? folder + name : folder + "/" + name;
}

}  // namespace

std::string TargetPath(const Options& options, bool severalWorkbooks, const std::string& proposed) {
  if (!options.out) return proposed;  // the current folder
  if (severalWorkbooks || IsDirectory(*options.out)) return Join(*options.out, proposed);
  return *options.out;
}

CliPrompts::CliPrompts(const Options& options, std::string password, bool severalWorkbooks)
    : options_(options), password_(std::move(password)), several_(severalWorkbooks) {}

MsgResult CliPrompts::MessageBox(const MessageBoxRequest& request) {
  if (request.buttons == MsgButtons::YesNo) {
    // Only the overwrite question asks; --force answers it.
    return options_.force ? MsgResult::Yes : MsgResult::No;
  }
  // The window's questions (which tables to export) have their answer in
  // the command's options already.
  if (request.buttons == MsgButtons::YesNoCancel) return MsgResult::No;
  ++messages_;
  std::string text = request.text;
  for (char& c : text)
    if (c == '\r' || c == '\n') c = ' ';
  std::cerr << "zelmora-export: " << text << std::endl;
  return MsgResult::Ok;
}

std::optional<std::string> CliPrompts::SaveFileDialog(const SaveDialogRequest& request) {
  std::string target = TargetPath(options_, several_, request.fileName);
  if (std::any_of(target.begin(), target.end(), [](char c) { return IsControl(c); })) {
    // From a schema or table name: the one-path-per-line output would break.
    std::cerr << "zelmora-export: " << Printable(target)
              << " holds a control character; name the file with --out" << std::endl;
    refused_.push_back(target);
    return std::nullopt;
  }
  if (FileThere(target) && !options_.force) {
    std::cerr << "zelmora-export: " << target << " already exists (--force replaces it)"
              << std::endl;
    refused_.push_back(target);
    return std::nullopt;
  }
  return target;
}

std::optional<LogonValues> CliPrompts::LogonDialog() {
  const KindEntry* kind = FindKind(options_.kind);
  if (!kind) return std::nullopt;
  LogonValues v;
  v.kind = kind->code;
  kind->fromCommand(v, CommandLogonOf(options_, password_));
  return v;
}

}  // namespace zel::cli
