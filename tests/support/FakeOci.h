#pragma once
// The fake Oracle client (tests/support/fakeoci) seen from a test: points the
// OCI binding at it, scripts it and reads back what it saw. One at a time;
// the destructor points the binding back at the standard library names.
//
//   FakeOci oci;
//   oci.Logon("scott", "tiger", "orahost/XE");
//   oci.Query("SELECT ...", {{"A", std::nullopt}});
//   ... run the reader ...
//   EXPECT_EQ(oci.Statements(), (std::vector<std::string>{"SELECT ..."}));
#include <optional>
#include <string>
#include <vector>

namespace zel::test {

using FakeRow = std::vector<std::optional<std::string>>;

class FakeOci {
 public:
  FakeOci();
  ~FakeOci();
  FakeOci(const FakeOci&) = delete;
  FakeOci& operator=(const FakeOci&) = delete;

  // The fake's file and its folder (for LD_LIBRARY_PATH of a child process).
  static std::string LibraryPath();
  static std::string Folder();

  void Logon(const std::string& user, const std::string& password, const std::string& db);
  void LogonError(const std::string& message);
  // cols: needed when there are no rows.
  void Query(const std::string& sql, const std::vector<FakeRow>& rows, int cols = -1);
  void Error(const std::string& sql, const std::string& message);
  // Script lines as the fake reads them (see FakeOci.cpp); raises on a bad line.
  void Script(const std::string& text);
  // The same script as text, for ZFO_SCRIPT of a child process.
  const std::string& ScriptText() const { return script_; }

  std::vector<std::string> Statements() const;
  std::vector<std::string> Logons() const;  // "user<TAB>password<TAB>connect id"
  long Count(const char* what) const;       // see zfo_count
  long Live() const { return Count("live"); }
  long Sessions() const { return Count("sessions"); }

 private:
  std::vector<std::string> Items(const char* what) const;

  void* handle_ = nullptr;
  void (*reset_)() = nullptr;
  int (*script_fn_)(const char*) = nullptr;
  long (*count_)(const char*) = nullptr;
  const char* (*item_)(const char*, long) = nullptr;
  std::string script_;
};

}  // namespace zel::test
