#pragma once
// The little of a COM variant that the readers need: absent or null versus a
// text or a number.
#include <cstdint>
#include <string>

namespace zel {

struct TVariant {
  enum class Kind { Empty, Null, Text, Integer, Real };
  Kind kind = Kind::Empty;
  std::string text;
  std::int64_t integer = 0;
  double real = 0;

  static TVariant Null() { return {Kind::Null, {}, 0, 0}; }
  static TVariant Text(std::string s) { return {Kind::Text, std::move(s), 0, 0}; }
  static TVariant Integer(std::int64_t v) { return {Kind::Integer, {}, v, 0}; }
  static TVariant Real(double v) { return {Kind::Real, {}, 0, v}; }
};

}  // namespace zel
