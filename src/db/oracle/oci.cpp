#include "db/oracle/oci.h"

#include <array>
#include <vector>

#include "db/EntryPoints.h"
#include "db/oracle/OraError.h"

namespace zel::oci {
namespace {

enum Entry {
  kEnvNlsCreate,
  kHandleAlloc,
  kHandleFree,
  kLogon2,
  kLogoff,
  kStmtPrepare2,
  kStmtRelease,
  kStmtExecute,
  kAttrGet,
  kAttrSet,
  kDefineByPos,
  kStmtFetch2,
  kErrorGet,
  kEntryCount
};

constexpr std::array<const char*, kEntryCount> kEntryNames = {
    "OCIEnvNlsCreate", "OCIHandleAlloc", "OCIHandleFree",  "OCILogon2",  "OCILogoff",
    "OCIStmtPrepare2", "OCIStmtRelease", "OCIStmtExecute", "OCIAttrGet", "OCIAttrSet",
    "OCIDefineByPos",  "OCIStmtFetch2",  "OCIErrorGet"};

// Instant Client installs the unversioned name only with its SDK or a
// symbolic link; the versioned names are what the Basic package carries.
std::vector<std::string> StandardCandidates() {
  return {"libclntsh.so", "libclntsh.so.23.1", "libclntsh.so.21.1", "libclntsh.so.19.1"};
}

using Table = BoundEntryPoints<EOleException>;

// Never destroyed: a session in static storage may still free its handles
// after this object would have been torn down.
Table& Entries() {
  static Table* table = new Table(StandardCandidates(),
                                  std::vector<const char*>(kEntryNames.begin(), kEntryNames.end()));
  return *table;
}

template <typename Fn>
Fn Get(Entry entry) {
  return Entries().Function<Fn>(entry);
}

}  // namespace

sword OCIEnvNlsCreate(OCIEnv** envp, ub4 mode, void* ctxp, void* (*malocfp)(void*, size_t),
                      void* (*ralocfp)(void*, void*, size_t), void (*mfreefp)(void*, void*),
                      size_t xtramem_sz, void** usrmempp, ub2 charset, ub2 ncharset) {
  using Fn =
      sword (*)(OCIEnv**, ub4, void*, void* (*)(void*, size_t), void* (*)(void*, void*, size_t),
                void (*)(void*, void*), size_t, void**, ub2, ub2);
  return Get<Fn>(kEnvNlsCreate)(envp, mode, ctxp, malocfp, ralocfp, mfreefp, xtramem_sz, usrmempp,
                                charset, ncharset);
}

sword OCIHandleAlloc(const void* parenth, void** hndlpp, ub4 type, size_t xtramem_sz,
                     void** usrmempp) {
  using Fn = sword (*)(const void*, void**, ub4, size_t, void**);
  return Get<Fn>(kHandleAlloc)(parenth, hndlpp, type, xtramem_sz, usrmempp);
}

sword OCIHandleFree(void* hndlp, ub4 type) {
  return Get<sword (*)(void*, ub4)>(kHandleFree)(hndlp, type);
}

sword OCILogon2(OCIEnv* envhp, OCIError* errhp, OCISvcCtx** svchp, const OraText* username,
                ub4 uname_len, const OraText* password, ub4 passwd_len, const OraText* dbname,
                ub4 dbname_len, ub4 mode) {
  using Fn = sword (*)(OCIEnv*, OCIError*, OCISvcCtx**, const OraText*, ub4, const OraText*, ub4,
                       const OraText*, ub4, ub4);
  return Get<Fn>(kLogon2)(envhp, errhp, svchp, username, uname_len, password, passwd_len, dbname,
                          dbname_len, mode);
}

sword OCILogoff(OCISvcCtx* svchp, OCIError* errhp) {
  return Get<sword (*)(OCISvcCtx*, OCIError*)>(kLogoff)(svchp, errhp);
}

sword OCIStmtPrepare2(OCISvcCtx* svchp, OCIStmt** stmtp, OCIError* errhp, const OraText* stmt,
                      ub4 stmt_len, const OraText* key, ub4 key_len, ub4 language, ub4 mode) {
  using Fn = sword (*)(OCISvcCtx*, OCIStmt**, OCIError*, const OraText*, ub4, const OraText*, ub4,
                       ub4, ub4);
  return Get<Fn>(kStmtPrepare2)(svchp, stmtp, errhp, stmt, stmt_len, key, key_len, language, mode);
}

sword OCIStmtRelease(OCIStmt* stmtp, OCIError* errhp, const OraText* key, ub4 key_len, ub4 mode) {
  using Fn = sword (*)(OCIStmt*, OCIError*, const OraText*, ub4, ub4);
  return Get<Fn>(kStmtRelease)(stmtp, errhp, key, key_len, mode);
}

sword OCIStmtExecute(OCISvcCtx* svchp, OCIStmt* stmtp, OCIError* errhp, ub4 iters, ub4 rowoff,
                     const OCISnapshot* snap_in, OCISnapshot* snap_out, ub4 mode) {
  using Fn =
      sword (*)(OCISvcCtx*, OCIStmt*, OCIError*, ub4, ub4, const OCISnapshot*, OCISnapshot*, ub4);
  return Get<Fn>(kStmtExecute)(svchp, stmtp, errhp, iters, rowoff, snap_in, snap_out, mode);
}

sword OCIAttrGet(const void* trgthndlp, ub4 trghndltyp, void* attributep, ub4* sizep, ub4 attrtype,
                 OCIError* errhp) {
  using Fn = sword (*)(const void*, ub4, void*, ub4*, ub4, OCIError*);
  return Get<Fn>(kAttrGet)(trgthndlp, trghndltyp, attributep, sizep, attrtype, errhp);
}

sword OCIAttrSet(void* trgthndlp, ub4 trghndltyp, void* attributep, ub4 size, ub4 attrtype,
                 OCIError* errhp) {
  using Fn = sword (*)(void*, ub4, void*, ub4, ub4, OCIError*);
  return Get<Fn>(kAttrSet)(trgthndlp, trghndltyp, attributep, size, attrtype, errhp);
}

sword OCIDefineByPos(OCIStmt* stmtp, OCIDefine** defnpp, OCIError* errhp, ub4 position,
                     void* valuep, sb4 value_sz, ub2 dty, void* indp, ub2* rlenp, ub2* rcodep,
                     ub4 mode) {
  using Fn =
      sword (*)(OCIStmt*, OCIDefine**, OCIError*, ub4, void*, sb4, ub2, void*, ub2*, ub2*, ub4);
  return Get<Fn>(kDefineByPos)(stmtp, defnpp, errhp, position, valuep, value_sz, dty, indp, rlenp,
                               rcodep, mode);
}

sword OCIStmtFetch2(OCIStmt* stmtp, OCIError* errhp, ub4 nrows, ub2 orientation, sb4 scrollOffset,
                    ub4 mode) {
  using Fn = sword (*)(OCIStmt*, OCIError*, ub4, ub2, sb4, ub4);
  return Get<Fn>(kStmtFetch2)(stmtp, errhp, nrows, orientation, scrollOffset, mode);
}

sword OCIErrorGet(void* hndlp, ub4 recordno, OraText* sqlstate, sb4* errcodep, OraText* bufp,
                  ub4 bufsiz, ub4 type) {
  using Fn = sword (*)(void*, ub4, OraText*, sb4*, OraText*, ub4, ub4);
  return Get<Fn>(kErrorGet)(hndlp, recordno, sqlstate, errcodep, bufp, bufsiz, type);
}

void Load() {
  // Every entry point at once, so a library of the wrong kind fails before
  // any handle is made rather than halfway through a logon.
  for (size_t i = 0; i < kEntryCount; ++i) Entries().Require(i);
}

std::string LibraryFileName() {
  return Entries().FileName();
}

void SetLibraryFileName(const std::string& fileName) {
  Entries().SetCandidates({fileName});
}

void UseStandardLibrary() {
  Entries().SetCandidates(StandardCandidates());
}

bool IsLoaded() {
  return Entries().IsLoaded();
}

}  // namespace zel::oci
