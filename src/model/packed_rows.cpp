#include "model/packed_rows.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>

namespace {

// Blocks grow from small, so that a small table takes little, up to a size
// whose unused end is no matter next to the rows before it.
constexpr std::size_t kFirstBlock = 256;
constexpr std::size_t kLargestBlock = std::size_t{1} << 20;

// The longest a row's count and each value's number take.
constexpr std::size_t kLongestNumber = 10;

void appendNumber(std::string& out, std::uint64_t v) {
  while (v >= 0x80) {
    out.push_back(static_cast<char>((v & 0x7f) | 0x80));
    v >>= 7;
  }
  out.push_back(static_cast<char>(v));
}

std::uint64_t readNumber(const unsigned char*& at) {
  std::uint64_t v = 0;
  int shift = 0;
  while ((*at & 0x80) != 0) {
    v |= static_cast<std::uint64_t>(*at++ & 0x7f) << shift;
    shift += 7;
  }
  v |= static_cast<std::uint64_t>(*at++) << shift;
  return v;
}

std::uint64_t folded(std::int32_t n) {
  const std::uint32_t u = static_cast<std::uint32_t>(n);
  return (u << 1) ^ (n < 0 ? 0xffffffffu : 0u);
}

std::int32_t unfolded(std::uint64_t v) {
  const auto u = static_cast<std::uint32_t>(v);
  return static_cast<std::int32_t>((u >> 1) ^ (0u - (u & 1)));
}

// The characters an integer takes printed.
std::size_t printedDigits(std::int32_t n) {
  std::size_t digits = n < 0 ? 2 : 1;
  for (std::int64_t m = n < 0 ? -static_cast<std::int64_t>(n) : n; m >= 10; m /= 10) ++digits;
  return digits;
}

}  // namespace

PackedRows::PackedRows(const PackedRows& other)
    : rows_(other.rows_),
      values_(other.values_),
      shortest_(other.shortest_),
      longest_(other.longest_),
      longestLine_(other.longestLine_) {
  blocks_.reserve(other.blocks_.size());
  for (const Block& block : other.blocks_) {
    Block copy{std::make_unique<unsigned char[]>(block.capacity), block.used, block.capacity};
    std::memcpy(copy.bytes.get(), block.bytes.get(), block.used);
    blocks_.push_back(std::move(copy));
  }
}

PackedRows& PackedRows::operator=(const PackedRows& other) {
  if (this != &other) *this = PackedRows(other);
  return *this;
}

void PackedRows::noteValue(std::size_t printedLength) {
  rowLine_ += printedLength + (rowValues_ == 0 ? 0 : 1);
  ++rowValues_;
}

void PackedRows::addNumber(std::int32_t number) {
  appendNumber(row_, folded(number) << 1);
  noteValue(printedDigits(number));
}

void PackedRows::addText(std::string_view text) {
  if (text.size() >= std::size_t{1} << 31) throw std::bad_alloc();
  appendNumber(row_, (static_cast<std::uint64_t>(text.size()) << 1) | 1);
  row_.append(text);
  noteValue(text.size() + 2);
}

void PackedRows::addRow(const ValueView* values, std::size_t count) {
  for (std::size_t i = 0; i < count; ++i) {
    if (values[i].isString) {
      addText(values[i].text);
    } else {
      addNumber(values[i].number);
    }
  }
  endRow();
}

void PackedRows::endRow() {
  const std::size_t bytes = row_.size() + kLongestNumber;
  if (blocks_.empty() || blocks_.back().capacity - blocks_.back().used < bytes) {
    const std::size_t grown =
        blocks_.empty() ? kFirstBlock : std::min(2 * blocks_.back().capacity, kLargestBlock);
    const std::size_t capacity = std::max(grown, bytes);
    blocks_.push_back({std::make_unique<unsigned char[]>(capacity), 0, capacity});
  }
  Block& block = blocks_.back();
  std::string count;
  appendNumber(count, rowValues_);
  std::memcpy(block.bytes.get() + block.used, count.data(), count.size());
  block.used += count.size();
  std::memcpy(block.bytes.get() + block.used, row_.data(), row_.size());
  block.used += row_.size();

  shortest_ = rows_ == 0 ? rowValues_ : std::min(shortest_, rowValues_);
  longest_ = std::max(longest_, rowValues_);
  longestLine_ = std::max(longestLine_, rowLine_);
  values_ += rowValues_;
  ++rows_;
  row_.clear();
  rowValues_ = 0;
  rowLine_ = 0;
}

const unsigned char* PackedRows::decode(const unsigned char* row, std::vector<ValueView>& values) {
  values.clear();
  for (std::uint64_t n = readNumber(row); n > 0; --n) {
    const std::uint64_t v = readNumber(row);
    if ((v & 1) != 0) {
      const std::size_t length = static_cast<std::size_t>(v >> 1);
      values.push_back(ValueView::ofText({reinterpret_cast<const char*>(row), length}));
      row += length;
    } else {
      values.push_back(ValueView::ofNumber(unfolded(v >> 1)));
    }
  }
  return row;
}

const unsigned char* PackedRows::skipRow(const unsigned char* row) {
  for (std::uint64_t n = readNumber(row); n > 0; --n) {
    const std::uint64_t v = readNumber(row);
    if ((v & 1) != 0) row += static_cast<std::size_t>(v >> 1);
  }
  return row;
}

Row PackedRows::unpack(const unsigned char* row) {
  std::vector<ValueView> values;
  decode(row, values);
  Row result;
  result.reserve(values.size());
  for (const ValueView& value : values) result.push_back(valueOf(value));
  return result;
}
