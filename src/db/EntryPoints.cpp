#include "db/EntryPoints.h"

#include <utility>

namespace zel {

EntryPoints::EntryPoints(std::vector<std::string> candidates, std::vector<const char*> names)
    : candidates_(std::move(candidates)),
      names_(std::move(names)),
      addresses_(std::make_unique<std::atomic<void*>[]>(names_.size())),
      missing_(std::make_unique<std::atomic<bool>[]>(names_.size())) {
  ForgetLocked();
}

void EntryPoints::ForgetLocked() {
  for (size_t i = 0; i < names_.size(); ++i) {
    addresses_[i].store(nullptr, std::memory_order_release);
    missing_[i].store(false, std::memory_order_release);
  }
}

bool EntryPoints::Load() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (library_.IsOpen()) return true;
  for (const std::string& file : candidates_) {
    if (library_.Open(file)) {
      lastError_.clear();
      return true;
    }
    if (lastError_.empty()) lastError_ = library_.LastError();
  }
  return false;
}

bool EntryPoints::IsLoaded() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return library_.IsOpen();
}

std::string EntryPoints::FileName() const {
  std::lock_guard<std::mutex> lock(mutex_);
  if (library_.IsOpen()) return library_.FileName();
  return candidates_.empty() ? std::string() : candidates_.front();
}

std::string EntryPoints::LastError() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return lastError_;
}

void* EntryPoints::Address(size_t index) {
  if (index >= names_.size()) return nullptr;
  if (void* address = addresses_[index].load(std::memory_order_acquire)) return address;
  std::lock_guard<std::mutex> lock(mutex_);
  if (void* address = addresses_[index].load(std::memory_order_relaxed)) return address;
  if (!library_.IsOpen() || missing_[index].load(std::memory_order_relaxed)) return nullptr;
  void* address = library_.Symbol(names_[index]);
  if (address)
    addresses_[index].store(address, std::memory_order_release);
  else
    missing_[index].store(true, std::memory_order_release);
  return address;
}

size_t EntryPoints::ResolveAll() {
  size_t missing = 0;
  for (size_t i = 0; i < names_.size(); ++i)
    if (!Address(i)) ++missing;
  return missing;
}

EntryPoints::Found EntryPoints::Find(size_t index, Loading loading) {
  Found found;
  found.address = Address(index);
  if (found.address) return found;
  if (loading == Loading::kOnFirstUse && !Load()) {
    found.libraryMissing = true;
    found.message = FileName() + " load failed.";
    return found;
  }
  found.address = Address(index);
  if (!found.address)
    found.message =
        FileName() + ": function " + (index < names_.size() ? names_[index] : "?") + " not found.";
  return found;
}

void EntryPoints::SetCandidates(std::vector<std::string> candidates) {
  std::lock_guard<std::mutex> lock(mutex_);
  ForgetLocked();
  if (library_.IsOpen()) retired_.push_back(std::move(library_));
  library_ = DynamicLibrary();
  candidates_ = std::move(candidates);
  lastError_.clear();
}

void EntryPoints::Unload() {
  std::lock_guard<std::mutex> lock(mutex_);
  ForgetLocked();
  library_.Close();
  lastError_.clear();
}

}  // namespace zel
