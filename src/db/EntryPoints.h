#pragma once
// A client library opened at run time and a table of its entry points looked
// up by name. Every database kind binds its client this way: the program must
// start without the library and report a missing one only when that kind is
// used. Safe to use from several threads.
#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "db/DynamicLibrary.h"

namespace zel {

class EntryPoints {
 public:
  // candidates: file names tried in this order; names: the table, by index.
  EntryPoints(std::vector<std::string> candidates, std::vector<const char*> names);
  EntryPoints(const EntryPoints&) = delete;
  EntryPoints& operator=(const EntryPoints&) = delete;

  // Opens the first candidate that loads, unless one is open already. False
  // when none loads; the next call tries again.
  bool Load();
  bool IsLoaded() const;
  // The file that was opened; before that (or after a failure) the first
  // candidate, which is the name messages give.
  std::string FileName() const;
  // The loader's reason when no candidate loaded.
  std::string LastError() const;

  size_t Count() const { return names_.size(); }
  const char* Name(size_t index) const { return names_.at(index); }
  // The address of entry `index`, looked up on first use; nullptr when the
  // library is not loaded or lacks the entry. Does not load the library.
  void* Address(size_t index);
  // Looks up every entry now; returns how many are missing.
  size_t ResolveAll();

  // Whether Find may open the library.
  enum class Loading { kOnFirstUse, kNever };
  // What a lookup found, and if nothing, why, in the words every binding
  // shows: "<file> load failed." or "<file>: function <name> not found.".
  struct Found {
    void* address = nullptr;
    bool libraryMissing = false;  // the library could not be opened
    std::string message;
  };
  // The address of entry `index`, opening the library first when it is not
  // open and `loading` allows it.
  Found Find(size_t index, Loading loading = Loading::kOnFirstUse);

  // Points the table at other files (tests: a missing file, a fake library).
  // Addresses are forgotten; a library opened so far stays mapped, since
  // handles made through it may still be alive.
  void SetCandidates(std::vector<std::string> candidates);
  // Forgets the addresses and releases the library. Only for program end
  // and tests: nothing made through the library may be alive.
  void Unload();

 private:
  void ForgetLocked();

  mutable std::mutex mutex_;
  std::vector<std::string> candidates_;
  std::vector<const char*> names_;
  DynamicLibrary library_;
  std::vector<DynamicLibrary> retired_;
  std::string lastError_;
  std::unique_ptr<std::atomic<void*>[]> addresses_;
  std::unique_ptr<std::atomic<bool>[]> missing_;
};

// A binding's table: its names and its errors. A missing library raises
// LoadError, a missing entry point MissingError; the messages are
// EntryPoints::Found's.
template <typename LoadError, typename MissingError = LoadError>
class BoundEntryPoints : public EntryPoints {
 public:
  using EntryPoints::EntryPoints;

  void* Require(size_t index, Loading loading = Loading::kOnFirstUse) {
    Found found = Find(index, loading);
    if (found.address) return found.address;
    if (found.libraryMissing) throw LoadError(found.message);
    throw MissingError(found.message);
  }

  // Entry `index` as a function of type Fn.
  template <typename Fn>
  Fn Function(size_t index, Loading loading = Loading::kOnFirstUse) {
    return reinterpret_cast<Fn>(Require(index, loading));
  }
};

}  // namespace zel
