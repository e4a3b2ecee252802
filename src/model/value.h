// Cells, rows and attributes, and the comparisons the operators and the
// selection conditions rest on. All are plain value types: a copy is
// independent of what it was copied from.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// One cell of a table: an integer or a string. The kind is told by isString
// alone; the number of a string value carries no meaning and is never read.
class Value {
 public:
  explicit Value(std::int32_t number) : number_(number) {}
  explicit Value(std::string text) : text_(std::move(text)), isString_(true) {}

  // A copy of an int value leaves the text, which is always empty, alone.
  Value(const Value& other) : number_(other.number_), isString_(other.isString_) {
    if (isString_) text_ = other.text_;
  }
  Value(Value&&) noexcept = default;
  Value& operator=(const Value&) = default;
  Value& operator=(Value&&) noexcept = default;
  ~Value() = default;

  std::int32_t number() const { return number_; }
  const std::string& text() const { return text_; }
  bool isString() const { return isString_; }

 private:
  std::string text_;
  std::int32_t number_ = 0;
  bool isString_ = false;
};

// The cells of one row, in the order of the table's attributes. Nothing ties
// its length or kinds to a schema: rows are stored as the input wrote them.
using Row = std::vector<Value>;

// One column description: a name and a type, int or char(N).
class Attribute {
 public:
  // An int attribute.
  explicit Attribute(std::string name) : name_(std::move(name)) {}
  // A char(length) attribute.
  Attribute(std::string name, std::int32_t length)
      : name_(std::move(name)), length_(length), isChar_(true) {}

  const std::string& name() const { return name_; }
  void setName(std::string name) { name_ = std::move(name); }
  bool isChar() const { return isChar_; }
  std::int32_t length() const { return length_; }

 private:
  std::string name_;
  std::int32_t length_ = 0;
  bool isChar_ = false;
};

// The attributes of a table in order. Names need not be unique; a lookup by
// name takes the first match from position 0.
using Schema = std::vector<Attribute>;

// Values of different kinds are never equal. Strings compare byte for byte.
bool valueEquals(const Value& a, const Value& b);

// Values of different kinds are unordered in both directions. Strings order
// by unsigned bytes, a proper prefix first; integers as signed numbers.
bool valueLess(const Value& a, const Value& b);

// True when both rows have the same length and are equal at every position.
bool rowEquals(const Row& a, const Row& b);

// Lexicographic by valueLess at the first position whose values differ. False
// when that position is missing from either row (a proper prefix is not less)
// or when the two values there differ in kind.
bool rowLess(const Row& a, const Row& b);

// Same type and same declared length; names play no part.
bool attributesCompatible(const Attribute& a, const Attribute& b);

// Position of the first attribute called name, or -1.
int findAttribute(const Schema& schema, std::string_view name);
