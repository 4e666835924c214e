#pragma once
// unixODBC, opened at run time: the program starts without it and reports
// the missing library only when SQL Server is used. Only the wide (W) calls
// are used, so text crosses the driver manager as UTF-16 whatever the
// driver's own narrow character set is.
#include <sql.h>
#include <sqlext.h>
#include <sqlucode.h>

#include <string>
#include <string_view>

namespace zel::odbc {

// Each raises OdbcError "<library> load failed." when unixODBC cannot be
// loaded, and names the entry point when the library lacks it.
SQLRETURN AllocHandle(SQLSMALLINT type, SQLHANDLE input, SQLHANDLE* output);
SQLRETURN FreeHandle(SQLSMALLINT type, SQLHANDLE handle);
SQLRETURN SetEnvAttr(SQLHENV env, SQLINTEGER attribute, SQLPOINTER value, SQLINTEGER length);
SQLRETURN SetConnectAttrW(SQLHDBC dbc, SQLINTEGER attribute, SQLPOINTER value, SQLINTEGER length);
SQLRETURN DriverConnectW(SQLHDBC dbc, SQLHWND window, SQLWCHAR* in, SQLSMALLINT inLength,
                         SQLWCHAR* out, SQLSMALLINT outMax, SQLSMALLINT* outLength,
                         SQLUSMALLINT completion);
SQLRETURN Disconnect(SQLHDBC dbc);
SQLRETURN ExecDirectW(SQLHSTMT stmt, SQLWCHAR* text, SQLINTEGER length);
SQLRETURN NumResultCols(SQLHSTMT stmt, SQLSMALLINT* count);
SQLRETURN MoreResults(SQLHSTMT stmt);
SQLRETURN Fetch(SQLHSTMT stmt);
SQLRETURN GetData(SQLHSTMT stmt, SQLUSMALLINT column, SQLSMALLINT type, SQLPOINTER value,
                  SQLLEN max, SQLLEN* indicator);
SQLRETURN GetDiagRecW(SQLSMALLINT type, SQLHANDLE handle, SQLSMALLINT record, SQLWCHAR* state,
                      SQLINTEGER* native, SQLWCHAR* message, SQLSMALLINT max,
                      SQLSMALLINT* length);

// The file messages name: the one opened, else the first candidate.
std::string LibraryFileName();
// Tests point the binding at another file (a missing one).
void SetLibraryFileName(const std::string& fileName);
// Back to libodbc.so.2, then libodbc.so.1.
void ResetLibraryFileNames();
// The folder of the driver manager's file once it is loaded (loading it if
// needed); empty when it cannot be loaded. unixODBC looks for drivers
// registered without a path in "odbc" below it.
std::string LibraryFolder();
// Opens the driver manager unless it is open; false when no candidate loads.
bool Loadable();

// UTF-8 <-> SQLWCHAR (UTF-16 in unixODBC's default build). Invalid input
// becomes U+FFFD rather than being dropped.
std::u16string ToUtf16(std::string_view utf8);
std::string FromUtf16(std::u16string_view utf16);

}  // namespace zel::odbc
