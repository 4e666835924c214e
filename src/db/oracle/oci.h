#pragma once
// Oracle Call Interface, bound at run time from Oracle Instant Client. The
// library is opened on the first call and each entry point is looked up by
// name when first called, so the program starts without Oracle's client and
// reports the missing library only when an Oracle catalog is read.
//
// The client uses these thirteen functions and nothing else:
//   OCIEnvNlsCreate   one environment per session, AL32UTF8, OCI_THREADED
//   OCIHandleAlloc    the error handle
//   OCIHandleFree     the error handle and the environment
//   OCILogon2         user, password and connect identifier as separate values
//   OCILogoff
//   OCIStmtPrepare2   allocates the statement handle
//   OCIStmtRelease    releases it
//   OCIStmtExecute    iters 0: execute a query without fetching
//   OCIAttrGet        the column count of the query (OCI_ATTR_PARAM_COUNT)
//   OCIAttrSet        how many rows a round trip brings (OCI_ATTR_PREFETCH_ROWS)
//   OCIDefineByPos    every column as text, with null indicator and length
//   OCIStmtFetch2     one row at a time, forwards
//   OCIErrorGet       the ORA-nnnnn text of a failed call
//
// Types and constants are those of Oracle's public headers (oci.h, ociap.h,
// ocidfn.h); Oracle's development files are not needed to build.
#include <cstddef>
#include <cstdint>
#include <string>

namespace zel::oci {

using sword = std::int32_t;
using sb4 = std::int32_t;
using ub4 = std::uint32_t;
using sb2 = std::int16_t;
using ub2 = std::uint16_t;
using OraText = unsigned char;

struct OCIEnv;
struct OCIError;
struct OCISvcCtx;
struct OCIStmt;
struct OCIDefine;
struct OCISnapshot;

// Return codes.
constexpr sword OCI_SUCCESS = 0;
constexpr sword OCI_SUCCESS_WITH_INFO = 1;
constexpr sword OCI_NO_DATA = 100;
constexpr sword OCI_ERROR = -1;
constexpr sword OCI_INVALID_HANDLE = -2;
constexpr sword OCI_NEED_DATA = 99;
constexpr sword OCI_STILL_EXECUTING = -3123;

// Modes.
constexpr ub4 OCI_DEFAULT = 0x00000000;
constexpr ub4 OCI_THREADED = 0x00000001;

// Handle types.
constexpr ub4 OCI_HTYPE_ENV = 1;
constexpr ub4 OCI_HTYPE_ERROR = 2;
constexpr ub4 OCI_HTYPE_SVCCTX = 3;
constexpr ub4 OCI_HTYPE_STMT = 4;

// Attributes.
constexpr ub4 OCI_ATTR_PREFETCH_ROWS = 13;
constexpr ub4 OCI_ATTR_PARAM_COUNT = 18;

// Character set id of AL32UTF8 (Unicode, UTF-8).
constexpr ub2 AL32UTF8 = 873;

constexpr ub4 OCI_NTV_SYNTAX = 1;
constexpr ub2 OCI_FETCH_NEXT = 0x02;
// External data type: character string with its length returned.
constexpr ub2 SQLT_CHR = 1;
// Column return code of a value cut to fit its buffer (ORA-01406).
constexpr ub2 kTruncatedReturnCode = 1406;

sword OCIEnvNlsCreate(OCIEnv** envp, ub4 mode, void* ctxp, void* (*malocfp)(void*, size_t),
                      void* (*ralocfp)(void*, void*, size_t), void (*mfreefp)(void*, void*),
                      size_t xtramem_sz, void** usrmempp, ub2 charset, ub2 ncharset);
sword OCIHandleAlloc(const void* parenth, void** hndlpp, ub4 type, size_t xtramem_sz,
                     void** usrmempp);
sword OCIHandleFree(void* hndlp, ub4 type);
sword OCILogon2(OCIEnv* envhp, OCIError* errhp, OCISvcCtx** svchp, const OraText* username,
                ub4 uname_len, const OraText* password, ub4 passwd_len, const OraText* dbname,
                ub4 dbname_len, ub4 mode);
sword OCILogoff(OCISvcCtx* svchp, OCIError* errhp);
sword OCIStmtPrepare2(OCISvcCtx* svchp, OCIStmt** stmtp, OCIError* errhp, const OraText* stmt,
                      ub4 stmt_len, const OraText* key, ub4 key_len, ub4 language, ub4 mode);
sword OCIStmtRelease(OCIStmt* stmtp, OCIError* errhp, const OraText* key, ub4 key_len, ub4 mode);
sword OCIStmtExecute(OCISvcCtx* svchp, OCIStmt* stmtp, OCIError* errhp, ub4 iters, ub4 rowoff,
                     const OCISnapshot* snap_in, OCISnapshot* snap_out, ub4 mode);
sword OCIAttrGet(const void* trgthndlp, ub4 trghndltyp, void* attributep, ub4* sizep, ub4 attrtype,
                 OCIError* errhp);
sword OCIAttrSet(void* trgthndlp, ub4 trghndltyp, void* attributep, ub4 size, ub4 attrtype,
                 OCIError* errhp);
sword OCIDefineByPos(OCIStmt* stmtp, OCIDefine** defnpp, OCIError* errhp, ub4 position,
                     void* valuep, sb4 value_sz, ub2 dty, void* indp, ub2* rlenp, ub2* rcodep,
                     ub4 mode);
sword OCIStmtFetch2(OCIStmt* stmtp, OCIError* errhp, ub4 nrows, ub2 orientation, sb4 scrollOffset,
                    ub4 mode);
sword OCIErrorGet(void* hndlp, ub4 recordno, OraText* sqlstate, sb4* errcodep, OraText* bufp,
                  ub4 bufsiz, ub4 type);

// Opens the library unless it is open; raises EOleException
// "<file> load failed." when no candidate loads, or
// "<file>: function <name> not found." when an entry point is missing.
void Load();
// The file opened; before that the first candidate ("libclntsh.so").
std::string LibraryFileName();
// Points the binding at one other file (tests: the fake client, a missing
// file). Addresses resolved so far are forgotten; a library opened so far
// stays mapped, since handles from it may still be alive.
void SetLibraryFileName(const std::string& fileName);
// Back to the standard candidates.
void UseStandardLibrary();
bool IsLoaded();

}  // namespace zel::oci
