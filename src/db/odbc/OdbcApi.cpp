#include "db/odbc/OdbcApi.h"

#include <dlfcn.h>

#include <array>
#include <vector>

#include "db/EntryPoints.h"
#include "db/odbc/OdbcError.h"

static_assert(sizeof(SQLWCHAR) == sizeof(char16_t),
              "unixODBC built with 4-byte SQLWCHAR is not supported");

namespace zel::odbc {
namespace {

enum Entry {
  kAllocHandle,
  kFreeHandle,
  kSetEnvAttr,
  kSetConnectAttrW,
  kDriverConnectW,
  kDisconnect,
  kExecDirectW,
  kNumResultCols,
  kMoreResults,
  kFetch,
  kGetData,
  kGetDiagRecW,
  kEntryCount
};

constexpr std::array<const char*, kEntryCount> kEntryNames = {
    "SQLAllocHandle", "SQLFreeHandle",   "SQLSetEnvAttr", "SQLSetConnectAttrW",
    "SQLDriverConnectW", "SQLDisconnect", "SQLExecDirectW", "SQLNumResultCols",
    "SQLMoreResults", "SQLFetch",        "SQLGetData",    "SQLGetDiagRecW"};

const std::vector<std::string> kCandidates = {"libodbc.so.2", "libodbc.so.1"};

using Table = BoundEntryPoints<OdbcError>;

// Never destroyed, like the other client bindings: a connection in static
// storage may still be closed after this object would have been torn down.
Table& Entries() {
  static Table* table =
      new Table(kCandidates, std::vector<const char*>(kEntryNames.begin(), kEntryNames.end()));
  return *table;
}

template <typename Fn>
Fn Get(Entry entry) {
  return Entries().Function<Fn>(entry);
}

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

}  // namespace

SQLRETURN AllocHandle(SQLSMALLINT type, SQLHANDLE input, SQLHANDLE* output) {
  return Get<SQLRETURN (*)(SQLSMALLINT, SQLHANDLE, SQLHANDLE*)>(kAllocHandle)(type, input, output);
}

SQLRETURN FreeHandle(SQLSMALLINT type, SQLHANDLE handle) {
  return Get<SQLRETURN (*)(SQLSMALLINT, SQLHANDLE)>(kFreeHandle)(type, handle);
}

SQLRETURN SetEnvAttr(SQLHENV env, SQLINTEGER attribute, SQLPOINTER value, SQLINTEGER length) {
  return Get<SQLRETURN (*)(SQLHENV, SQLINTEGER, SQLPOINTER, SQLINTEGER)>(kSetEnvAttr)(
      env, attribute, value, length);
}

SQLRETURN SetConnectAttrW(SQLHDBC dbc, SQLINTEGER attribute, SQLPOINTER value, SQLINTEGER length) {
  return Get<SQLRETURN (*)(SQLHDBC, SQLINTEGER, SQLPOINTER, SQLINTEGER)>(kSetConnectAttrW)(
      dbc, attribute, value, length);
}

SQLRETURN DriverConnectW(SQLHDBC dbc, SQLHWND window, SQLWCHAR* in, SQLSMALLINT inLength,
                         SQLWCHAR* out, SQLSMALLINT outMax, SQLSMALLINT* outLength,
                         SQLUSMALLINT completion) {
  using Fn = SQLRETURN (*)(SQLHDBC, SQLHWND, SQLWCHAR*, SQLSMALLINT, SQLWCHAR*, SQLSMALLINT,
                           SQLSMALLINT*, SQLUSMALLINT);
  return Get<Fn>(kDriverConnectW)(dbc, window, in, inLength, out, outMax, outLength, completion);
}

SQLRETURN Disconnect(SQLHDBC dbc) { return Get<SQLRETURN (*)(SQLHDBC)>(kDisconnect)(dbc); }

SQLRETURN ExecDirectW(SQLHSTMT stmt, SQLWCHAR* text, SQLINTEGER length) {
  return Get<SQLRETURN (*)(SQLHSTMT, SQLWCHAR*, SQLINTEGER)>(kExecDirectW)(stmt, text, length);
}

SQLRETURN NumResultCols(SQLHSTMT stmt, SQLSMALLINT* count) {
  return Get<SQLRETURN (*)(SQLHSTMT, SQLSMALLINT*)>(kNumResultCols)(stmt, count);
}

SQLRETURN MoreResults(SQLHSTMT stmt) { return Get<SQLRETURN (*)(SQLHSTMT)>(kMoreResults)(stmt); }

SQLRETURN Fetch(SQLHSTMT stmt) { return Get<SQLRETURN (*)(SQLHSTMT)>(kFetch)(stmt); }

SQLRETURN GetData(SQLHSTMT stmt, SQLUSMALLINT column, SQLSMALLINT type, SQLPOINTER value,
                  SQLLEN max, SQLLEN* indicator) {
  using Fn = SQLRETURN (*)(SQLHSTMT, SQLUSMALLINT, SQLSMALLINT, SQLPOINTER, SQLLEN, SQLLEN*);
  return Get<Fn>(kGetData)(stmt, column, type, value, max, indicator);
}

SQLRETURN GetDiagRecW(SQLSMALLINT type, SQLHANDLE handle, SQLSMALLINT record, SQLWCHAR* state,
                      SQLINTEGER* native, SQLWCHAR* message, SQLSMALLINT max,
                      SQLSMALLINT* length) {
  using Fn = SQLRETURN (*)(SQLSMALLINT, SQLHANDLE, SQLSMALLINT, SQLWCHAR*, SQLINTEGER*,
                           SQLWCHAR*, SQLSMALLINT, SQLSMALLINT*);
  return Get<Fn>(kGetDiagRecW)(type, handle, record, state, native, message, max, length);
}

std::string LibraryFileName() { return Entries().FileName(); }

bool Loadable() { return Entries().Load(); }

void SetLibraryFileName(const std::string& fileName) { Entries().SetCandidates({fileName}); }

void ResetLibraryFileNames() { Entries().SetCandidates(kCandidates); }

std::string LibraryFolder() {
  Dl_info info{};
  void* address = Entries().Find(kAllocHandle).address;
  if (!address || !dladdr(address, &info) || !info.dli_fname) return {};
  const std::string file = info.dli_fname;
  const size_t slash = file.rfind('/');
  return slash == std::string::npos ? std::string() : file.substr(0, slash);
}

std::u16string ToUtf16(std::string_view s) {
  std::u16string out;
  out.reserve(s.size());
  size_t i = 0;
  while (i < s.size()) {
    const auto b = static_cast<unsigned char>(s[i]);
    char32_t c = 0xFFFD;
    size_t len = 1;
    if (b < 0x80) {
      c = b;
    } else if ((b & 0xE0) == 0xC0 || (b & 0xF0) == 0xE0 || (b & 0xF8) == 0xF0) {
      const size_t need = (b & 0xE0) == 0xC0 ? 2 : (b & 0xF0) == 0xE0 ? 3 : 4;
      char32_t v = b & (need == 2 ? 0x1F : need == 3 ? 0x0F : 0x07);
      size_t k = 1;
      for (; k < need && i + k < s.size(); ++k) {
        const auto cb = static_cast<unsigned char>(s[i + k]);
        if ((cb & 0xC0) != 0x80) break;
        v = (v << 6) | (cb & 0x3F);
      }
      const char32_t least = need == 2 ? 0x80 : need == 3 ? 0x800 : 0x10000;
      if (k == need && v >= least && v <= 0x10FFFF && (v < 0xD800 || v > 0xDFFF)) {
        c = v;
        len = need;
      } else {
        len = k;  // the bad sequence becomes one replacement character
      }
    }
    if (c >= 0x10000) {
      out += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
      out += static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
    } else {
      out += static_cast<char16_t>(c);
    }
    i += len;
  }
  return out;
}

std::string FromUtf16(std::u16string_view s) {
  std::string out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size(); ++i) {
    char32_t c = s[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < s.size() && s[i + 1] >= 0xDC00 &&
        s[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (s[i + 1] - 0xDC00);
      ++i;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = 0xFFFD;  // a lone surrogate
    }
    AppendUtf8(out, c);
  }
  return out;
}

}  // namespace zel::odbc
