#pragma once
// A shared library opened at run time by file name. The client libraries are
// optional installs: the program must start without them and report a
// missing one only when that kind of database is used.
#include <string>

namespace zel {

class DynamicLibrary {
 public:
  DynamicLibrary() = default;
  ~DynamicLibrary();
  DynamicLibrary(DynamicLibrary&& other) noexcept;
  DynamicLibrary& operator=(DynamicLibrary&& other) noexcept;
  DynamicLibrary(const DynamicLibrary&) = delete;
  DynamicLibrary& operator=(const DynamicLibrary&) = delete;

  // Opens the library; false when it cannot be loaded (LastError tells why).
  bool Open(const std::string& fileName);
  void Close();
  bool IsOpen() const { return handle_ != nullptr; }
  const std::string& FileName() const { return fileName_; }
  // The loader's reason for the last failed Open or Symbol.
  const std::string& LastError() const { return lastError_; }

  // Address of an exported symbol, or nullptr when it is missing.
  void* Symbol(const char* name);

 private:
  void* handle_ = nullptr;
  std::string fileName_;
  std::string lastError_;
};

}  // namespace zel
