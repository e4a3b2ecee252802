// Cells, rows and attributes, and the comparisons the operators and the
// selection conditions rest on. All are plain value types: a copy is
// independent of what it was copied from.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <new>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// One cell of a table: an integer or a string, in 16 bytes. An integer and a
// string of up to 12 bytes are held in the value itself; a longer string in
// one heap block of exactly its length. The kind is told by isString alone;
// the number of a string value carries no meaning and is never read.
class Value {
 public:
  explicit Value(std::int32_t number) : size_(kIntMark) { std::memcpy(bytes_, &number, 4); }
  // Raises std::bad_alloc for a text of 4 GiB or more.
  explicit Value(std::string_view text);

  Value(const Value& other);
  Value(Value&& other) noexcept : size_(other.size_) {
    std::memcpy(bytes_, other.bytes_, sizeof bytes_);
    other.size_ = kIntMark;
  }
  Value& operator=(const Value& other);
  Value& operator=(Value&& other) noexcept {
    if (this != &other) {
      release();
      size_ = other.size_;
      std::memcpy(bytes_, other.bytes_, sizeof bytes_);
      other.size_ = kIntMark;
    }
    return *this;
  }
  ~Value() { release(); }

  std::int32_t number() const {
    std::int32_t n = 0;
    std::memcpy(&n, bytes_, 4);
    return n;
  }
  bool isString() const { return size_ != kIntMark; }
  // The characters of a string value; empty for an int value. Valid while
  // the value lives unchanged.
  std::string_view text() const {
    if (size_ <= kInline) return {bytes_, size_};
    if (size_ == kIntMark) return {};
    return {heap(), size_};
  }

 private:
  static constexpr std::uint32_t kIntMark = 0xffffffff;  // size_ of an int value
  static constexpr std::uint32_t kInline = 12;           // longest text held inline

  // A long text's block address sits in the last 8 of the 12 bytes.
  char* heap() const {
    char* p = nullptr;
    std::memcpy(&p, bytes_ + 4, sizeof p);
    return p;
  }
  void release() {
    if (size_ > kInline && size_ != kIntMark) delete[] heap();
  }

  std::uint32_t size_;   // the text's length, or kIntMark
  char bytes_[12] = {};  // the number, the text, or the text's block address
};

// The cells of one row, in the order of the table's attributes, in one heap
// block: a small header, then the values. An empty row allocates nothing.
// Nothing ties its length or kinds to a schema: rows are stored as the input
// wrote them.
class Row {
 public:
  Row() noexcept = default;
  Row(std::initializer_list<Value> values);
  Row(const Row& other);
  Row(Row&& other) noexcept : block_(std::exchange(other.block_, nullptr)) {}
  Row& operator=(const Row& other);
  Row& operator=(Row&& other) noexcept {
    std::swap(block_, other.block_);
    return *this;
  }
  ~Row() { release(); }

  std::size_t size() const { return block_ == nullptr ? 0 : block_->size; }
  bool empty() const { return size() == 0; }

  // The values in place; a row's values stay where they are until it grows.
  const Value* begin() const { return values(); }
  const Value* end() const { return values() + size(); }
  Value* begin() { return values(); }
  Value* end() { return values() + size(); }
  const Value& operator[](std::size_t i) const { return values()[i]; }
  Value& operator[](std::size_t i) { return values()[i]; }

  // Makes room for capacity values in all, so that appending up to there
  // moves nothing. Raises std::bad_alloc beyond 2^32 - 1 values.
  void reserve(std::size_t capacity);

  // Appends at the end, growing the block when it is full. The standard
  // containers' names are kept, so that a Row reads as the vector it was.
  template <typename... Args>
  Value& emplace_back(Args&&... args) {  // NOLINT(readability-identifier-naming)
    if (block_ == nullptr || block_->size == block_->capacity) grow();
    Value* slot = ::new (values() + block_->size) Value(std::forward<Args>(args)...);
    ++block_->size;
    return *slot;
  }
  // NOLINTNEXTLINE(readability-identifier-naming)
  void push_back(const Value& value) { emplace_back(value); }
  // NOLINTNEXTLINE(readability-identifier-naming)
  void push_back(Value&& value) { emplace_back(std::move(value)); }

  // Appends copies of every value of other.
  void append(const Row& other);

 private:
  struct Header {
    std::uint32_t size;
    std::uint32_t capacity;
  };

  Value* values() const {
    return block_ == nullptr ? nullptr : std::launder(reinterpret_cast<Value*>(block_ + 1));
  }
  void grow();
  void release() noexcept;

  Header* block_ = nullptr;
};

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
