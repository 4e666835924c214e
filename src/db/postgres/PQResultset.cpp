#include "db/postgres/PQResultset.h"

#include <string>

#include "db/postgres/PQCompo.h"
#include "db/postgres/PQError.h"

namespace zel {

std::string TPQField::AsString() const {
  const libpq::PGresult* result = FResultset->CheckedResult();
  const int row = FResultset->FCurrentRow;
  // libpq answers an out-of-range cell with a null and a notice of its own;
  // asking first keeps that notice away from OnNoticeMessage.
  if (row < 0 || row >= libpq::PQntuples(result) || FIndex >= libpq::PQnfields(result)) return {};
  const char* value = libpq::PQgetvalue(result, row, FIndex);
  return value ? std::string(value) : std::string();
}

TPQResultset::TPQResultset(TPQCompo& owner, libpq::ResultPtr result)
    : FOwner(&owner), FResult(std::move(result)) {
  const int count = FResult ? libpq::PQnfields(FResult.get()) : 0;
  FFields.reserve(static_cast<std::size_t>(count > 0 ? count : 0));
  for (int i = 0; i < count; ++i) FFields.emplace_back(*this, i);
}

TPQResultset::~TPQResultset() { Release(); }

void TPQResultset::Release() noexcept {
  if (FOwner) {
    FOwner->Unlist(this);
    FOwner = nullptr;
  }
  FResult.reset();
}

const libpq::PGresult* TPQResultset::CheckedResult() const {
  if (!FResult) throw EPQInvalidOperation("the result set has been closed.");
  return FResult.get();
}

bool TPQResultset::Eof() const { return FCurrentRow >= RowCount(); }

void TPQResultset::Next() {
  if (Eof()) throw EPQInvalidOperation("there is no more records.");
  ++FCurrentRow;
}

int TPQResultset::RowCount() const { return libpq::PQntuples(CheckedResult()); }

int TPQResultset::FieldCount() const { return libpq::PQnfields(CheckedResult()); }

TPQField& TPQResultset::Fields(int index) {
  if (index < 0 || static_cast<std::size_t>(index) >= FFields.size()) {
    throw EPQInvalidOperation("field index " + std::to_string(index) + " is out of range.");
  }
  return FFields[static_cast<std::size_t>(index)];
}

}  // namespace zel
