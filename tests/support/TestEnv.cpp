#include "support/TestEnv.h"

#include "common/Resources.h"

#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <vector>

namespace zel::test {

TempDir::TempDir() {
  std::string tmpl = (std::filesystem::temp_directory_path() / "zeltest.XXXXXX").string();
  std::vector<char> buf(tmpl.begin(), tmpl.end());
  buf.push_back('\0');
  if (!mkdtemp(buf.data())) throw std::runtime_error("mkdtemp failed");
  path_ = buf.data();
}

TempDir::~TempDir() {
  std::error_code ec;
  // A test may have taken the write bit away; give it back before removing.
  for (auto it = std::filesystem::recursive_directory_iterator(path_, ec);
       it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
    std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ec);
  }
  std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                               std::filesystem::perm_options::add, ec);
  std::filesystem::remove_all(path_, ec);
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

void WriteFile(const std::string& path, const std::string& data) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << data;
}

std::string PlaceTemplate(const TempDir& dir, const std::string& name) {
  auto data = res::Find("xlsx", name);
  if (!data) throw std::runtime_error("no built-in template " + name);
  std::string path = dir.File(name + ".xlsx");
  WriteFile(path, std::string(*data));
  return path;
}

int CountOf(const std::string& text, const std::string& what) {
  int n = 0;
  for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

bool FileExists(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0;
}

bool ServersRequired() {
  const char* v = std::getenv("ZEL_REQUIRE_SERVERS");
  return v && *v && std::string(v) != "0";
}

bool PgAvailable(PgServer& out) {
  const char* port = std::getenv("ZEL_PG_PORT");
  if (!port || !*port) return false;
  auto env = [](const char* name, const char* def) {
    const char* v = std::getenv(name);
    return std::string(v && *v ? v : def);
  };
  out = {env("ZEL_PG_HOST", "127.0.0.1"), port, env("ZEL_PG_USER", "zeltest"),
         env("ZEL_PG_PASSWORD", "")};
  return true;
}

bool MariaAvailable(MariaServer& out) {
  const char* port = std::getenv("ZEL_MARIA_PORT");
  if (!port || !*port) return false;
  auto env = [](const char* name, const char* def) {
    const char* v = std::getenv(name);
    return std::string(v && *v ? v : def);
  };
  out = {env("ZEL_MARIA_HOST", "127.0.0.1"), port,
         env("ZEL_MARIA_USER", "zeltest"),   env("ZEL_MARIA_PASSWORD", ""),
         env("ZEL_MARIA_GENERAL_LOG", ""),   env("ZEL_MARIA_START", "")};
  return true;
}

std::string ShellQuote(const std::string& text) {
  std::string out = "'";
  for (char c : text) {
    if (c == '\'')
      out += "'\\''";
    else
      out += c;
  }
  return out + "'";
}

int RunCommand(const std::string& command, std::string* output) {
  FILE* p = popen((command + " 2>&1").c_str(), "r");
  if (!p) return -1;
  std::string text;
  char buf[4096];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, p)) > 0) text.append(buf, n);
  int status = pclose(p);
  if (output) *output = text;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

int ThreadCount(const char* name) {
  int n = 0;
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator("/proc/self/task", ec)) {
    // A thread that ends meanwhile takes its folder with it: it does not count.
    std::ifstream comm(entry.path() / "comm");
    std::string text;
    if (std::getline(comm, text) && text == name) ++n;
  }
  return n;
}

}  // namespace zel::test
