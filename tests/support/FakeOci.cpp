#include "support/FakeOci.h"

#include <dlfcn.h>

#include <stdexcept>

#include "db/oracle/oci.h"

namespace zel::test {
namespace {

std::string Cell(const std::optional<std::string>& v) {
  return v ? *v : "\\N";
}

template <typename Fn>
Fn Symbol(void* handle, const char* name) {
  void* address = dlsym(handle, name);
  if (!address) throw std::runtime_error(std::string("fake OCI lacks ") + name);
  return reinterpret_cast<Fn>(address);
}

}  // namespace

std::string FakeOci::LibraryPath() {
  return ZEL_FAKE_OCI;
}

std::string FakeOci::Folder() {
  std::string path = LibraryPath();
  return path.substr(0, path.rfind('/'));
}

FakeOci::FakeOci() {
  // Never unmapped: the fake's script state lives in its own statics, and
  // the client's binding may hold the same mapping.
  handle_ = dlopen(LibraryPath().c_str(), RTLD_NOW | RTLD_NODELETE);
  if (!handle_) throw std::runtime_error(std::string("cannot load the fake OCI: ") + dlerror());
  reset_ = Symbol<void (*)()>(handle_, "zfo_reset");
  script_fn_ = Symbol<int (*)(const char*)>(handle_, "zfo_script");
  count_ = Symbol<long (*)(const char*)>(handle_, "zfo_count");
  item_ = Symbol<const char* (*)(const char*, long)>(handle_, "zfo_item");
  reset_();
  oci::SetLibraryFileName(LibraryPath());
}

FakeOci::~FakeOci() {
  reset_();
  oci::UseStandardLibrary();
  dlclose(handle_);
}

void FakeOci::Script(const std::string& text) {
  if (int line = script_fn_(text.c_str()); line != 0)
    throw std::runtime_error("fake OCI script line " + std::to_string(line) + ": " + text);
  script_ += text;
}

void FakeOci::Logon(const std::string& user, const std::string& password, const std::string& db) {
  Script("logon\t" + user + "\t" + password + "\t" + db + "\n");
}

void FakeOci::LogonError(const std::string& message) {
  Script("logonerror\t" + message + "\n");
}

void FakeOci::Query(const std::string& sql, const std::vector<FakeRow>& rows, int cols) {
  std::string text = "query\t" + sql + "\n";
  if (cols >= 0) text += "cols\t" + std::to_string(cols) + "\n";
  for (const FakeRow& row : rows) {
    text += "row";
    for (const auto& v : row) text += "\t" + Cell(v);
    text += "\n";
  }
  Script(text);
}

void FakeOci::Error(const std::string& sql, const std::string& message) {
  Script("error\t" + sql + "\t" + message + "\n");
}

std::vector<std::string> FakeOci::Items(const char* what) const {
  std::vector<std::string> out;
  const long n = count_(what);
  for (long i = 0; i < n; ++i)
    if (const char* s = item_(what, i)) out.emplace_back(s);
  return out;
}

std::vector<std::string> FakeOci::Statements() const {
  return Items("statements");
}
std::vector<std::string> FakeOci::Logons() const {
  return Items("logons");
}
long FakeOci::Count(const char* what) const {
  return count_(what);
}

}  // namespace zel::test
