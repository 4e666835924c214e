#pragma once
// The rows of one statement, handed out by TPQCompo::GetResult. The caller
// owns the object; the component keeps an eye on it so that Close can release
// the libpq result while the connection still exists. A result set released
// that way stays a valid object: it only refuses further reads.
#include <string>
#include <vector>

#include "db/postgres/libpq_fe.h"

namespace zel {

class TPQCompo;
class TPQResultset;

// One column of a result set; reads the result set's current row.
class TPQField {
 public:
  TPQField(TPQResultset& owner, int index) : FResultset(&owner), FIndex(index) {}

  // The cell's text; a null reads as the empty text, and so does a row past
  // the last one.
  std::string AsString() const;
  int Index() const { return FIndex; }

 private:
  TPQResultset* FResultset;
  int FIndex;
};

class TPQResultset {
 public:
  // Takes over the libpq result. GetResult is the only caller that lists it.
  TPQResultset(TPQCompo& owner, libpq::ResultPtr result);
  ~TPQResultset();
  TPQResultset(const TPQResultset&) = delete;
  TPQResultset& operator=(const TPQResultset&) = delete;

  // True when the current row lies past the last one. (Named Eof since EOF
  // is a macro of the C library.)
  bool Eof() const;
  // Moves to the next row; raises EPQInvalidOperation at Eof.
  void Next();
  int RowCount() const;
  int FieldCount() const;
  // The field at a 0-based column index.
  TPQField& Fields(int index);
  int CurrentRow() const { return FCurrentRow; }

  // False once the component has released the result (Close).
  bool IsOpen() const { return FResult != nullptr; }

 private:
  friend class TPQCompo;
  friend class TPQField;

  // Called by the component's Close: clears the result and forgets the
  // component, which will not exist much longer.
  void Release() noexcept;
  const libpq::PGresult* CheckedResult() const;

  TPQCompo* FOwner;
  libpq::ResultPtr FResult;
  int FCurrentRow = 0;
  std::vector<TPQField> FFields;
};

}  // namespace zel
