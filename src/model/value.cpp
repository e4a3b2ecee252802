#include "model/value.h"

#include <algorithm>
#include <cstddef>
#include <limits>

Value::Value(std::string_view text) : size_(0) {
  if (text.size() >= kIntMark) throw std::bad_alloc();
  if (text.size() > kInline) {
    char* block = new char[text.size()];
    std::memcpy(block, text.data(), text.size());
    std::memcpy(bytes_ + 4, &block, sizeof block);
  } else if (!text.empty()) {
    std::memcpy(bytes_, text.data(), text.size());
  }
  size_ = static_cast<std::uint32_t>(text.size());
}

Value::Value(const Value& other) : size_(other.size_) {
  std::memcpy(bytes_, other.bytes_, sizeof bytes_);
  if (size_ > kInline && size_ != kIntMark) {
    char* block = new char[size_];
    std::memcpy(block, other.heap(), size_);
    std::memcpy(bytes_ + 4, &block, sizeof block);
  }
}

Value& Value::operator=(const Value& other) {
  if (this != &other) *this = Value(other);
  return *this;
}

Row::Row(std::initializer_list<Value> values) {
  reserve(values.size());
  for (const Value& value : values) emplace_back(value);
}

Row::Row(const Row& other) {
  reserve(other.size());
  for (const Value& value : other) emplace_back(value);
}

Row& Row::operator=(const Row& other) {
  if (this != &other) *this = Row(other);
  return *this;
}

void Row::reserve(std::size_t capacity) {
  if (capacity <= (block_ == nullptr ? 0 : block_->capacity)) return;
  if (capacity > std::numeric_limits<std::uint32_t>::max()) throw std::bad_alloc();
  auto* block = static_cast<Header*>(::operator new(sizeof(Header) + capacity * sizeof(Value)));
  block->size = 0;
  block->capacity = static_cast<std::uint32_t>(capacity);
  if (block_ != nullptr) {
    Value* to = std::launder(reinterpret_cast<Value*>(block + 1));
    for (Value& value : *this) ::new (to + block->size++) Value(std::move(value));
  }
  release();
  block_ = block;
}

void Row::grow() { reserve(std::max<std::size_t>(4, 2 * size())); }

void Row::append(const Row& other) {
  reserve(size() + other.size());
  for (const Value& value : other) emplace_back(value);
}

void Row::release() noexcept {
  if (block_ == nullptr) return;
  for (Value& value : *this) value.~Value();
  ::operator delete(block_);
  block_ = nullptr;
}

bool valueEquals(const Value& a, const Value& b) {
  if (a.isString() != b.isString()) return false;
  if (a.isString()) return a.text() == b.text();
  return a.number() == b.number();
}

bool valueLess(const Value& a, const Value& b) {
  if (a.isString() != b.isString()) return false;
  // string_view compares through char_traits<char>, which orders bytes as
  // unsigned char: exactly the byte-wise order wanted here.
  if (a.isString()) return a.text() < b.text();
  return a.number() < b.number();
}

namespace {

// The first position at which the rows differ, or the length of the shorter.
std::size_t commonPrefix(const Row& a, const Row& b) {
  const std::size_t shorter = std::min(a.size(), b.size());
  std::size_t i = 0;
  while (i < shorter && valueEquals(a[i], b[i])) ++i;
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
