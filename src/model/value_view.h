// A cell as it is read, wherever it is kept: a general Value or a packed
// row's bytes. Views are what printing, conditions and sort keys look at, so
// that the same code reads both kinds of row.
#pragma once

#include <cstdint>
#include <string_view>

#include "model/value.h"

// An integer or a string; a string's text lies where it was read and must
// outlive the view. number is 0 for a string.
struct ValueView {
  std::string_view text;
  std::int32_t number = 0;
  bool isString = false;

  static ValueView ofNumber(std::int32_t n) { return {{}, n, false}; }
  static ValueView ofText(std::string_view t) { return {t, 0, true}; }
};

inline ValueView viewOf(const Value& value) {
  return value.isString() ? ValueView::ofText(value.text()) : ValueView::ofNumber(value.number());
}

inline Value valueOf(const ValueView& view) {
  return view.isString ? Value(view.text) : Value(view.number);
}

// valueEquals and valueLess on views, with the same meaning.
inline bool viewEquals(const ValueView& a, const ValueView& b) {
  if (a.isString != b.isString) return false;
  return a.isString ? a.text == b.text : a.number == b.number;
}

inline bool viewLess(const ValueView& a, const ValueView& b) {
  if (a.isString != b.isString) return false;
  // string_view orders bytes as unsigned char.
  return a.isString ? a.text < b.text : a.number < b.number;
}
