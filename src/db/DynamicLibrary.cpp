#include "db/DynamicLibrary.h"

#include <dlfcn.h>

#include <utility>

namespace zel {

DynamicLibrary::~DynamicLibrary() { Close(); }

DynamicLibrary::DynamicLibrary(DynamicLibrary&& other) noexcept
    : handle_(std::exchange(other.handle_, nullptr)),
      fileName_(std::move(other.fileName_)),
      lastError_(std::move(other.lastError_)) {}

DynamicLibrary& DynamicLibrary::operator=(DynamicLibrary&& other) noexcept {
  if (this != &other) {
    Close();
    handle_ = std::exchange(other.handle_, nullptr);
    fileName_ = std::move(other.fileName_);
    lastError_ = std::move(other.lastError_);
  }
  return *this;
}

bool DynamicLibrary::Open(const std::string& fileName) {
  Close();
  fileName_ = fileName;
  // RTLD_LOCAL keeps the client library's symbols from satisfying anybody
  // else's lookups; RTLD_NOW reports a broken install at load time.
  handle_ = dlopen(fileName.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle_) {
    const char* why = dlerror();
    lastError_ = why ? why : "unknown loader error";
    return false;
  }
  lastError_.clear();
  return true;
}

void DynamicLibrary::Close() {
  if (handle_) {
    dlclose(handle_);
    handle_ = nullptr;
  }
}

void* DynamicLibrary::Symbol(const char* name) {
  if (!handle_) {
    lastError_ = "library not loaded";
    return nullptr;
  }
  dlerror();
  void* address = dlsym(handle_, name);
  if (!address) {
    const char* why = dlerror();
    lastError_ = why ? why : std::string("symbol ") + name + " is null";
  }
  return address;
}

}  // namespace zel
