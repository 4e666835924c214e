#include "db/libpq_fe.h"

#include <array>
#include <atomic>
#include <mutex>
#include <vector>

#include "db/DynamicLibrary.h"

namespace zel::libpq {
namespace {

enum Entry {
  kConnectdb,
  kStatus,
  kErrorMessage,
  kSetNoticeProcessor,
  kExec,
  kResultStatus,
  kResultErrorMessage,
  kNtuples,
  kNfields,
  kGetvalue,
  kClear,
  kFinish,
  kConsumeInput,
  kNotifies,
  kPutline,
  kEndcopy,
  kFreemem,
  kEntryCount
};

constexpr std::array<const char*, kEntryCount> kEntryNames = {
    "PQconnectdb",   "PQstatus",      "PQerrorMessage",       "PQsetNoticeProcessor",
    "PQexec",        "PQresultStatus", "PQresultErrorMessage", "PQntuples",
    "PQnfields",     "PQgetvalue",    "PQclear",              "PQfinish",
    "PQconsumeInput", "PQnotifies",   "PQputline",            "PQendcopy",
    "PQfreemem"};

class Binding {
 public:
  // Never destroyed: a component that lives in static storage may still
  // finish its connection after this object would have been torn down, and
  // the process releases the mapping when it ends anyway.
  static Binding& Instance() {
    static Binding* instance = new Binding;
    return *instance;
  }

  // The address of an entry point, loading the library first when needed.
  // Optional entry points answer nullptr instead of raising.
  void* Resolve(Entry entry, bool optional = false) {
    void* address = addresses_[entry].load(std::memory_order_acquire);
    if (address) return address;

    std::lock_guard<std::mutex> lock(mutex_);
    address = addresses_[entry].load(std::memory_order_relaxed);
    if (address) return address;
    if (!library_.IsOpen() && !library_.Open(fileName_)) {
      if (optional) return nullptr;
      throw PQDllLoadErr(fileName_ + " load failed.");
    }
    address = library_.Symbol(kEntryNames[entry]);
    if (!address) {
      if (optional) return nullptr;
      throw DLLAddressErr(fileName_ + ": function " + kEntryNames[entry] + " not found.");
    }
    addresses_[entry].store(address, std::memory_order_release);
    return address;
  }

  std::string FileName() {
    std::lock_guard<std::mutex> lock(mutex_);
    return fileName_;
  }

  void SetFileName(const std::string& fileName) {
    std::lock_guard<std::mutex> lock(mutex_);
    for (auto& address : addresses_) address.store(nullptr, std::memory_order_release);
    // Connections and results made through the old library may still be
    // alive and will be released through it, so it stays mapped.
    if (library_.IsOpen()) retired_.push_back(std::move(library_));
    library_ = DynamicLibrary();
    fileName_ = fileName;
  }

  bool IsLoaded() {
    std::lock_guard<std::mutex> lock(mutex_);
    return library_.IsOpen();
  }

 private:
  std::mutex mutex_;
  std::string fileName_ = "libpq.so.5";
  DynamicLibrary library_;
  std::vector<DynamicLibrary> retired_;
  std::array<std::atomic<void*>, kEntryCount> addresses_{};
};

template <typename Fn>
Fn Get(Entry entry) {
  return reinterpret_cast<Fn>(Binding::Instance().Resolve(entry));
}

}  // namespace

PGconn* PQconnectdb(const char* conninfo) {
  return Get<PGconn* (*)(const char*)>(kConnectdb)(conninfo);
}

int PQstatus(const PGconn* conn) { return Get<int (*)(const PGconn*)>(kStatus)(conn); }

char* PQerrorMessage(const PGconn* conn) {
  return Get<char* (*)(const PGconn*)>(kErrorMessage)(conn);
}

PQnoticeProcessor PQsetNoticeProcessor(PGconn* conn, PQnoticeProcessor proc, void* arg) {
  using Fn = PQnoticeProcessor (*)(PGconn*, PQnoticeProcessor, void*);
  return Get<Fn>(kSetNoticeProcessor)(conn, proc, arg);
}

PGresult* PQexec(PGconn* conn, const char* query) {
  return Get<PGresult* (*)(PGconn*, const char*)>(kExec)(conn, query);
}

int PQresultStatus(const PGresult* res) {
  return Get<int (*)(const PGresult*)>(kResultStatus)(res);
}

char* PQresultErrorMessage(const PGresult* res) {
  return Get<char* (*)(const PGresult*)>(kResultErrorMessage)(res);
}

int PQntuples(const PGresult* res) { return Get<int (*)(const PGresult*)>(kNtuples)(res); }

int PQnfields(const PGresult* res) { return Get<int (*)(const PGresult*)>(kNfields)(res); }

char* PQgetvalue(const PGresult* res, int row, int column) {
  return Get<char* (*)(const PGresult*, int, int)>(kGetvalue)(res, row, column);
}

void PQclear(PGresult* res) { Get<void (*)(PGresult*)>(kClear)(res); }

void PQfinish(PGconn* conn) { Get<void (*)(PGconn*)>(kFinish)(conn); }

int PQconsumeInput(PGconn* conn) { return Get<int (*)(PGconn*)>(kConsumeInput)(conn); }

PGnotify* PQnotifies(PGconn* conn) { return Get<PGnotify* (*)(PGconn*)>(kNotifies)(conn); }

int PQputline(PGconn* conn, const char* line) {
  return Get<int (*)(PGconn*, const char*)>(kPutline)(conn, line);
}

int PQendcopy(PGconn* conn) { return Get<int (*)(PGconn*)>(kEndcopy)(conn); }

void PQfreemem(void* ptr) {
  if (!ptr) return;
  if (void* address = Binding::Instance().Resolve(kFreemem, /*optional=*/true)) {
    reinterpret_cast<void (*)(void*)>(address)(ptr);
  }
}

std::string LibraryFileName() { return Binding::Instance().FileName(); }

void SetLibraryFileName(const std::string& fileName) { Binding::Instance().SetFileName(fileName); }

bool IsLoaded() { return Binding::Instance().IsLoaded(); }

}  // namespace zel::libpq

namespace zel::libpq {

void PGconnFinisher::operator()(PGconn* conn) const noexcept {
  try {
    PQfinish(conn);
  } catch (...) {
  }
}

void PGresultClearer::operator()(PGresult* res) const noexcept {
  try {
    PQclear(res);
  } catch (...) {
  }
}

void PGfreememDeleter::operator()(void* ptr) const noexcept {
  try {
    PQfreemem(ptr);
  } catch (...) {
  }
}

}  // namespace zel::libpq
