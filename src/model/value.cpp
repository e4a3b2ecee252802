#include "model/value.h"

#include <cstddef>

bool valueEquals(const Value& a, const Value& b) {
  if (a.isString() != b.isString()) return false;
  if (a.isString()) return a.text() == b.text();
  return a.number() == b.number();
}

bool valueLess(const Value& a, const Value& b) {
  if (a.isString() != b.isString()) return false;
  // std::string compares through char_traits<char>, which orders bytes as
  // unsigned char: exactly the byte-wise order wanted here.
  if (a.isString()) return a.text() < b.text();
  return a.number() < b.number();
}

namespace {

// The first position at which the rows differ, or the length of the shorter.
std::size_t commonPrefix(const Row& a, const Row& b) {
  std::size_t i = 0;
  while (i < a.size() && i < b.size() && valueEquals(a[i], b[i])) ++i;
  return i;
}

}  // namespace

bool rowEquals(const Row& a, const Row& b) {
  return a.size() == b.size() && commonPrefix(a, b) == a.size();
}

bool rowLess(const Row& a, const Row& b) {
  const std::size_t i = commonPrefix(a, b);
  if (i == a.size() || i == b.size()) return false;
  return valueLess(a[i], b[i]);
}

bool attributesCompatible(const Attribute& a, const Attribute& b) {
  return a.isChar() == b.isChar() && a.length() == b.length();
}

int findAttribute(const Schema& schema, std::string_view name) {
  for (std::size_t i = 0; i < schema.size(); ++i) {
    if (schema[i].name() == name) return static_cast<int>(i);
  }
  return -1;
}
